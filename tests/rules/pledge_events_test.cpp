// The arithmetic of prolongation, redemption and sale on pledge records, against the
// worked examples and edge cases, each figure worked out by hand in the comments.
#include "rules/pledge_events.h"

#include <gtest/gtest.h>

#include "rules/charge.h"

namespace {

using kw::dict::KbpRecord;
using kw::dict::ZalRecord;
using kw::pledges::PenaltyMemo;

constexpr int32_t kIssue = 82000;

// The worked example's pledge: loan 8000 of an appraisal 10000 at 0.5 % and 0.1 % a
// day for 30 days, paid out 6500.
ZalRecord example(double loan = 8000) {
    ZalRecord z;
    z.N_KV = 1;
    z.DATA = kIssue;
    z.KOL_D = 30;
    z.DATA_K = kIssue + 30;
    z.S_OZEN = 10000;
    z.VEC = z.VEC_CH = 10;
    z.Z1G = 1000;
    z.S_CCYD = loan;
    z.PROZ_CC = 80;
    z.P_CC_D = 0.5;
    z.P_XR_D = 0.1;
    z.S_P_S = 1200;
    z.S_P_X = 300;
    z.S_VID = 6500;
    return z;
}

KbpRecord settings() {
    KbpRecord k;
    k.P0 = 2;
    k.P1 = 3;
    k.P2 = 4;
    k.P3 = 5;
    k.P11 = 1;
    k.P22 = 1.5;
    k.P33 = 2;
    k.SW = 5000;
    k.SD = 10;
    k.KDZ = 30;
    k.PRO_S = 80;
    k.PDX = 0.1;
    return k;
}

TEST(Charge, TheDailyAmountIsRoundedToKopecksBeforeTheDaysMultiplyIt) {
    ZalRecord z;
    z.S_CCYD = 2425;  // 2425 x 0.5 % = 12.125 a day
    z.P_CC_D = 0.5;
    EXPECT_DOUBLE_EQ(kw::pledges::interest(z, 10, 1), 121.30) << "12.13 x 10, not 121.25";
    EXPECT_DOUBLE_EQ(kw::pledges::interest(z, 1, 1), 12.13);
    z.S_OZEN = 1005;  // 1005 x 0.1 % = 1.005 a day: 1.01 as a person rounds it
    z.P_XR_D = 0.1;
    EXPECT_DOUBLE_EQ(kw::pledges::storage(z, 3, 1), 3.03);
    EXPECT_DOUBLE_EQ(kw::pledges::storage(z, 0, 1), 0);
    z.S_CCYD = 8000;
    EXPECT_DOUBLE_EQ(kw::pledges::interest(z, 3, 2), 240) << "80 a day with the coefficient 2";
}

TEST(Prolongation, WorkedExampleThreeDaysLateReceives1800) {
    ZalRecord z = example();
    z.KOL_D1 = 30;
    PenaltyMemo memo;
    const auto d = kw::pledges::prolong(1, z, settings(), kIssue + 33, memo);
    EXPECT_EQ(z.DATA_PR1, kIssue + 33);
    EXPECT_EQ(z.DATA_P11, kIssue + 33);
    EXPECT_EQ(z.DATA_P12, kIssue + 63);
    EXPECT_EQ(d.overdue, 3);
    EXPECT_EQ(d.charged, 30);
    EXPECT_DOUBLE_EQ(z.S_ST1, 300) << "80 x 3 + 20 x 3";
    EXPECT_DOUBLE_EQ(z.S_P_C1, 1200);
    EXPECT_DOUBLE_EQ(z.S_P_X1, 300);
    EXPECT_DOUBLE_EQ(z.S_POL1, 1800);
}

TEST(Prolongation, TheEarlyReturnRuleOfTheFirstStage) {
    struct Case {
        double loan;
        int after;
        int days;
    };
    // SW 5000, SD 10, term 30
    for (const Case c :
         {Case{4000, 4, 10}, Case{4000, 12, 30}, Case{6000, 12, 12}, Case{4000, 0, 10},
          Case{4000, 10, 10}, Case{4000, 11, 30}, Case{5000, 3, 10}}) {
        SCOPED_TRACE(testing::Message() << c.loan << " after " << c.after);
        ZalRecord z = example(c.loan);
        PenaltyMemo memo;
        const auto d = kw::pledges::prolong(1, z, settings(), kIssue + c.after, memo);
        EXPECT_EQ(d.charged, c.days);
        EXPECT_DOUBLE_EQ(z.S_P_C1, c.loan * 0.005 * c.days);
        EXPECT_DOUBLE_EQ(z.S_ST1, 0);
    }
}

TEST(Prolongation, OnTheDayOfIssueALargeLoanPaysNothingAndOnTheEndDateTheWholeTerm) {
    ZalRecord z = example();
    PenaltyMemo memo;
    auto d = kw::pledges::prolong(1, z, settings(), kIssue, memo);
    EXPECT_EQ(d.charged, 0);
    EXPECT_DOUBLE_EQ(z.S_POL1, 0);

    z = example();
    d = kw::pledges::prolong(1, z, settings(), kIssue + 30, memo);
    EXPECT_EQ(d.overdue, 0);
    EXPECT_EQ(d.charged, 30);
    EXPECT_DOUBLE_EQ(z.S_ST1, 0);
    EXPECT_DOUBLE_EQ(z.S_POL1, 1500);
}

TEST(Prolongation, ACorrectedDateIsChargedAfreshAndTakesTheFormsPenaltyBack) {
    ZalRecord z = example();
    PenaltyMemo memo;
    z.DATA_PR1 = kIssue + 33;  // typed: three days late
    (void)kw::pledges::prolong(1, z, settings(), kIssue + 33, memo);
    EXPECT_DOUBLE_EQ(z.S_ST1, 300);
    z.DATA_PR1 = kIssue + 20;  // corrected: before the end of the term
    auto d = kw::pledges::prolong(1, z, settings(), kIssue + 33, memo);
    EXPECT_EQ(d.charged, 20);
    EXPECT_DOUBLE_EQ(z.S_ST1, 0) << "not late any more";
    EXPECT_DOUBLE_EQ(z.S_POL1, 1000) << "20 x 40 + 20 x 10";
    z.DATA_PR1 = kIssue - 1;  // before the issue: nothing, not the 20 days of before
    d = kw::pledges::prolong(1, z, settings(), kIssue + 33, memo);
    EXPECT_EQ(d.charged, 0);
    EXPECT_DOUBLE_EQ(z.S_POL1, 0);

    z.S_ST1 = 123;  // typed by the operator: it stays
    d = kw::pledges::prolong(1, z, settings(), kIssue + 33, memo);
    EXPECT_DOUBLE_EQ(z.S_ST1, 123);
    EXPECT_DOUBLE_EQ(z.S_POL1, 123);
}

TEST(Prolongation, LaterStagesChargeTheDaysUsedOfThePreviousPeriodCappedAtItsLength) {
    ZalRecord z = example();
    z.SOST = 1;
    z.DATA_PR1 = z.DATA_P11 = kIssue + 30;
    z.KOL_D1 = 20;
    z.DATA_P12 = kIssue + 50;
    const KbpRecord k = settings();  // P22 1.5: 60 and 15 a day; P1 3: 120 and 30 a day
    PenaltyMemo memo;
    ZalRecord s = z;
    auto d = kw::pledges::prolong(2, s, k, kIssue + 30, memo);
    EXPECT_EQ(d.charged, 0) << "on the first day of the 1st prolongation";
    EXPECT_DOUBLE_EQ(s.S_POL2, 0);
    s = z;
    d = kw::pledges::prolong(2, s, k, kIssue + 37, memo);
    EXPECT_EQ(d.charged, 7);
    EXPECT_DOUBLE_EQ(s.S_P_C2, 420);
    EXPECT_DOUBLE_EQ(s.S_P_X2, 105);
    s = z;
    s.KOL_D2 = 15;
    d = kw::pledges::prolong(2, s, k, kIssue + 54, memo);
    EXPECT_EQ(d.charged, 20) << "capped at the period";
    EXPECT_EQ(d.overdue, 4);
    EXPECT_EQ(s.DATA_P22, kIssue + 69);
    EXPECT_DOUBLE_EQ(s.S_ST2, 600) << "4 x 120 + 4 x 30";
    EXPECT_DOUBLE_EQ(s.S_POL2, 20 * 75 + 600);
    s = z;
    d = kw::pledges::prolong(2, s, k, kIssue + 25, memo);
    EXPECT_EQ(d.charged, 0) << "before the start of the period";
}

TEST(Redemption, WorkedExamplesAfterTenDaysAndFiveDaysLate) {
    ZalRecord z = example();
    PenaltyMemo memo;
    auto d = kw::pledges::redeem(z, settings(), kIssue + 10, memo);
    EXPECT_EQ(d.charged, 10);
    EXPECT_DOUBLE_EQ(z.S_P_CW, 400);
    EXPECT_DOUBLE_EQ(z.S_P_XW, 100);
    EXPECT_DOUBLE_EQ(z.S_W, 7000);
    z = example();
    d = kw::pledges::redeem(z, settings(), kIssue + 35, memo);
    EXPECT_EQ(d.charged, 30);
    EXPECT_EQ(d.overdue, 5);
    EXPECT_DOUBLE_EQ(z.S_STW, 500);
    EXPECT_DOUBLE_EQ(z.S_W, 8500);
}

TEST(Redemption, TheEarlyRedemptionRuleAndAtLeastOneDay) {
    struct Case {
        double loan;
        int after;
        int days;
    };
    for (const Case c : {Case{4000, 3, 10}, Case{4000, 11, 11}, Case{4000, 0, 10}, Case{8000, 0, 1},
                         Case{8000, -5, 1}}) {
        SCOPED_TRACE(testing::Message() << c.loan << " after " << c.after);
        ZalRecord z = example(c.loan);
        PenaltyMemo memo;
        EXPECT_EQ(kw::pledges::redeem(z, settings(), kIssue + c.after, memo).charged, c.days);
    }
}

TEST(Redemption, AfterProlongationsTheLatestPeriodIsCharged) {
    ZalRecord z = example();
    z.DATA_P11 = kIssue + 30;
    z.DATA_P12 = kIssue + 60;
    PenaltyMemo memo;
    ZalRecord b = z;
    auto d = kw::pledges::redeem(b, settings(), kIssue + 60, memo);
    EXPECT_EQ(d.charged, 30) << "on the end date: the whole period";
    EXPECT_DOUBLE_EQ(b.S_STW, 0);
    EXPECT_DOUBLE_EQ(b.S_W, 6500 + 1500);
    b = z;
    d = kw::pledges::redeem(b, settings(), kIssue + 30, memo);
    EXPECT_EQ(d.charged, 0) << "the first day of the prolongation costs nothing";
    EXPECT_DOUBLE_EQ(b.S_W, 6500);
    b = z;
    d = kw::pledges::redeem(b, settings(), kIssue + 62, memo);
    EXPECT_DOUBLE_EQ(b.S_STW, 2 * 120 + 2 * 30) << "P1 = 3";

    // A third period of no days, redeemed on its start: only what was paid out.
    z.DATA_P21 = kIssue + 60;
    z.DATA_P22 = kIssue + 90;
    z.DATA_P31 = z.DATA_P32 = kIssue + 90;
    d = kw::pledges::redeem(z, settings(), kIssue + 90, memo);
    EXPECT_EQ(d.charged, 0);
    EXPECT_DOUBLE_EQ(z.S_W, 6500);
}

TEST(Redemption, AProlongationEndingBeforeTheTermIsStillTheCurrentPeriod) {
    // No case of the rules fits (the prolongation ends before the term does): the
    // client uses the prolongation all the same and pays for it.
    ZalRecord z = example();
    z.DATA_P11 = kIssue + 5;
    z.DATA_P12 = kIssue + 25;
    PenaltyMemo memo;
    const auto d = kw::pledges::redeem(z, settings(), kIssue + 15, memo);
    EXPECT_EQ(d.charged, 10);
    EXPECT_DOUBLE_EQ(z.S_W, 6500 + 500);
}

TEST(Sale, WorkedExamples) {
    ZalRecord z = example();
    z.S_P_C1 = 1200;
    z.S_P_X1 = 300;
    z.S_ST1 = 300;
    z.DATA_P12 = kIssue + 60;
    auto d = kw::pledges::sell(z, kIssue + 95);
    EXPECT_DOUBLE_EQ(z.S_P_CR, 2400);
    EXPECT_DOUBLE_EQ(z.S_P_XR, 600);
    EXPECT_DOUBLE_EQ(z.S_STR, 300);
    EXPECT_DOUBLE_EQ(z.S_R, 4700);
    EXPECT_EQ(d.overdue, 35);
    z = example();
    d = kw::pledges::sell(z, kIssue + 61);
    EXPECT_DOUBLE_EQ(z.S_R, 6500);
    EXPECT_EQ(d.overdue, 31);
    z = example();
    z.S_P_C1 = 6500;  // everything collected
    (void)kw::pledges::sell(z, kIssue + 61);
    EXPECT_DOUBLE_EQ(z.S_R, 10000) << "the appraisal";
    z = example();
    z.S_P_C1 = 6000;
    z.S_P_X1 = 500;  // exactly the loan: 0 left
    (void)kw::pledges::sell(z, kIssue + 61);
    EXPECT_DOUBLE_EQ(z.S_R, 10000);
}

}  // namespace
