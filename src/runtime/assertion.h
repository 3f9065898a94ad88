// The assertion service: internal errors (a programming mistake noticed at run time)
// are shown to the user in an OK-only box with their source position, and processing
// goes on. The last reports are kept so tests can read what was reported.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kw::assertion {

struct Report {
    std::string text;  // CP1251
    std::string file;
    int line = 0;
    int thread = 0;  // procedure thread that reported it
};

inline constexpr std::string_view kCaption = "Assertion Failed";
inline constexpr std::size_t kKeptReports = 64;

// Reports an internal error: remembers it and shows "text" with the file and line
// through the message-box service (OK only). Returns when the box is closed.
void fail(std::string_view text, const char* file, int line);

// The last kKeptReports reports, oldest first.
std::vector<Report> reports();
std::size_t reportCount();  // all reports since the last clearReports()
void clearReports();

}  // namespace kw::assertion

// Reports an internal error at the current source position.
#define KW_ASSERT_FAIL(text) ::kw::assertion::fail((text), __FILE__, __LINE__)
// Reports `text` when `cond` is false.
#define KW_ASSERT(cond, text)                                           \
    do {                                                                \
        if (!(cond)) ::kw::assertion::fail((text), __FILE__, __LINE__); \
    } while (0)
