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

namespace {

using Cond = storage::File::Condition;

// The terms' order: what each one's sum adds to.
enum Term { kObo, kIssued, kProlonged, kRedeemedPaid = kProlonged + 9, kRedeemedLent, kTerms };

}  // namespace

std::vector<storage::File::SumTerm> pledgeSumTerms(int32_t today) {
    const storage::TableDecl& zal = dict::zalTable();
    auto field = [&](const char* name) { return zal.fieldNumber(name); };
    const Cond live{field("SOST"), Cond::Op::Ne, pledges::kDeleted};
    auto on = [&](const char* date) { return Cond{field(date), Cond::Op::Eq, today}; };
    std::vector<storage::File::SumTerm> terms(kTerms);
    terms[kObo] = {field("S_VID"), {live, {field("SOST"), Cond::Op::Lt, pledges::kRedeemed}}};
    terms[kIssued] = {field("S_VID"), {live, on("DATA")}};
    const char* paid[3][4] = {{"DATA_PR1", "S_P_C1", "S_P_X1", "S_ST1"},
                              {"DATA_PR2", "S_P_C2", "S_P_X2", "S_ST2"},
                              {"DATA_PR3", "S_P_C3", "S_P_X3", "S_ST3"}};
    for (int k = 0; k < 3; ++k)
        for (int a = 0; a < 3; ++a)
            terms[kProlonged + 3 * k + a] = {field(paid[k][a + 1]), {live, on(paid[k][0])}};
    terms[kRedeemedPaid] = {field("S_W"), {live, on("DATA_PRW")}};
    terms[kRedeemedLent] = {field("S_VID"), {live, on("DATA_PRW")}};
    return terms;
}

void addPledgeSums(DayTotals& t, const std::vector<int64_t>& sums) {
    auto add = [](double& into, int64_t kopecks) {
        into = money::roubles(money::kopecks(into) + kopecks);
    };
    add(t.OBO, sums[kObo]);
    add(t.T_RAS, sums[kIssued]);
    int64_t prolonged = 0;
    for (int i = kProlonged; i < kRedeemedPaid; ++i) prolonged += sums[static_cast<std::size_t>(i)];
    add(t.PRIBI, prolonged + sums[kRedeemedPaid] - sums[kRedeemedLent]);
    add(t.T_PRI, prolonged + sums[kRedeemedPaid]);
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
