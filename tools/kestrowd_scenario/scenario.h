// A scenario: UTF-8 text, one command a line, '#' starting a comment outside quotes,
// arguments separated by blanks, each a word or a double-quoted text (in which \" is a
// quote and \\ a backslash).
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace kw::scenario {

struct Step {
    int line = 0;                   // 1-based line number in the file
    std::string text;               // the line as written
    std::string command;            // the first word
    std::vector<std::string> args;  // the rest, quotes removed
};

struct Script {
    std::vector<Step> steps;
    std::string error;  // "" when every line could be read; else "line N: why"
};

// Reads the steps of a scenario; blank lines and comments are skipped.
Script parse(std::istream& in);

// Splits one line into words; false (and `why`) for an unterminated quote.
bool splitLine(const std::string& line, std::vector<std::string>& words, std::string& why);

}  // namespace kw::scenario
