#include "runtime/date.h"

#include <gtest/gtest.h>

#include "runtime/clock.h"

namespace kw::date {
namespace {

TEST(DayNumbers, AnchorsOfTheCalendar) {
    EXPECT_EQ(fromYmd(1801, 1, 1), 4);
    EXPECT_EQ(fromYmd(2000, 1, 1), 72687);
    const Ymd d4 = toYmd(4);
    EXPECT_EQ(d4.year, 1801);
    EXPECT_EQ(d4.month, 1);
    EXPECT_EQ(d4.day, 1);
    const Ymd y2k = toYmd(72687);
    EXPECT_EQ(y2k.year, 2000);
    EXPECT_EQ(y2k.month, 1);
    EXPECT_EQ(y2k.day, 1);
    // Day 0 is 28.12.1800: outside the years a date may have, so it means "no date".
    EXPECT_EQ(fromYmd(1800, 12, 28), 0);
    EXPECT_EQ(toYmd(0).year, 0);
    EXPECT_EQ(toYmd(3).year, 0);
}

TEST(DayNumbers, GregorianLeapYears) {
    EXPECT_FALSE(isLeap(1900));
    EXPECT_TRUE(isLeap(2000));
    EXPECT_TRUE(isLeap(2024));
    EXPECT_FALSE(isLeap(2023));
    EXPECT_FALSE(valid(1900, 2, 29));
    EXPECT_EQ(fromYmd(1900, 2, 29), 0);
    EXPECT_TRUE(valid(2000, 2, 29));
    EXPECT_EQ(fromYmd(2000, 3, 1) - fromYmd(2000, 2, 28), 2);
    EXPECT_EQ(fromYmd(1900, 3, 1) - fromYmd(1900, 2, 28), 1);
    EXPECT_EQ(daysInMonth(2021, 4), 30);
    EXPECT_EQ(daysInMonth(2021, 13), 0);
}

TEST(DayNumbers, InvalidDatesGiveZero) {
    EXPECT_EQ(fromYmd(2020, 2, 31), 0);
    EXPECT_EQ(fromYmd(2020, 4, 31), 0);
    EXPECT_EQ(fromYmd(2020, 0, 1), 0);
    EXPECT_EQ(fromYmd(2020, 1, 0), 0);
    EXPECT_EQ(fromYmd(1800, 12, 31), 0);
    EXPECT_EQ(fromYmd(10000, 1, 1), 0);
    EXPECT_NE(fromYmd(9999, 12, 31), 0);
    EXPECT_EQ(toYmd(fromYmd(9999, 12, 31) + 1).year, 0);
    EXPECT_EQ(toYmd(-5).year, 0);
}

// Every day from 1.1.1801 to 31.12.9999, in order: the numbers are consecutive and
// convert back to the same date.
TEST(DayNumbers, RoundTripOverTheWholeRange) {
    int32_t expected = kFirstDay;
    for (int y = 1801; y <= 9999; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= daysInMonth(y, m); ++d) {
                const int32_t n = fromYmd(y, m, d);
                ASSERT_EQ(n, expected) << d << "." << m << "." << y;
                const Ymd back = toYmd(n);
                ASSERT_TRUE(back.year == y && back.month == m && back.day == d) << n;
                ++expected;
            }
}

TEST(Clock, TodayCanBeFixedAndReleased) {
    clock::setToday(fromYmd(2021, 6, 15));
    EXPECT_EQ(clock::today(), fromYmd(2021, 6, 15));
    clock::setToday(0);
    const Ymd now = toYmd(clock::today());
    EXPECT_GE(now.year, 2024);  // the local clock again
    const int32_t t = clock::clockTime();
    EXPECT_GE(t, 1);
    EXPECT_LE(t, 24 * 60 * 60 * 100);
}

}  // namespace
}  // namespace kw::date
