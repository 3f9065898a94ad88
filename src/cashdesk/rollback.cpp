#include "cashdesk/rollback.h"

#include "cashdesk/day_texts.h"
#include "rules/pledge_state.h"
#include "runtime/codepage.h"

namespace kw::cashdesk {

namespace {

constexpr Group kGroups[] = {Group::Prolongation1, Group::Prolongation2, Group::Prolongation3,
                             Group::Redemption, Group::Sale};

// The lowest state that keeps the group: prolongation k is kept from state k on,
// the redemption from 4, the sale from 5.
int keptFrom(Group g) {
    switch (g) {
        case Group::Prolongation1:
            return pledges::kProlonged1;
        case Group::Prolongation2:
            return pledges::kProlonged2;
        case Group::Prolongation3:
            return pledges::kProlonged3;
        case Group::Redemption:
            return pledges::kRedeemed;
        case Group::Sale:
            return pledges::kForSale;
    }
    return 0;
}

std::string groupName(Group g) {
    switch (g) {
        case Group::Prolongation1:
            return W("1 перезалог");
        case Group::Prolongation2:
            return W("2 перезалог");
        case Group::Prolongation3:
            return W("3 перезалог");
        case Group::Redemption:
            return W("выкуп");
        case Group::Sale:
            return W("передача на реализацию");
    }
    return std::string();
}

}  // namespace

bool clears(int state, Group g) {
    return state >= 0 && state < keptFrom(g);
}

int32_t eventDate(const dict::ZalRecord& z, Group g) {
    switch (g) {
        case Group::Prolongation1:
            return z.DATA_PR1;
        case Group::Prolongation2:
            return z.DATA_PR2;
        case Group::Prolongation3:
            return z.DATA_PR3;
        case Group::Redemption:
            return z.DATA_PRW;
        case Group::Sale:
            return z.DATA_R;
    }
    return 0;
}

void clearGroup(dict::ZalRecord& z, Group g) {
    switch (g) {
        case Group::Prolongation1:
            z.DATA_PR1 = 0, z.S_ST1 = 0, z.DATA_P11 = 0, z.KOL_D1 = 0, z.DATA_P12 = 0, z.S_P_C1 = 0,
            z.S_P_X1 = 0, z.S_POL1 = 0;
            break;
        case Group::Prolongation2:
            z.DATA_PR2 = 0, z.S_ST2 = 0, z.DATA_P21 = 0, z.KOL_D2 = 0, z.DATA_P22 = 0, z.S_P_C2 = 0,
            z.S_P_X2 = 0, z.S_POL2 = 0;
            break;
        case Group::Prolongation3:
            z.DATA_PR3 = 0, z.S_ST3 = 0, z.DATA_P31 = 0, z.KOL_D3 = 0, z.DATA_P32 = 0, z.S_P_C3 = 0,
            z.S_P_X3 = 0, z.S_POL3 = 0;
            break;
        case Group::Redemption:
            z.DATA_PRW = 0, z.S_STW = 0, z.S_P_CW = 0, z.S_P_XW = 0, z.S_W = 0;
            break;
        case Group::Sale:
            z.DATA_R = 0, z.S_STR = 0, z.S_P_CR = 0, z.S_P_XR = 0, z.S_R = 0;
            break;
    }
}

RollbackVerdict checkRollback(const dict::ZalRecord& z, int state,
                              const std::function<bool(int32_t)>& dayClosed) {
    RollbackVerdict v;
    if (state < pledges::kIssued || state > pledges::kDeleted) {
        v.check = RollbackCheck::BadState;
        return v;
    }
    for (Group g : kGroups) {
        const int32_t d = eventDate(z, g);
        if (g == Group::Sale || !clears(state, g) || d == 0) continue;
        if (dayClosed(d)) {
            v.check = RollbackCheck::ClosedDay;
            v.group = g;
            v.date = d;
            return v;
        }
    }
    return v;
}

void rollBack(dict::ZalRecord& z, int state) {
    for (Group g : kGroups)
        if (clears(state, g)) clearGroup(z, g);
}

std::string refusalText(const RollbackVerdict& v) {
    switch (v.check) {
        case RollbackCheck::Ok:
            return std::string();
        case RollbackCheck::BadState:
            return W("Статус записи может быть только от 0 до 6.");
        case RollbackCheck::ClosedDay:
            return W("Операция \"") + groupName(v.group) + W("\" проведена ") + dateText(v.date) +
                   W(",|а этот день закрыт: ее деньги уже вошли в итоги того дня.|Статус не "
                     "изменен.");
    }
    return std::string();
}

}  // namespace kw::cashdesk
