#include "runtime/binding.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <thread>

#include "runtime/codepage.h"

namespace {

using kw::picture::parse;
using kw::picture::ParseResult;
using kw::ui::Binding;
using kw::ui::Value;
using kw::ui::ValueType;

#pragma pack(push, 1)
struct PackedRecord {
    uint8_t flag;
    double sum;  // at offset 1: unaligned
    int32_t day;
    unsigned char kdz[3];  // DECIMAL(5,0)
    char name[10];
};
#pragma pack(pop)
static_assert(offsetof(PackedRecord, sum) == 1);

thread_local PackedRecord PRC{};
void* prcBuffer() {
    return &PRC;
}

Binding sumField() {
    return Binding::field(prcBuffer, offsetof(PackedRecord, sum), ValueType::Real, 8)
        .named("PRC:SUM");
}

TEST(Binding, RecordFieldsAreReachedThroughTheCallingThreadsBuffer) {
    Binding sum = sumField();
    ASSERT_TRUE(sum.set(Value(1234.5)));
    double other = -1;
    std::thread([&] {
        other = sum.get().number;  // a fresh buffer on that thread
        sum.set(Value(7.0));
    }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(sum.get().number, 1234.5);
    double raw;
    std::memcpy(&raw, reinterpret_cast<const char*>(&PRC) + 1, sizeof raw);
    EXPECT_EQ(raw, 1234.5);
    EXPECT_EQ(sum.text(parse("n_10.2")), "1234.50");
    EXPECT_EQ(sum.text(parse("n10.2")), "1 234.50");
    EXPECT_TRUE(sum.hasName("prc.sum"));
    EXPECT_FALSE(sum.hasName("PRC:SUMX"));
}

TEST(Binding, NumbersOutsideTheVariablesRangeAreRefused) {
    uint8_t code = 5;
    Binding b = Binding::of(code);
    EXPECT_EQ(b.setText("300", parse("n3")), ParseResult::TooWide);
    EXPECT_EQ(code, 5);
    EXPECT_EQ(b.setText("-1", parse("n-3")), ParseResult::TooWide);
    EXPECT_EQ(b.setText("-1", parse("n3")), ParseResult::BadText);
    EXPECT_EQ(b.setText("x1", parse("n3")), ParseResult::BadText);
    EXPECT_EQ(code, 5);
    EXPECT_EQ(b.setText("255", parse("n3")), ParseResult::Ok);
    EXPECT_EQ(code, 255);
    EXPECT_EQ(b.setText("", parse("n3")), ParseResult::Empty);
    EXPECT_EQ(code, 0);
}

TEST(Binding, TextsArePaddedAndMayNotOverflowTheirField) {
    kw::FixedString<6> s;
    Binding b = Binding::of(s);
    EXPECT_EQ(b.setText(kw::W("Ёлка"), parse("s6")), ParseResult::Ok);
    EXPECT_EQ(s.str(), kw::W("Ёлка  "));
    EXPECT_EQ(b.text(parse("s6")), kw::W("Ёлка"));
    EXPECT_NE(b.setText("1234567", parse("s10")),
              ParseResult::Ok);  // fits the picture, not the field
    EXPECT_EQ(s.str(), kw::W("Ёлка  "));

    char c[5];
    std::memcpy(c, "ab\0zz", 5);
    Binding cs = Binding::at(c, ValueType::CString, 5);
    EXPECT_EQ(cs.get().text, "ab");
    EXPECT_TRUE(cs.set(Value("wxyz")));
    EXPECT_FALSE(cs.set(Value("vwxyz")));  // no room for the terminator
    EXPECT_EQ(std::string(c), "wxyz");
}

TEST(Binding, UnchangedValuesAreNotRewritten) {
    // A cleared DECIMAL is all zero bytes; taking 0 back must leave it so, or a form
    // would find its record changed when nothing was typed.
    Binding kdz = Binding::field(prcBuffer, offsetof(PackedRecord, kdz), ValueType::Decimal, 3, 0);
    std::memset(PRC.kdz, 0, 3);
    EXPECT_EQ(kdz.setText("0", parse("n_4b")), ParseResult::Ok);
    EXPECT_EQ(PRC.kdz[2], 0);
    EXPECT_EQ(kdz.setText("123", parse("n_4b")), ParseResult::Ok);
    EXPECT_EQ(PRC.kdz[0], 0x00);
    EXPECT_EQ(PRC.kdz[1], 0x12);
    EXPECT_EQ(PRC.kdz[2], 0x3C);
    EXPECT_EQ(kdz.get().number, 123);
    EXPECT_EQ(kdz.setText("123456", parse("n_7")), ParseResult::TooWide);  // 5 digits only
    EXPECT_EQ(kdz.get().number, 123);
}

TEST(Binding, ValuesFormatWithoutPaddingAndParseBack) {
    EXPECT_EQ(kw::ui::formatValue(Value(-1234.5), parse("n-_12.2")), "-1234.50");
    EXPECT_EQ(kw::ui::formatValue(Value(0.0), parse("n_7b")), "");
    EXPECT_EQ(kw::ui::formatValue(Value(72687), parse("D6")), "01.01.2000");
    EXPECT_EQ(kw::ui::formatValue(Value("abc   "), parse("s10")), "abc");
    EXPECT_EQ(kw::ui::formatValue(Value(2.5), kw::picture::Picture{}), "2.5");

    const auto d = kw::ui::parseValue("01.01.2000", parse("D6"), false);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.value.number, 72687);
    const auto bad = kw::ui::parseValue("31.02.2000", parse("D6"), false);
    EXPECT_FALSE(bad.ok());
    const auto plain = kw::ui::parseValue("12x", kw::picture::Picture{}, false);
    EXPECT_EQ(plain.result, ParseResult::BadText);
}

TEST(Binding, AnUnboundBindingReadsEmptyAndRefusesWrites) {
    Binding none;
    EXPECT_FALSE(none.bound());
    EXPECT_FALSE(none.set(Value(1.0)));
    EXPECT_EQ(none.get().asText(), "0");
    Binding nullBuffer = Binding::field(nullptr, 4, ValueType::Long, 4);
    EXPECT_FALSE(nullBuffer.bound());
}

}  // namespace
