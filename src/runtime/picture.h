// Pictures: how a value is shown and how typed text is read back.
//   numbers  n[-][_]W[.P][b]   e.g. "n_15.2", "n-_12.2b", "n3", "n_7b", "n10.6b"
//   dates    d6 / D6 / D17 / D6b  (shown dd.mm.yyyy; 0 shows blank)
//   time     T8                (hh:mm:ss; value in hundredths of a second since midnight, +1)
//   strings  sW                (W characters)
//   pattern  p...p             ('<' and '#' digit positions, '<' blank as a leading zero)
// Texts are CP1251.
#pragma once

#include <string>
#include <string_view>

namespace kw::picture {

enum class Kind { Number, Date, Time, String, Pattern, Invalid };

struct Picture {
    Kind kind = Kind::Invalid;
    int width = 0;         // characters shown
    int places = 0;        // decimals (numbers)
    bool grouping = true;  // digit groups of three separated by a blank (numbers)
    bool minus = false;    // '-' in the picture (negative values allowed when typed)
    bool blankZero = false;
    std::string pattern;  // the pattern of a p...p picture, without the p's
    std::string text;     // the picture as written
};

// Parses a picture text; kind Invalid when it is not one.
Picture parse(std::string_view pic);

// Formats a number (numbers, dates as day numbers, times, patterns). A value too wide
// for the picture shows as '#' characters filling the width.
std::string format(double value, const Picture& pic);
std::string format(double value, std::string_view pic);
// Formats a string value (s pictures): the text cut or padded to the width.
std::string formatString(std::string_view value, std::string_view pic);

enum class ParseResult { Ok, Empty, BadText, TooWide, BadPicture };

struct Parsed {
    ParseResult result = ParseResult::BadPicture;
    double value = 0;
    std::string text;  // for s pictures
    bool ok() const { return result == ParseResult::Ok || result == ParseResult::Empty; }
};

// Reads typed text back into a value. Blank text gives Empty with value 0 (or ""),
// text that does not fit the picture gives BadText or TooWide and value 0 that the
// caller must not take.
Parsed deformat(std::string_view text, const Picture& pic);
Parsed deformat(std::string_view text, std::string_view pic);

// A clear message for a result that is not ok, in Russian, CP1251.
std::string describe(ParseResult r);
// What is wrong with `text` typed into a field of picture `pic`, in a short Russian
// sentence naming the text and what the field takes (CP1251); "" when it fits.
std::string explain(std::string_view text, const Picture& pic);

}  // namespace kw::picture
