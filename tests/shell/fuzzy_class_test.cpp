// FuzzyClass: its two options and the word score.
#include "framework/window/fuzzy_class.h"

#include <gtest/gtest.h>

#include "runtime/codepage.h"

using kw::W;

TEST(FuzzyClass, OptionsAreZeroAfterInitAndKillAndUnknownOnesAreRefused) {
    kw::FuzzyClass f;
    f.Init();
    EXPECT_EQ(f.GetOption(1), 0);
    EXPECT_EQ(f.GetOption(2), 0);
    EXPECT_TRUE(f.SetOption(1, 1));
    EXPECT_TRUE(f.SetOption(2, 7));
    EXPECT_EQ(f.GetOption(1), 1);
    EXPECT_EQ(f.GetOption(2), 1);
    EXPECT_FALSE(f.SetOption(3, 1));
    EXPECT_FALSE(f.SetOption(0, 1));
    EXPECT_EQ(f.GetOption(3), 0);
    f.Kill();
    EXPECT_EQ(f.GetOption(1), 0);
    EXPECT_EQ(f.GetOption(2), 0);
}

TEST(FuzzyClass, ScoreIsTheShareOfQueryWordsFound) {
    kw::FuzzyClass f;
    f.Init();
    const std::string text = W("Иванов Пётр Сергеевич, ул. Ленина 5");
    EXPECT_EQ(f.Match(W("Иванов"), text), 100);
    EXPECT_EQ(f.Match(W("Иванов Петров"), text), 50);
    EXPECT_EQ(f.Match(W("Сидоров"), text), 0);
    EXPECT_EQ(f.Match(W("Ленина 5 Иванов"), text), 100);
    EXPECT_EQ(f.Match(W("а б в"), W("а")), 33);
    EXPECT_EQ(f.Match("", text), 0);
    EXPECT_EQ(f.Match(" ,.; ", text), 0);
    EXPECT_EQ(f.Match(W("Иванов"), ""), 0);
}

TEST(FuzzyClass, NoCaseMatchesCyrillicLettersOfEitherCase) {
    kw::FuzzyClass f;
    f.Init();
    const std::string text = W("ПЁТР ИВАНОВ");
    EXPECT_EQ(f.Match(W("пётр"), text), 0);
    f.SetOption(kw::FuzzyClass::NoCase, 1);
    EXPECT_EQ(f.Match(W("пётр"), text), 100);
    EXPECT_EQ(f.Match(W("Иванов"), text), 100);
}

TEST(FuzzyClass, WordOnlyWantsWholeWords) {
    kw::FuzzyClass f;
    f.Init();
    const std::string text = W("Иванова Мария");
    EXPECT_EQ(f.Match(W("Иванов"), text), 100);  // part of a word
    f.SetOption(kw::FuzzyClass::WordOnly, 1);
    EXPECT_EQ(f.Match(W("Иванов"), text), 0);
    EXPECT_EQ(f.Match(W("Иванова"), text), 100);
}
