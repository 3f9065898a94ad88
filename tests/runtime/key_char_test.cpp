// Key codes and the characters they type: every letter of the Russian alphabet in both
// cases has a key code of its own (above the modifier bits, so none meets the code of
// another key), and typing a character's key gives the character back.
#include <gtest/gtest.h>

#include <set>

#include "runtime/codepage.h"
#include "runtime/window_events.h"

namespace key = kw::ui::key;

TEST(KeyChars, EveryCyrillicLetterInBothCasesRoundTripsThroughItsKey) {
    const std::string letters =
        kw::W("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
    ASSERT_EQ(letters.size(), 66u);
    std::set<int> codes;
    for (const char c : letters) {
        const int code = key::ofChar(static_cast<unsigned char>(c));
        ASSERT_NE(code, 0) << int(static_cast<unsigned char>(c));
        EXPECT_TRUE(code & key::Cyrillic);
        EXPECT_EQ(key::charOf(code), c);
        // Shift is the only difference between the two cases of a letter.
        EXPECT_EQ(static_cast<bool>(code & key::Shift),
                  kw::cp::upper(static_cast<unsigned char>(c)) == static_cast<unsigned char>(c));
        codes.insert(code);
    }
    EXPECT_EQ(codes.size(), 66u);
    // The apostrophe key (222, also the CP1251 code of Ю) types nothing.
    EXPECT_NE(key::ofChar(static_cast<unsigned char>(kw::W("Ю")[0])), key::Apostrophe);
    EXPECT_EQ(key::charOf(key::Apostrophe), 0);
    EXPECT_EQ(key::charOf(key::Ctrl | key::Apostrophe), 0);
}

TEST(KeyChars, LatinLettersDigitsAndSpaceAsBeforeAndControlKeysTypeNothing) {
    for (const char c : std::string("azAZ09 "))
        EXPECT_EQ(key::charOf(key::ofChar(static_cast<unsigned char>(c))), c);
    EXPECT_EQ(key::ofChar('q'), 'Q');
    EXPECT_EQ(key::ofChar('Q'), key::Shift | 'Q');
    EXPECT_EQ(key::charOf(96 + 7), '7');  // keypad
    EXPECT_EQ(key::charOf(key::Ctrl | 'A'), 0);
    EXPECT_EQ(key::charOf(key::Cyrillic | key::Alt | 0xC0), 0);
    EXPECT_EQ(key::charOf(key::Cyrillic | 0x41), 0);  // no Cyrillic letter there
    EXPECT_EQ(key::charOf(key::Enter), 0);
    EXPECT_EQ(key::ofChar('-'), 0);
}
