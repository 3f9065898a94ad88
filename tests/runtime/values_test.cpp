#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <thread>
#include <type_traits>

#include "runtime/codepage.h"
#include "runtime/decimal.h"
#include "runtime/fixed_string.h"
#include "runtime/proc_thread.h"

namespace kw {
namespace {

TEST(FixedString, PadsTruncatesAndClips) {
    static_assert(sizeof(FixedString<10>) == 10 && alignof(FixedString<10>) == 1);
    static_assert(std::is_trivially_copyable_v<FixedString<10>>);
    FixedString<10> s;
    EXPECT_EQ(s.view(), std::string(10, ' '));
    EXPECT_TRUE(s.blank());
    s = W("Иванов");
    EXPECT_EQ(s.str(), W("Иванов    "));
    EXPECT_EQ(s.clip(), W("Иванов"));
    EXPECT_FALSE(s.blank());
    s = "0123456789ABC";  // cut to the width
    EXPECT_EQ(s.str(), "0123456789");
    s.assign("  a  ");
    EXPECT_EQ(s.clip(), "  a");  // leading blanks stay
    s.clear();
    EXPECT_TRUE(s.blank());
    FixedString<3> t("xy");
    EXPECT_EQ(std::memcmp(t.data, "xy ", 3), 0);
    EXPECT_EQ(clip(t), "xy");
    EXPECT_EQ(clip(std::string_view("ab   ")), "ab");
    EXPECT_EQ(clip(std::string_view("    ")), "");
}

TEST(FixedString, ComparesWithoutTrailingBlanks) {
    FixedString<10> a("abc");
    FixedString<5> b("abc  ");
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a == "abc");
    EXPECT_TRUE(a == "abc   ");
    EXPECT_FALSE(a == "ab");
    EXPECT_FALSE(a == " abc");
    // A record area of zero bytes (never cleared) counts as blank too.
    FixedString<4> z;
    std::memset(z.data, 0, 4);
    EXPECT_TRUE(z.blank());
}

TEST(Decimal, PackedLayout) {
    using D = Decimal<3, 0>;
    static_assert(sizeof(D) == 3 && alignof(D) == 1);
    static_assert(std::is_trivially_copyable_v<D>);
    D d;
    EXPECT_EQ(d.bytes[0], 0x00);
    EXPECT_EQ(d.bytes[2], 0x0C);
    d = 12345;
    EXPECT_EQ(d.bytes[0], 0x12);
    EXPECT_EQ(d.bytes[1], 0x34);
    EXPECT_EQ(d.bytes[2], 0x5C);
    EXPECT_EQ(static_cast<double>(d), 12345);
    d = -7;
    EXPECT_EQ(d.bytes[0], 0x00);
    EXPECT_EQ(d.bytes[1], 0x00);
    EXPECT_EQ(d.bytes[2], 0x7D);
    EXPECT_EQ(d.toDouble(), -7);
    EXPECT_TRUE(d.negative());
}

TEST(Decimal, ReadsWhatADataFileHolds) {
    Decimal<3, 0> d;
    const unsigned char zero[3] = {0, 0, 0};  // a cleared record
    std::memcpy(d.bytes, zero, 3);
    EXPECT_EQ(d.toDouble(), 0);
    const unsigned char thirty[3] = {0x00, 0x03, 0x0F};  // unsigned sign nibble
    std::memcpy(d.bytes, thirty, 3);
    EXPECT_EQ(d.toDouble(), 30);
    const unsigned char minus[3] = {0x00, 0x03, 0x0B};  // alternative minus
    std::memcpy(d.bytes, minus, 3);
    EXPECT_EQ(d.toDouble(), -30);
    const unsigned char bad[3] = {0xA0, 0x03, 0x0C};  // not a digit
    std::memcpy(d.bytes, bad, 3);
    EXPECT_FALSE(d.valid());
    EXPECT_EQ(d.toDouble(), 0);
}

TEST(Decimal, RoundingAndLimits) {
    Decimal<3, 0> d;
    EXPECT_TRUE(d.assign(30.5));
    EXPECT_EQ(d.toDouble(), 31);
    EXPECT_TRUE(d.assign(99999));
    EXPECT_EQ(d.toDouble(), 99999);
    EXPECT_FALSE(d.assign(100000));  // six digits: the largest that fits is kept
    EXPECT_EQ(d.toDouble(), 99999);
    EXPECT_FALSE(d.assign(-123456));
    EXPECT_EQ(d.toDouble(), -99999);
    EXPECT_FALSE(d.assign(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(d.toDouble(), 0);
    EXPECT_TRUE(d.assign(-0.2));  // rounds to zero: stored without a minus
    EXPECT_FALSE(d.negative());

    Decimal<4, 2> money;
    EXPECT_EQ((Decimal<4, 2>::maxValue()), 99999.99);
    money = 1.005;
    EXPECT_EQ(money.toDouble(), 1.01);
    money = -12.125;
    EXPECT_EQ(money.toDouble(), -12.13);
    EXPECT_EQ(money.bytes[0], 0x00);
    EXPECT_EQ(money.bytes[1], 0x01);
    EXPECT_EQ(money.bytes[2], 0x21);
    EXPECT_EQ(money.bytes[3], 0x3D);
}

TEST(ProcedureThread, NumberPerThreadDefaultOne) {
    EXPECT_EQ(proc::currentThread(), 1);
    int seen = 0, inner = 0;
    std::thread t([&] {
        seen = proc::currentThread();
        proc::setCurrentThread(5);
        inner = proc::currentThread();
    });
    t.join();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(inner, 5);
    EXPECT_EQ(proc::currentThread(), 1);  // the other thread's number stays its own
}

}  // namespace
}  // namespace kw
