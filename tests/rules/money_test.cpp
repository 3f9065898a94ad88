// Money in whole kopecks on the pledge arithmetic: every amount that changes hands is
// whole kopecks and every total is the exact sum of its lines, checked against figures
// worked out by hand (a sum of doubles would leave 844.3899999999999 where the ticket
// says 844.39).
#include <gtest/gtest.h>

#include "rules/charge.h"
#include "rules/loan_calc.h"
#include "rules/pledge_events.h"

namespace {

using kw::dict::KbpRecord;
using kw::dict::ZalRecord;
using kw::pledges::PenaltyMemo;

constexpr int32_t kIssue = 82000;

// 1.2345 g at 1000: appraisal 1234.50, loan 80 % = 987.60 at 0.6 % a day, storage 0.1 %,
// 30 days: interest 177.768 -> 177.77, storage 37.035 -> 37.04, paid out 772.79.
ZalRecord smallLoan() {
    ZalRecord z;
    z.DATA = kIssue;
    z.KOL_D = 30;
    z.VEC = 1.2345;
    z.Z1G = 1000;
    z.PROZ_CC = 80;
    z.P_CC_D = 0.6;
    z.P_XR_D = 0.1;
    return z;
}

TEST(Kopecks, ANewLoanIsRoundedAndItsPaidOutLineIsTheLoanLessTheRoundedCharges) {
    ZalRecord z = smallLoan();
    kw::pledges::loan::netWeight(z);
    kw::pledges::loan::stoneAppraisal(z);
    kw::pledges::loan::appraisal(z);
    kw::pledges::loan::forward(z);
    EXPECT_EQ(z.S_OZEN, 1234.5);
    EXPECT_EQ(z.S_CCYD, 987.6);
    EXPECT_EQ(z.S_P_S, 177.77);
    EXPECT_EQ(z.S_P_X, 37.04);
    EXPECT_EQ(z.S_VID, 772.79);
    EXPECT_EQ(z.DATA_K, kIssue + 30);
    EXPECT_TRUE(kw::pledges::loan::amountsMatch(z));

    // Each input of the amounts, changed afterwards, makes them stale.
    for (auto change : std::initializer_list<void (*)(ZalRecord&)>{
             [](ZalRecord& r) { r.KOL_D = 60; }, [](ZalRecord& r) { r.DATA += 1; },
             [](ZalRecord& r) { r.S_OZEN = 1400; }, [](ZalRecord& r) { r.PROZ_CC = 70; },
             [](ZalRecord& r) { r.P_CC_D = 0.5; }, [](ZalRecord& r) { r.P_XR_D = 0.2; },
             [](ZalRecord& r) { r.S_VID = 772.8; }, [](ZalRecord& r) { r.S_P_S = 177.768; }}) {
        ZalRecord changed = z;
        change(changed);
        EXPECT_FALSE(kw::pledges::loan::amountsMatch(changed));
    }
}

TEST(Kopecks, TheReverseCalculationPaysOutExactlyTheAmountTyped) {
    // 5123.45 at 0.5 % for 30 days, storage 300: (300 + 5123.45) / 0.85 = 6380.529..
    // -> 6380.53; interest 957.0795 -> 957.08; 6380.53 - 957.08 - 300 = 5123.45.
    ZalRecord z;
    z.DATA = kIssue;
    z.KOL_D = 30;
    z.S_OZEN = 10000;
    z.P_CC_D = 0.5;
    z.P_XR_D = 0.1;
    z.S_VID = 5123.45;
    ASSERT_EQ(kw::pledges::loan::reverse(z), "");
    EXPECT_EQ(z.S_CCYD, 6380.53);
    EXPECT_EQ(z.S_P_S, 957.08);
    EXPECT_EQ(z.S_P_X, 300);
    EXPECT_EQ(z.S_VID, 5123.45);
    EXPECT_TRUE(kw::pledges::loan::amountsMatch(z));
    // At 1.7 % a day for 45 days (76.5 % of the loan goes in interest) every kopeck from
    // 1000.00 to 1002.00 is still paid out to the kopeck.
    for (int kopecks = 100000; kopecks <= 100200; ++kopecks) {
        ZalRecord r = z;
        r.KOL_D = 45;
        r.P_CC_D = 1.7;
        r.S_VID = kopecks / 100.0;
        ASSERT_EQ(kw::pledges::loan::reverse(r), "");
        EXPECT_EQ(r.S_VID, kopecks / 100.0);
        EXPECT_TRUE(kw::pledges::loan::amountsMatch(r)) << kopecks;
    }
}

TEST(Kopecks, EventTotalsAreTheExactSumsOfTheirLines) {
    ZalRecord z = smallLoan();
    z.S_OZEN = 1234.5;
    z.S_CCYD = 987.6;
    z.S_P_S = 177.77;
    z.S_P_X = 37.04;
    z.S_VID = 772.79;
    z.DATA_K = kIssue + 30;
    KbpRecord k;
    k.P0 = 2;
    k.P11 = 1;
    // Redeemed after 10 days: 5.9256 -> 5.93 x 10 = 59.30 interest, 1.2345 -> 1.23 x 10
    // = 12.30 storage, received 772.79 + 59.30 + 12.30 = 844.39.
    PenaltyMemo memo;
    ZalRecord w = z;
    (void)kw::pledges::redeem(w, k, kIssue + 10, memo);
    EXPECT_EQ(w.S_P_CW, 59.3);
    EXPECT_EQ(w.S_P_XW, 12.3);
    EXPECT_EQ(w.S_W, 844.39);
    // Prolonged 3 days late: penalty 3 x 11.85 (5.9256 x 2 = 11.8512) + 3 x 2.47
    // (2.469) = 35.55 + 7.41 = 42.96; interest 30 x 5.93 = 177.90, storage 30 x 1.23 =
    // 36.90; received 42.96 + 177.90 + 36.90 = 257.76.
    ZalRecord p = z;
    p.KOL_D1 = 30;
    (void)kw::pledges::prolong(1, p, k, kIssue + 33, memo);
    EXPECT_EQ(p.S_ST1, 42.96);
    EXPECT_EQ(p.S_P_C1, 177.9);
    EXPECT_EQ(p.S_P_X1, 36.9);
    EXPECT_EQ(p.S_POL1, 257.76);
    // Sold after that prolongation: interest 177.77 + 177.90 = 355.67, storage 37.04 +
    // 36.90 = 73.94, penalties 42.96; price 987.60 - 42.96 - 355.67 - 73.94 = 515.03.
    (void)kw::pledges::sell(p, kIssue + 100);
    EXPECT_EQ(p.S_P_CR, 355.67);
    EXPECT_EQ(p.S_P_XR, 73.94);
    EXPECT_EQ(p.S_STR, 42.96);
    EXPECT_EQ(p.S_R, 515.03);
    // When the collected amounts take the whole loan the appraisal is the price, in
    // kopecks: 1234.5678 -> 1234.57.
    ZalRecord s = z;
    s.S_OZEN = 1234.5678;
    s.S_P_C1 = 1000;
    (void)kw::pledges::sell(s, kIssue + 100);
    EXPECT_EQ(s.S_R, 1234.57);
}

}  // namespace
