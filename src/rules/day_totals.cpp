#include "rules/day_totals.h"

#include "rules/pledge_state.h"
#include "runtime/money.h"

namespace kw::cashdesk {

namespace {

// `into` += `amount`, in whole kopecks.
void add(double& into, double amount) {
    into = money::add(into, amount);
}

}  // namespace

void addPledge(DayTotals& t, const dict::ZalRecord& z, int32_t today) {
    if (z.SOST == pledges::kDeleted) return;
    if (z.SOST < pledges::kRedeemed) add(t.OBO, z.S_VID);
    if (z.DATA == today) add(t.T_RAS, z.S_VID);
    const int32_t came[3] = {z.DATA_PR1, z.DATA_PR2, z.DATA_PR3};
    const double received[3][3] = {{z.S_P_C1, z.S_P_X1, z.S_ST1},
                                   {z.S_P_C2, z.S_P_X2, z.S_ST2},
                                   {z.S_P_C3, z.S_P_X3, z.S_ST3}};
    for (int k = 0; k < 3; ++k) {
        if (came[k] != today) continue;
        for (double amount : received[k]) {
            add(t.PRIBI, amount);
            add(t.T_PRI, amount);
        }
    }
    if (z.DATA_PRW == today) {
        add(t.T_PRI, z.S_W);
        add(t.PRIBI, money::sub(z.S_W, z.S_VID));
    }
}

void addEntry(DayTotals& t, const dict::KlmRecord& e, int32_t today) {
    if (e.DATA != today) return;
    add(t.T_RAS, e.RAS);
    add(t.T_PRI, e.PRI);
}

double closingBalance(double opening, const DayTotals& t) {
    return money::sub(money::add(opening, t.T_PRI), t.T_RAS);
}

}  // namespace kw::cashdesk
