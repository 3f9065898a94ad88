#include "runtime/real.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kw::real {
namespace {

TEST(RealComparison, ZeroBelowTwoToTheMinus50) {
    EXPECT_TRUE(isZero(0.0));
    EXPECT_TRUE(isZero(std::ldexp(1.0, -51)));
    EXPECT_TRUE(isZero(-std::ldexp(1.0, -51)));
    EXPECT_TRUE(isZero(std::ldexp(1.9, -51)));
    EXPECT_FALSE(isZero(std::ldexp(1.0, -50)));
    EXPECT_FALSE(isZero(-std::ldexp(1.0, -50)));
    EXPECT_FALSE(isZero(0.01));
}

TEST(RealComparison, DifferenceMoreThan50BinaryPlacesBelowTheOperand) {
    EXPECT_TRUE(equal(1.0, 1.0 + std::ldexp(1.0, -51)));
    EXPECT_FALSE(equal(1.0, 1.0 + std::ldexp(1.0, -50)));
    // The rule scales with the operands: around 1024 (exponent 10) the limit is 2^-40.
    EXPECT_TRUE(equal(1024.0, 1024.0 + std::ldexp(1.0, -41)));
    EXPECT_FALSE(equal(1024.0, 1024.0 + std::ldexp(1.0, -40)));
    // Either operand may carry the large exponent.
    EXPECT_TRUE(equal(1024.0 + std::ldexp(1.0, -41), 1024.0));
    // A zero operand counts with the exponent of 1, whatever the other one is.
    EXPECT_FALSE(equal(0.0, std::ldexp(1.0, -50)));
    EXPECT_TRUE(equal(std::ldexp(1.0, -51), 0.0));
    // Small values compare by their own exponents.
    EXPECT_FALSE(equal(std::ldexp(1.0, -60), std::ldexp(1.5, -60)));
}

TEST(RealComparison, ArithmeticResiduesCountAsEqual) {
    EXPECT_NE(0.1 + 0.2, 0.3);
    EXPECT_TRUE(equal(0.1 + 0.2, 0.3));
    EXPECT_TRUE(isZero(0.1 + 0.2 - 0.3));
    EXPECT_FALSE(equal(100.0, 100.01));
}

TEST(RealComparison, NonFiniteValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(equal(inf, inf));
    EXPECT_FALSE(equal(inf, 1e308));
    EXPECT_FALSE(equal(nan, nan));
    EXPECT_FALSE(isZero(nan));
}

TEST(RealRounding, HalfAwayFromZeroInDecimal) {
    EXPECT_EQ(round(12.125), 12.13);
    EXPECT_EQ(round(1.005), 1.01);
    EXPECT_EQ(round(2.675), 2.68);
    EXPECT_EQ(round(-12.125), -12.13);
    EXPECT_EQ(round(-1.005), -1.01);
    EXPECT_EQ(round(0.005), 0.01);
    EXPECT_EQ(round(0.0049), 0.0);
    EXPECT_EQ(round(12.124999), 12.12);
    EXPECT_EQ(round(9.995), 10.0);
    EXPECT_EQ(round(-9.995), -10.0);
    EXPECT_EQ(round(12.1), 12.1);
    EXPECT_EQ(round(0.0), 0.0);
}

TEST(RealRounding, OtherPlaces) {
    EXPECT_EQ(round(2.5, 0), 3.0);
    EXPECT_EQ(round(-2.5, 0), -3.0);
    EXPECT_EQ(round(1.0005, 3), 1.001);
    EXPECT_EQ(round(1234.0, -2), 1200.0);
    EXPECT_EQ(round(1250.0, -2), 1300.0);
    EXPECT_EQ(round(1e20, 2), 1e20);
    EXPECT_TRUE(std::isnan(round(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_FALSE(std::signbit(round(-0.001)));  // no negative zero
}

}  // namespace
}  // namespace kw::real
