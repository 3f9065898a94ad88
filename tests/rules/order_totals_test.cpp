// The money events of pledges in a period, each figure worked out by hand in the
// comments.
#include "rules/order_totals.h"

#include <gtest/gtest.h>

namespace {

using kw::dict::ZalRecord;
using kw::documents::OrderTotals;

constexpr int32_t kFrom = 82140, kTo = 82169;  // a period of 30 days, both included

TEST(OrderTotals, EachEventCountsOnItsOwnDateWithBothEndsOfThePeriodIncluded) {
    // Issued the day before the period, prolonged on its first day and redeemed on its
    // last: no issue line, the prolongation and the redemption.
    ZalRecord a;
    a.DATA = kFrom - 1;
    a.S_CCYD = 8000;
    a.S_VID = 6500;
    a.DATA_PR1 = kFrom;
    a.S_P_C1 = 1200;
    a.S_P_X1 = 300;
    a.S_ST1 = 50;
    a.DATA_PRW = kTo;
    a.S_P_CW = 400;
    a.S_P_XW = 100;
    a.S_STW = 25;
    a.S_W = 7025;
    // Issued in the period, prolonged (stage 1) the day after it: the issue only.
    ZalRecord b;
    b.DATA = kFrom + 5;
    b.S_CCYD = 1000;
    b.S_OZEN = 1250;
    b.S_P_S = 150;
    b.S_P_X = 37.5;
    b.S_VID = 812.5;
    b.DATA_PR1 = kTo + 1;
    b.S_P_C1 = 99;
    // Deleted: nowhere.
    ZalRecord c = b;
    c.SOST = 6;

    EXPECT_TRUE(kw::documents::hasEventInPeriod(a, kFrom, kTo));
    EXPECT_FALSE(kw::documents::hasEventInPeriod(c, kFrom, kTo));
    OrderTotals t;
    // Profit of a: 1 200 + 300 + 50 at the prolongation, 7 025 - 6 500 at the redemption.
    EXPECT_DOUBLE_EQ(t.add(a, kFrom, kTo), 2075);
    EXPECT_DOUBLE_EQ(t.add(b, kFrom, kTo), 0);
    EXPECT_DOUBLE_EQ(t.add(c, kFrom, kTo), 0);
    t.finish();
    EXPECT_EQ(t.T_CC_K, 1);
    EXPECT_DOUBLE_EQ(t.T_CC_S, 1000);
    EXPECT_DOUBLE_EQ(t.T_OZ_S, 1250);
    EXPECT_DOUBLE_EQ(t.T_VID, 812.5);
    EXPECT_DOUBLE_EQ(t.T_PP_I, 187.5);  // 150 + 37.50
    EXPECT_DOUBLE_EQ(t.T_PER_1, 1500);
    EXPECT_DOUBLE_EQ(t.T_ST1, 50);
    EXPECT_DOUBLE_EQ(t.SS_PER, 1550);
    EXPECT_DOUBLE_EQ(t.T_W_W, 7025);
    EXPECT_DOUBLE_EQ(t.SS_WW, 8575);  // 1 550 + 7 025
    EXPECT_DOUBLE_EQ(t.T_PRIB, 2075);
}

}  // namespace
