#include "runtime/codepage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kw::cp {
namespace {

using uc = unsigned char;

// Unicode of a single CP1251 byte, through the UTF-8 conversion.
std::string utf8Of(uc b) {
    return toUtf8(std::string(1, static_cast<char>(b)));
}

TEST(CodePages, AsciiIsUnchanged) {
    for (int b = 0; b < 0x80; ++b) {
        EXPECT_EQ(ansiToOem(static_cast<uc>(b)), b);
        EXPECT_EQ(oemToAnsi(static_cast<uc>(b)), b);
    }
}

TEST(CodePages, CyrillicLettersAndSigns) {
    // А..п and р..я lie in two runs in CP866 but in one run in CP1251.
    for (int i = 0; i < 48; ++i) EXPECT_EQ(ansiToOem(static_cast<uc>(0xC0 + i)), 0x80 + i) << i;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(ansiToOem(static_cast<uc>(0xF0 + i)), 0xE0 + i) << i;
    EXPECT_EQ(ansiToOem(0xA8), 0xF0);  // Ё
    EXPECT_EQ(ansiToOem(0xB8), 0xF1);  // ё
    EXPECT_EQ(ansiToOem(0xB9), 0xFC);  // №
    EXPECT_EQ(oemToAnsi(0xF0), 0xA8);
    EXPECT_EQ(oemToAnsi(0xF1), 0xB8);
    EXPECT_EQ(oemToAnsi(0xFC), 0xB9);
    EXPECT_EQ(ansiToOem(W("Ёлка №5, Пётр")),
              "\xF0\xAB\xAA\xA0 \xFC"
              "5, \x8F\xF1\xE2\xE0");
}

TEST(CodePages, BestFitForWhatTheOtherSideLacks) {
    EXPECT_EQ(oemToAnsi(0xC4), '-');  // ─
    EXPECT_EQ(oemToAnsi(0xB3), '|');  // │
    EXPECT_EQ(oemToAnsi(0xBA), '|');  // ║
    EXPECT_EQ(oemToAnsi(0xCD), '=');  // ═
    for (uc b : {0xBF, 0xC0, 0xC5, 0xC9, 0xCE, 0xD9, 0xDA, 0xB4, 0xD8})
        EXPECT_EQ(oemToAnsi(b), '+') << int(b);
    for (uc b : {0xB0, 0xB1, 0xB2, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xFE})
        EXPECT_EQ(oemToAnsi(b), '#') << int(b);
    EXPECT_EQ(oemToAnsi(0xF9), 0xB7);  // ∙ -> ·
    EXPECT_EQ(ansiToOem(W("«Залог»")), ansiToOem(W("\"Залог\"")));
    EXPECT_EQ(ansiToOem(W("Ґ")), ansiToOem(W("Г")));
    EXPECT_EQ(ansiToOem(W("і")), "i");
    EXPECT_EQ(ansiToOem(W("—")), "-");
    // Every byte of either side maps to something printable or to itself.
    for (int b = 0x80; b < 0x100; ++b) {
        EXPECT_GE(ansiToOem(static_cast<uc>(b)), 0x20) << b;
        EXPECT_GE(oemToAnsi(static_cast<uc>(b)), 0x20) << b;
    }
}

// Every character both code pages hold comes back unchanged, in both directions:
// ASCII, the 64 letters А..я, Ё ё Є є Ї ї Ў ў ° · ¤ № and the no-break blank.
TEST(CodePages, RoundTripOfSharedCharacters) {
    std::string shared = W("ЁёЄєЇїЎў°·¤№\u00A0");
    for (int b = 0; b < 0x80; ++b) shared += static_cast<char>(b);
    for (int b = 0xC0; b < 0x100; ++b) shared += static_cast<char>(b);
    ASSERT_EQ(shared.size(), 205u);
    std::set<uc> oemBytes;
    for (char ch : shared) {
        const uc a = static_cast<uc>(ch);
        const uc o = ansiToOem(a);
        oemBytes.insert(o);
        EXPECT_EQ(oemToAnsi(o), a) << int(a);
        EXPECT_EQ(ansiToOem(oemToAnsi(o)), o) << int(o);
    }
    EXPECT_EQ(oemBytes.size(), 205u);
    // No other byte survives the round trip: the rest are best-fit substitutes.
    int ansiBack = 0, oemBack = 0;
    for (int b = 0; b < 0x100; ++b) {
        ansiBack += oemToAnsi(ansiToOem(static_cast<uc>(b))) == b;
        oemBack += ansiToOem(oemToAnsi(static_cast<uc>(b))) == b;
    }
    EXPECT_EQ(ansiBack, 205);
    EXPECT_EQ(oemBack, 205);

    std::string all;
    for (int b = 0; b < 0x100; ++b) all += static_cast<char>(b);
    std::string area = all;
    ansiToOem(area.data(), area.size());
    EXPECT_EQ(area, ansiToOem(all));
    oemToAnsi(area.data(), area.size());
    EXPECT_EQ(area, oemToAnsi(ansiToOem(all)));
}

TEST(Utf8, RoundTripOfEveryCp1251Byte) {
    std::string all;
    for (int b = 0; b < 0x100; ++b) all += static_cast<char>(b);
    const std::string u = toUtf8(all);
    EXPECT_EQ(fromUtf8(u), all);
    // Each non-ASCII byte is a distinct character.
    std::set<std::string> seen;
    for (int b = 0x80; b < 0x100; ++b) seen.insert(utf8Of(static_cast<uc>(b)));
    EXPECT_EQ(seen.size(), 128u);
}

TEST(Utf8, KnownCharacters) {
    EXPECT_EQ(W("Выход"), "\xC2\xFB\xF5\xEE\xE4");
    EXPECT_EQ(W("Ёё№"), "\xA8\xB8\xB9");
    EXPECT_EQ(toUtf8("\xA8\xB8\xB9\x88"), "Ёё№€");
    EXPECT_EQ(W("Ґґ Її Єє Іі Ўў"), "\xA5\xB4 \xAF\xBF \xAA\xBA \xB2\xB3 \xA1\xA2");
}

TEST(Utf8, MissingAndMalformedInputBecomesQuestionMarks) {
    EXPECT_EQ(fromUtf8("a\xE2\x94\x80z"), "a?z");  // ─ is not in CP1251
    EXPECT_EQ(fromUtf8("\xF0\x9F\x98\x80"), "?");  // a four-byte character
    EXPECT_EQ(fromUtf8("\xD0"), "?");              // truncated
    EXPECT_EQ(fromUtf8("\x80x"), "?x");            // stray continuation byte
    EXPECT_EQ(fromUtf8("\xC0\xAF"), "??");         // overlong '/'
    EXPECT_EQ(fromUtf8("\xED\xA0\x80"), "???");    // surrogate
    EXPECT_EQ(fromUtf8("\xD0\x41"), "?A");
}

TEST(CaseMapping, EveryCyrillicLetter) {
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(upper(static_cast<uc>(0xE0 + i)), 0xC0 + i);
        EXPECT_EQ(lower(static_cast<uc>(0xC0 + i)), 0xE0 + i);
    }
    EXPECT_EQ(upper(W("ёлка")), W("ЁЛКА"));
    EXPECT_EQ(lower(W("ЁЛКА")), W("ёлка"));
    EXPECT_EQ(upper(W("ђѓљњќћџўјґєїіѕ")), W("ЂЃЉЊЌЋЏЎЈҐЄЇІЅ"));
    EXPECT_EQ(lower(W("ЂЃЉЊЌЋЏЎЈҐЄЇІЅ")), W("ђѓљњќћџўјґєїіѕ"));
    EXPECT_EQ(upper(W("Иванов i.i. №5 ab")), W("ИВАНОВ I.I. №5 AB"));
    // Signs have no case.
    for (uc b : {0xB9, 0xB5, 0xA0, 0xAB, 0x96}) {
        EXPECT_EQ(upper(b), b);
        EXPECT_EQ(lower(b), b);
    }
    // upper and lower are inverse on every letter that has case.
    for (int b = 0; b < 0x100; ++b) {
        const uc c = static_cast<uc>(b);
        if (upper(c) != c) {
            EXPECT_EQ(lower(upper(c)), c) << b;
        }
        if (lower(c) != c) {
            EXPECT_EQ(upper(lower(c)), c) << b;
        }
    }
}

TEST(CaseMapping, InPlaceMapsAsTheCopyDoes) {
    std::string every;
    for (int b = 0; b < 0x100; ++b) every.push_back(static_cast<char>(b));
    std::string up = every, low = every;
    upperInPlace(up);
    lowerInPlace(low);
    EXPECT_EQ(up, upper(every));
    EXPECT_EQ(low, lower(every));
    std::string name = W("ПЁТР Иванович ёж");
    lowerInPlace(name);
    EXPECT_EQ(name, W("пётр иванович ёж"));
}

TEST(CaseMapping, CompareNoCase) {
    EXPECT_EQ(compareNoCase(W("Пётр"), W("ПЁТР")), 0);
    EXPECT_EQ(compareNoCase(W("иванов"), W("ИВАНОВ")), 0);
    EXPECT_LT(compareNoCase(W("абв"), W("АБГ")), 0);
    EXPECT_GT(compareNoCase(W("Я"), W("а")), 0);
    EXPECT_LT(compareNoCase("ab", "abc"), 0);
    EXPECT_GT(compareNoCase("abc", "AB"), 0);
    EXPECT_EQ(compareNoCase("", ""), 0);
    EXPECT_LT(compareNoCase("a", W("а")), 0);  // bytes, not letters, beyond case
}

}  // namespace
}  // namespace kw::cp
