#include "runtime/picture.h"

#include <gtest/gtest.h>

#include <limits>

#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"

namespace kw::picture {
namespace {

// ---- Picture texts ----

TEST(PictureParse, NumberPictures) {
    const Picture a = parse("n-_12.2b");
    EXPECT_EQ(a.kind, Kind::Number);
    EXPECT_EQ(a.width, 12);
    EXPECT_EQ(a.places, 2);
    EXPECT_TRUE(a.minus);
    EXPECT_FALSE(a.grouping);
    EXPECT_TRUE(a.blankZero);
    EXPECT_EQ(a.text, "n-_12.2b");
    const Picture b = parse("n15.2b");
    EXPECT_TRUE(b.grouping);
    EXPECT_FALSE(b.minus);
    const Picture c = parse("n3");
    EXPECT_EQ(c.width, 3);
    EXPECT_EQ(c.places, 0);
    EXPECT_FALSE(c.blankZero);
    for (const char* ok :
         {"n_15.2", "n_7b", "n10.6b", "n_14", "n_3b", "n_8.2b", "n_11.6b", "n1b", "n_4.2b",
          "n_5.2b", "n_4b", "n_9.6b", "n-_10.2", "n2", "n_6.2b", "n_10.6b"})
        EXPECT_EQ(parse(ok).kind, Kind::Number) << ok;
}

TEST(PictureParse, OtherKinds) {
    EXPECT_EQ(parse("D6").kind, Kind::Date);
    EXPECT_EQ(parse("d6").width, 10);
    EXPECT_EQ(parse("D17").kind, Kind::Date);
    EXPECT_TRUE(parse("D6b").blankZero);
    EXPECT_EQ(parse("T8").kind, Kind::Time);
    EXPECT_EQ(parse("T8").width, 8);
    EXPECT_EQ(parse("s60").kind, Kind::String);
    EXPECT_EQ(parse("s60").width, 60);
    const Picture p = parse("pCTP <<<#p");
    EXPECT_EQ(p.kind, Kind::Pattern);
    EXPECT_EQ(p.pattern, "CTP <<<#");
    EXPECT_EQ(p.width, 8);
}

TEST(PictureParse, MalformedPicturesAreInvalid) {
    for (const char* bad : {"",       "n",      "n_",   "n-",       "nx",   "n0",
                            "n15.",   "n15.2c", "n3.2", "n_15.2bb", "n256", "n99999999999999999999",
                            "n20.16", "D",      "D7",   "D6x",      "T",    "T9",
                            "s",      "s0",     "s10x", "p",        "pp",   "pabc",
                            "x12",    "@",      "n--5", "n_-5"}) {
        const Picture p = parse(bad);
        EXPECT_EQ(p.kind, Kind::Invalid) << bad;
        EXPECT_EQ(p.text, bad);
        EXPECT_EQ(format(1.0, p), "") << bad;
        EXPECT_EQ(deformat("1", p).result, ParseResult::BadPicture) << bad;
        EXPECT_FALSE(deformat("1", p).ok());
    }
}

// ---- Numbers ----

TEST(NumberPicture, GroupsOfThreeAndPlaces) {
    EXPECT_EQ(format(1234567.5, "n15.2"), "   1 234 567.50");
    EXPECT_EQ(format(1234567.5, "n_15.2"), "     1234567.50");
    EXPECT_EQ(format(123456, "n15.2b"), "     123 456.00");
    EXPECT_EQ(format(999, "n15.2b"), "         999.00");
    EXPECT_EQ(format(1000, "n10.6b"), "##########");  // "1 000.000000" needs 12
    EXPECT_EQ(format(1.5, "n10.6b"), "  1.500000");
    EXPECT_EQ(format(0.25, "n_8.2b"), "    0.25");
    EXPECT_EQ(format(42, "n3"), " 42");
    EXPECT_EQ(format(7, "n2"), " 7");
    EXPECT_EQ(format(123456789, "n_14"), "     123456789");
}

TEST(NumberPicture, RoundsHalfAwayFromZero) {
    EXPECT_EQ(format(12.125, "n_10.2"), "     12.13");
    EXPECT_EQ(format(1.005, "n_10.2"), "      1.01");
    EXPECT_EQ(format(2.675, "n_10.2"), "      2.68");
    EXPECT_EQ(format(-12.125, "n-_10.2"), "    -12.13");
    EXPECT_EQ(format(2.5, "n3"), "  3");
    EXPECT_EQ(format(0.0000005, "n_11.6b"), "   0.000001");
}

TEST(NumberPicture, ZeroAndBlank) {
    EXPECT_EQ(format(0, "n_15.2"), "           0.00");
    EXPECT_EQ(format(0, "n_15.2b"), std::string(15, ' '));
    EXPECT_EQ(format(0, "n3"), "  0");
    EXPECT_EQ(format(0, "n1b"), " ");
    EXPECT_EQ(format(0.004, "n_8.2b"), std::string(8, ' '));  // shows as zero
    EXPECT_EQ(format(-0.004, "n-_10.2"), "      0.00");       // no minus on a zero
}

TEST(NumberPicture, NegativeAlwaysShowsItsMinus) {
    EXPECT_EQ(format(-1234.5, "n-_12.2b"), "    -1234.50");
    EXPECT_EQ(format(-1234.5, "n_15.2"), "       -1234.50");
    EXPECT_EQ(format(-1234567, "n15.2"), "  -1 234 567.00");
    EXPECT_EQ(format(-5, "n2"), "-5");
    EXPECT_EQ(format(-10, "n2"), "##");
}

TEST(NumberPicture, TooWideShowsHashes) {
    EXPECT_EQ(format(1000, "n3"), "###");
    EXPECT_EQ(format(999.5, "n3"), "###");  // rounds to 1000
    EXPECT_EQ(format(99.99, "n_4.2b"), "####");
    EXPECT_EQ(format(9.99, "n_4.2b"), "9.99");
    EXPECT_EQ(format(1e300, "n_15.2"), std::string(15, '#'));
    EXPECT_EQ(format(std::numeric_limits<double>::quiet_NaN(), "n_7b"), "#######");
    EXPECT_EQ(format(std::numeric_limits<double>::infinity(), "n_7b"), "#######");
    EXPECT_EQ(format(-1e300, "n_15.2"), std::string(15, '#'));
}

TEST(NumberPicture, TypedText) {
    EXPECT_EQ(deformat("1 234 567.50", "n15.2").value, 1234567.5);
    EXPECT_EQ(deformat("1234567.5", "n15.2").value, 1234567.5);
    EXPECT_EQ(deformat("  12,5 ", "n_10.2").value, 12.5);
    EXPECT_EQ(deformat(".75", "n_10.2").value, 0.75);
    EXPECT_EQ(deformat("-1234.5", "n-_12.2b").value, -1234.5);
    EXPECT_EQ(deformat("+7", "n3").value, 7);
    EXPECT_EQ(deformat("007", "n3").value, 7);
    EXPECT_EQ(deformat("1.500", "n_10.2").value, 1.5);  // zeros beyond the places
    EXPECT_EQ(deformat("0", "n_15.2b").result, ParseResult::Ok);
    const Parsed blank = deformat("   ", "n_15.2");
    EXPECT_EQ(blank.result, ParseResult::Empty);
    EXPECT_EQ(blank.value, 0);
    EXPECT_TRUE(blank.ok());
    EXPECT_EQ(deformat("", "n3").result, ParseResult::Empty);
}

TEST(NumberPicture, BadTypedTextIsRejectedNotZero) {
    struct Case {
        const char* text;
        const char* pic;
        ParseResult expected;
    };
    const Case cases[] = {
        {"12a", "n_10.2", ParseResult::BadText},
        {"abc", "n3", ParseResult::BadText},
        {"-5", "n_10.2", ParseResult::BadText},
        {"-", "n-_10.2", ParseResult::BadText},
        {".", "n_10.2", ParseResult::BadText},
        {"1.2.3", "n_10.2", ParseResult::BadText},
        {"1.234", "n_10.2", ParseResult::BadText},
        {"1.5", "n3", ParseResult::BadText},
        {"1 234", "n_10.2", ParseResult::BadText},
        {"12 34", "n15.2", ParseResult::BadText},
        {"1  234", "n15.2", ParseResult::BadText},
        {"1234 567", "n15.2", ParseResult::BadText},
        {"5-", "n-_10.2", ParseResult::BadText},
        {"1e5", "n_10.2", ParseResult::BadText},
        {"1000", "n3", ParseResult::TooWide},
        {"-1000", "n-_4", ParseResult::TooWide},
        {"123456789012", "n_10.2", ParseResult::TooWide},
        {"1 234 567", "n_7b", ParseResult::BadText},
        {"1234567890123456", "n_20", ParseResult::TooWide},
        {"99.5", "n_4.2b", ParseResult::TooWide},
    };
    for (const Case& c : cases) {
        const Parsed p = deformat(c.text, c.pic);
        EXPECT_EQ(p.result, c.expected) << c.text << " / " << c.pic;
        EXPECT_FALSE(p.ok()) << c.text;
        EXPECT_EQ(p.value, 0) << c.text;
    }
    EXPECT_EQ(deformat("1 234 567", "n9").value, 1234567);
    EXPECT_EQ(deformat("-100", "n-_5").value, -100);
}

// ---- Dates and times ----

TEST(DatePicture, ShowsDayMonthYear) {
    EXPECT_EQ(format(72687, "D6"), "01.01.2000");
    EXPECT_EQ(format(4, "d6"), "01.01.1801");
    EXPECT_EQ(format(date::fromYmd(2024, 2, 29), "D17"), "29.02.2024");
    EXPECT_EQ(format(0, "D6"), std::string(10, ' '));
    EXPECT_EQ(format(0, "D6b"), std::string(10, ' '));
    EXPECT_EQ(format(-3, "D6"), "##########");
    EXPECT_EQ(format(1e12, "D6"), "##########");
    EXPECT_EQ(format(date::fromYmd(9999, 12, 31) + 1, "D6"), "##########");
}

TEST(DatePicture, TypedText) {
    clock::setToday(date::fromYmd(2026, 5, 1));
    EXPECT_EQ(deformat("01.01.2000", "D6").value, 72687);
    EXPECT_EQ(deformat("1.1.2000", "D6").value, 72687);
    EXPECT_EQ(deformat(" 29/02/2000 ", "d6").value, date::fromYmd(2000, 2, 29));
    EXPECT_EQ(deformat("01012000", "D6").value, 72687);
    EXPECT_EQ(deformat("15.06.21", "D6").value, date::fromYmd(2021, 6, 15));
    EXPECT_EQ(deformat("15.06.46", "D6").value, date::fromYmd(2046, 6, 15));
    EXPECT_EQ(deformat("15.06.47", "D6").value, date::fromYmd(1947, 6, 15));
    EXPECT_EQ(deformat("150699", "D6").value, date::fromYmd(1999, 6, 15));
    EXPECT_EQ(deformat("", "D6").result, ParseResult::Empty);
    for (const char* bad : {"31.02.2020", "29.02.1900", "32.01.2020", "01.13.2020", "00.01.2020",
                            "1.1.1800", "1.1.201", "1.1", "1.1.2020.1", "a.1.2020", "1..2020",
                            "1234567", "01.01.2000x", "101.1.2000"}) {
        const Parsed p = deformat(bad, "D6");
        EXPECT_EQ(p.result, ParseResult::BadText) << bad;
        EXPECT_EQ(p.value, 0) << bad;
    }
    clock::setToday(0);
}

TEST(TimePicture, HundredthsSinceMidnightPlusOne) {
    EXPECT_EQ(format(1, "T8"), "00:00:00");
    EXPECT_EQ(format(((13 * 60 + 5) * 60 + 9) * 100 + 1, "T8"), "13:05:09");
    EXPECT_EQ(format(((13 * 60 + 5) * 60 + 9) * 100 + 99, "T8"), "13:05:09");
    EXPECT_EQ(format(24 * 60 * 60 * 100, "T8"), "23:59:59");
    EXPECT_EQ(format(0, "T8"), std::string(8, ' '));
    EXPECT_EQ(format(-1, "T8"), "########");
    EXPECT_EQ(format(24 * 60 * 60 * 100 + 1, "T8"), "########");
    EXPECT_EQ(deformat("13:05:09", "T8").value, ((13 * 60 + 5) * 60 + 9) * 100 + 1);
    EXPECT_EQ(deformat("7:30", "T8").value, (7 * 60 + 30) * 60 * 100 + 1);
    EXPECT_EQ(deformat("0:00", "T8").value, 1);
    EXPECT_EQ(deformat(" ", "T8").result, ParseResult::Empty);
    for (const char* bad :
         {"24:00", "12:60", "12:00:60", "12", "1:2:3:4", "ab:cd", "-1:00", "123:00"})
        EXPECT_EQ(deformat(bad, "T8").result, ParseResult::BadText) << bad;
}

// ---- Strings and patterns ----

TEST(StringPicture, CutOrPad) {
    EXPECT_EQ(formatString(W("Иванов"), "s10"), W("Иванов    "));
    EXPECT_EQ(formatString("abcdefghijkl", "s5"), "abcde");
    EXPECT_EQ(formatString("", "s3"), "   ");
    EXPECT_EQ(format(12.5, "s6"), "12.5  ");
    const Parsed p = deformat(W("  Петров   "), "s60");
    EXPECT_EQ(p.result, ParseResult::Ok);
    EXPECT_EQ(p.text, W("  Петров"));
    EXPECT_EQ(deformat("    ", "s60").result, ParseResult::Empty);
    EXPECT_EQ(deformat("    ", "s60").text, "");
    EXPECT_EQ(deformat("abcdef", "s5").result, ParseResult::TooWide);
    EXPECT_EQ(deformat("abcde   ", "s5").text, "abcde");
    // A text shown with a number picture is read as a number.
    EXPECT_EQ(formatString("1234.5", "n_10.2"), "   1234.50");
    EXPECT_EQ(formatString("x", "n_5"), "#####");
}

TEST(PatternPicture, DigitPositions) {
    EXPECT_EQ(format(5, "pCTP <<<#p"), "CTP    5");
    EXPECT_EQ(format(12, "pCTP <<<#p"), "CTP   12");
    EXPECT_EQ(format(1234, "pCTP <<<#p"), "CTP 1234");
    EXPECT_EQ(format(0, "pCTP <<<#p"), "CTP    0");
    EXPECT_EQ(format(12345, "pCTP <<<#p"), "########");
    EXPECT_EQ(format(-1, "pCTP <<<#p"), "########");
    EXPECT_EQ(format(7, "p##-<<p"), "00-07");  // after a shown zero no more blanks
    EXPECT_EQ(format(7, "p<<-<#p"), "  - 7");
    EXPECT_EQ(format(12345, "p##-<<p"), "#####");
    EXPECT_EQ(format(345, "p##-<<p"), "03-45");
}

TEST(PatternPicture, TypedText) {
    EXPECT_EQ(deformat("CTP   12", "pCTP <<<#p").value, 12);
    EXPECT_EQ(deformat("CTP 12", "pCTP <<<#p").value, 12);
    EXPECT_EQ(deformat("  42 ", "pCTP <<<#p").value, 42);
    EXPECT_EQ(deformat("CTP    ", "pCTP <<<#p").result, ParseResult::Empty);
    EXPECT_EQ(deformat("", "pCTP <<<#p").result, ParseResult::Empty);
    EXPECT_EQ(deformat("12345", "pCTP <<<#p").result, ParseResult::TooWide);
    EXPECT_EQ(deformat("CTX   12", "pCTP <<<#p").result, ParseResult::BadText);
    EXPECT_EQ(deformat("CTP 1 2", "pCTP <<<#p").result, ParseResult::BadText);
    EXPECT_EQ(deformat("CTP 12a", "pCTP <<<#p").result, ParseResult::BadText);
}

TEST(PictureMessages, RussianTextForEveryFailure) {
    EXPECT_EQ(describe(ParseResult::Ok), "");
    EXPECT_EQ(describe(ParseResult::Empty), "");
    EXPECT_EQ(cp::toUtf8(describe(ParseResult::BadText)), "Введено недопустимое значение");
    EXPECT_EQ(cp::toUtf8(describe(ParseResult::TooWide)), "Значение не помещается в поле");
    EXPECT_EQ(cp::toUtf8(describe(ParseResult::BadPicture)), "Неверный шаблон поля");
}

// Whatever is typed and accepted shows again as a text that reads back the same.
TEST(PictureRoundTrip, AcceptedTextFormatsAndReadsBack) {
    const char* pics[] = {"n_15.2", "n-_12.2b", "n3",  "n_7b",   "n10.6b",
                          "n_14",   "n15.2b",   "n1b", "n-_10.2"};
    const char* texts[] = {"0",    "1",     "12.5",     "-3.25",    "999",
                           "1000", "1 234", "0.000001", "99999.99", "7"};
    for (const char* pic : pics)
        for (const char* text : texts) {
            const Parsed p = deformat(text, pic);
            if (!p.ok()) continue;
            const std::string shown = format(p.value, pic);
            ASSERT_EQ(shown.size(), static_cast<size_t>(parse(pic).width));
            const Parsed back = deformat(shown, pic);
            EXPECT_TRUE(back.ok()) << pic << " " << text << " -> '" << shown << "'";
            EXPECT_EQ(back.value, p.value) << pic << " " << text;
        }
}

}  // namespace
}  // namespace kw::picture
