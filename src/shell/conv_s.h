// The amount in words: CONV_S spells the amount in S_R in Russian, the roubles in words
// and the kopecks in figures ("Сто двадцать один рубль 50 копеек"), in up to three
// lines of at most 59 characters, S1 to S3.
//
// A negative amount is spelled with "минус" before the words. An amount that does not
// fit twelve rouble digits (10 to the 12th or more, or not a number) gives three blank
// lines. The steps never read outside their word tables.
#pragma once

#include <string>
#include <vector>

// Reads S_R; writes S1, S2, S3 and returns the text of S1 (CP1251, clipped).
std::string CONV_S();

namespace kw::shell {

// The working state of one spelling: the digit string, the reading position (from 0
// here), the words written, and the flags of the steps.
struct WordsState {
    std::string digits;
    std::size_t pos = 0;
    std::vector<std::string> words;  // each with its leading blank, CP1251
    int form = 3;                    // 1, 2 or 3: рубль / рубля / рублей
    int groupWords = 0;
    int allWords = 0;
    bool unitsWritten = false;
    bool feminine = false;
};

// The three steps over the current position of the digit string.
void PR_COT(WordsState& s);  // the hundreds digit
void PR_DEC(WordsState& s);  // the tens and units digits
void PR_EDN(WordsState& s);  // the units digit

}  // namespace kw::shell
