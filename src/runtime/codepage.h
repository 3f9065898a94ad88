// Code pages of the system: texts live in memory in Windows code page 1251, the data
// files of OEM tables hold code page 866, and the screen and source files use UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kw::cp {

// One byte of CP1251 to CP866 and back, as the Windows conversion maps them (best fit
// where the other side lacks the character).
unsigned char ansiToOem(unsigned char c);
unsigned char oemToAnsi(unsigned char c);
// In-place conversion of a byte area.
void ansiToOem(char* p, std::size_t n);
void oemToAnsi(char* p, std::size_t n);
std::string ansiToOem(std::string_view s);
std::string oemToAnsi(std::string_view s);

// CP1251 <-> UTF-8. Characters that CP1251 lacks become '?'.
std::string toUtf8(std::string_view cp1251);
std::string fromUtf8(std::string_view utf8);

// Case mapping of CP1251, Cyrillic included (Ё/ё too).
unsigned char upper(unsigned char c);
unsigned char lower(unsigned char c);
std::string upper(std::string_view s);
std::string lower(std::string_view s);
// The same over a text in place (no copy: a list's filter maps a field on every record).
void upperInPlace(std::string& s);
void lowerInPlace(std::string& s);
// Case-insensitive comparison of CP1251 texts: <0, 0, >0. Compares by upper-case
// letters, byte by byte.
int compareNoCase(std::string_view a, std::string_view b);

}  // namespace kw::cp

// A CP1251 literal from UTF-8 source text: W("Выход").
namespace kw {
inline std::string W(std::string_view utf8) {
    return cp::fromUtf8(utf8);
}
}  // namespace kw
