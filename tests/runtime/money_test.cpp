// Money in whole kopecks: rounding half away from zero on the decimal figure, and sums
// that are exact in kopecks where sums of doubles are not.
#include "runtime/money.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Money, RoundsHalfAwayFromZeroOnTheDecimalFigure) {
    EXPECT_EQ(kw::money::kopecks(37.035), 3704) << "binary 37.03499.. but a person sees 37.035";
    EXPECT_EQ(kw::money::kopecks(1.005), 101);
    EXPECT_EQ(kw::money::kopecks(-1.005), -101) << "away from zero";
    EXPECT_EQ(kw::money::kopecks(177.768), 17777);
    EXPECT_EQ(kw::money::kopecks(0.004), 0);
    EXPECT_EQ(kw::money::round(554901.228), 554901.23);
    EXPECT_EQ(kw::money::kopecks(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(kw::money::kopecks(std::numeric_limits<double>::infinity()), 0);
}

TEST(Money, SumsAndDifferencesAreExactInKopecks) {
    EXPECT_EQ(kw::money::add(0.1, 0.2), 0.3) << "0.1 + 0.2 is 0.30000000000000004 in doubles";
    EXPECT_EQ(kw::money::add(kw::money::add(772.79, 59.3), 12.3), 844.39);
    EXPECT_EQ(kw::money::sub(987.6, 177.77), 809.83);
    EXPECT_EQ(kw::money::sub(100, 100.004), 0);
}
