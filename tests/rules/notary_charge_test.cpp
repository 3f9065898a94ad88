// The notary's charge on a sale price, each figure worked out by hand in the comments.
#include "rules/notary_charge.h"

#include <gtest/gtest.h>

namespace {

TEST(NotaryCharge, RoundsToTheNearestKopeckWithHalfAKopeckUp) {
    using kw::documents::notaryCharge;
    EXPECT_DOUBLE_EQ(notaryCharge(1001, 1.5), 15.02);     // 15.015
    EXPECT_DOUBLE_EQ(notaryCharge(1000.30, 1.5), 15.00);  // 15.0045
    EXPECT_DOUBLE_EQ(notaryCharge(1423.95, 1.5), 21.36);  // 21.35925
    EXPECT_DOUBLE_EQ(notaryCharge(1003, 2.5), 25.08);     // 25.075
    EXPECT_DOUBLE_EQ(notaryCharge(0, 1.5), 0);
}

}  // namespace
