// The full cost of the loan against the worked examples of docs/full-cost.md (figured
// by hand there), and the message that refuses a cost above a limit.
#include "rules/full_cost.h"

#include <gtest/gtest.h>

#include "runtime/codepage.h"

namespace {

using kw::documents::CostLimit;
using kw::documents::FullCost;

kw::dict::ZalRecord loan(double appraisal, double amount, double rate, double storage,
                         int16_t days) {
    kw::dict::ZalRecord z;
    z.S_OZEN = appraisal;
    z.S_CCYD = amount;
    z.P_CC_D = rate;
    z.P_XR_D = storage;
    z.KOL_D = days;
    z.S_P_S = amount * rate / 100 * days;
    z.S_P_X = appraisal * storage / 100 * days;
    z.S_VID = amount - z.S_P_S - z.S_P_X;
    return z;
}

TEST(FullCost, TheWorkedExamplesOfTheRule) {
    // 1. Loan 8 000, paid out 6 500, 30 days: 1 500 roubles, 280.769 % a year.
    const FullCost a = kw::documents::loanFullCost(loan(10000, 8000, 0.5, 0.1, 30));
    EXPECT_DOUBLE_EQ(a.money, 1500.00);
    EXPECT_DOUBLE_EQ(a.percent, 280.769);
    EXPECT_EQ(kw::documents::percentText(a), "280.769");
    EXPECT_EQ(kw::documents::moneyText(a), "1500.00");
    // 2. Loan 5 000 on 6 250 at 0.2 % and 0.05 % for 30 days: paid out 4 606.25, 393.75
    //    roubles, 104.003 % a year.
    const FullCost b = kw::documents::loanFullCost(loan(6250, 5000, 0.2, 0.05, 30));
    EXPECT_DOUBLE_EQ(b.money, 393.75);
    EXPECT_DOUBLE_EQ(b.percent, 104.003);
    // 3. The first pledge prolonged for 30 days: 1 200 + 300 on the loan of 8 000,
    //    228.125 % a year.
    auto p = loan(10000, 8000, 0.5, 0.1, 30);
    p.KOL_D1 = 30;
    p.KOL_D2 = 10;
    const FullCost c = kw::documents::prolongationFullCost(p, 1);
    EXPECT_DOUBLE_EQ(c.money, 1500.00);
    EXPECT_DOUBLE_EQ(c.percent, 228.125);
    // The second prolongation counts its own days: 400 + 100 over 10 days, 228.125 %.
    const FullCost d = kw::documents::prolongationFullCost(p, 2);
    EXPECT_DOUBLE_EQ(d.money, 500.00);
    EXPECT_DOUBLE_EQ(d.percent, 228.125);
}

TEST(FullCost, DayChargesOfAProlongationAreRoundedToKopecksFirst) {
    // A daily interest of 12.125 counts as 12.13 (the day charge of a prolongation): 10 days of
    // 2 425 at 0.5 % = 121.30, storage 0; on 2 425 over 10 days: 182.575 % a year.
    auto p = loan(0, 2425, 0.5, 0, 30);
    p.KOL_D1 = 10;
    const FullCost c = kw::documents::prolongationFullCost(p, 1);
    EXPECT_DOUBLE_EQ(c.money, 121.30);
    EXPECT_DOUBLE_EQ(c.percent, 182.575);
}

TEST(FullCost, NothingBeyondWhatIsReceivedCostsNothingAndNothingReceivedHasNoYearlyFigure) {
    const FullCost free = kw::documents::fullCost(1000, 0, 30);
    EXPECT_TRUE(free.defined);
    EXPECT_EQ(free.percent, 0);
    const FullCost none = kw::documents::fullCost(-200, 1200, 30);  // paid out negative
    EXPECT_FALSE(none.defined);
    EXPECT_EQ(kw::documents::percentText(none), "-");
    EXPECT_FALSE(kw::documents::fullCost(1000, 10, 0).defined);  // a term of no day
}

TEST(FullCost, ACostAboveTheLimitIsRefusedWithBothFiguresAndOneAtTheLimitPasses) {
    const FullCost a = kw::documents::fullCost(6500, 1500, 30);                     // 280.769
    EXPECT_EQ(kw::documents::costRefusal(a, CostLimit{}), "");                      // no row
    EXPECT_EQ(kw::documents::costRefusal(a, CostLimit{true, 0, false}), "");        // no limit
    EXPECT_EQ(kw::documents::costRefusal(a, CostLimit{true, 280.769, false}), "");  // at it
    const std::string no =
        kw::cp::toUtf8(kw::documents::costRefusal(a, CostLimit{true, 280.768, false}));
    EXPECT_EQ(
        no,
        "Полная стоимость займа 280.769 % годовых (1500.00 руб.) выше предела 280.768 % годовых. "
        "Займ не может быть выдан.");
    const FullCost none = kw::documents::fullCost(0, 10, 30);
    EXPECT_NE(kw::documents::costRefusal(none, CostLimit{true, 300, false}), "");
}

}  // namespace
