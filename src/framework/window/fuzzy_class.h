// FuzzyClass: scores how well a text matches a query, word by word, in CP1251.
#pragma once

#include <cstdint>
#include <string_view>

namespace kw {

class FuzzyClass {
  public:
    // The two matching options.
    enum Option : int {
        NoCase = 1,    // 1: letters match regardless of case (Cyrillic included)
        WordOnly = 2,  // 1: a query word matches only a whole word of the text
    };

    // Both options off.
    void Init();
    // Sets an option to 0 or 1 (any non-zero value is 1). An unknown option changes
    // nothing and returns false.
    bool SetOption(int option, int value);
    int GetOption(int option) const;
    // 0..100: the share of the query's words found in the text (as a whole word with
    // WordOnly, anywhere in the text otherwise). Words are runs of letters and digits.
    // An empty query scores 0.
    uint8_t Match(std::string_view query, std::string_view text) const;
    // Both options off again.
    void Kill();

  private:
    uint8_t noCase_ = 0;
    uint8_t wordOnly_ = 0;
};

}  // namespace kw
