// The amount in words against a table written by hand: each line is what a Russian
// reader writes for the amount, with the forms of рубль, копейка and the group words.
#include "shell/conv_s.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

using kw::cp::toUtf8;

struct Spelled {
    std::string s1, s2, s3;
};

Spelled spell(double amount, std::string* returned = nullptr) {
    S_R = amount;
    const std::string r = CONV_S();
    if (returned) *returned = toUtf8(r);
    return {toUtf8(S1.clip()), toUtf8(S2.clip()), toUtf8(S3.clip())};
}

struct Case {
    double amount;
    const char* words;  // the whole text on the first line
};

const Case kOneLine[] = {
    {0.56, "56 копеек"},
    {1, "Один рубль 00 копеек"},
    {2, "Два рубля 00 копеек"},
    {5, "Пять рублей 00 копеек"},
    {11, "Одиннадцать рублей 00 копеек"},
    {12, "Двенадцать рублей 00 копеек"},
    {13, "Тринадцать рублей 00 копеек"},
    {14, "Четырнадцать рублей 00 копеек"},
    {21, "Двадцать один рубль 00 копеек"},
    {101, "Сто один рубль 00 копеек"},
    {200, "Двести рублей 00 копеек"},
    {1000, "Одна тысяча рублей 00 копеек"},
    {2002, "Две тысячи два рубля 00 копеек"},
    {41001, "Сорок одна тысяча один рубль 00 копеек"},
    {12000, "Двенадцать тысяч рублей 00 копеек"},
    {115000, "Сто пятнадцать тысяч рублей 00 копеек"},
    {1000000, "Один миллион рублей 00 копеек"},
    {2000002.02, "Два миллиона два рубля 02 копейки"},
    {21000000.01, "Двадцать один миллион рублей 01 копейка"},
    {1000000000, "Один миллиард рублей 00 копеек"},
    {121.50, "Сто двадцать один рубль 50 копеек"},
    {2000.00, "Две тысячи рублей 00 копеек"},
    {1000000.01, "Один миллион рублей 01 копейка"},
    {11.11, "Одиннадцать рублей 11 копеек"},
    {22.22, "Двадцать два рубля 22 копейки"},
    {0.03, "03 копейки"},
    {0.11, "11 копеек"},
    {0.21, "21 копейка"},
    {0.34, "34 копейки"},
    {0.05, "05 копеек"},
    {0, "00 копеек"},
    {7.125, "Семь рублей 13 копеек"},
};

}  // namespace

TEST(ConvS, EveryAmountOfTheTableIsSpelledAsWrittenByHand) {
    for (const Case& c : kOneLine) {
        std::string returned;
        const Spelled s = spell(c.amount, &returned);
        EXPECT_EQ(s.s1, c.words) << c.amount;
        EXPECT_EQ(returned, c.words) << c.amount;
        EXPECT_EQ(s.s2, "") << c.amount;
        EXPECT_EQ(s.s3, "") << c.amount;
    }
}

TEST(ConvS, TheLargestAmountFillsThreeLinesOfUnderSixtyCharacters) {
    const Spelled s = spell(999999999999.99);
    EXPECT_EQ(s.s1, "Девятьсот девяносто девять миллиардов девятьсот девяносто");
    EXPECT_EQ(s.s2, "девять миллионов девятьсот девяносто девять тысяч");
    EXPECT_EQ(s.s3, "девятьсот девяносто девять рублей 99 копеек");
    for (const std::string* line : {&s.s1, &s.s2, &s.s3})
        EXPECT_LT(kw::cp::fromUtf8(*line).size(), 60u);
}

TEST(ConvS, ANegativeAmountIsSpelledWithMinusBeforeTheWords) {
    EXPECT_EQ(spell(-121.50).s1, "минус сто двадцать один рубль 50 копеек");
    EXPECT_EQ(spell(-0.56).s1, "минус 56 копеек");
    EXPECT_EQ(spell(-0.001).s1, "00 копеек");  // nothing left to be negative
}

TEST(ConvS, AnAmountOutsideTwelveDigitsGivesBlankLines) {
    spell(5);  // lines from an earlier call must not stay
    for (double big : {1e12, 999999999999.995, -1e15, 1e300}) {
        std::string returned = "x";
        const Spelled s = spell(big, &returned);
        EXPECT_EQ(s.s1 + s.s2 + s.s3, "") << big;
        EXPECT_EQ(returned, "") << big;
    }
}

TEST(ConvS, StepsStayInsideTheDigitString) {
    kw::shell::WordsState s;
    s.digits = "9";
    kw::shell::PR_DEC(s);  // two digits asked for where one is left
    kw::shell::PR_EDN(s);
    kw::shell::PR_COT(s);
    EXPECT_TRUE(s.words.empty());
    EXPECT_EQ(s.form, 3);
}
