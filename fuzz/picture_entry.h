// One fuzz input for pictures, shared by the libFuzzer target and the corpus replay
// test. The input is a picture text, a newline, and a typed text. The function parses
// the picture, reads the text back and formats values under it, and checks what must
// hold for any input:
//   - a picture that is not one gives BadPicture and formats to nothing;
//   - every formatted text has exactly the picture's width;
//   - text that is rejected leaves the value 0;
//   - text that is accepted formats and reads back as the same value (or text).
// Returns false when one of these does not hold.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/picture.h"
#include "runtime/real.h"

namespace kw::fuzz {

inline bool pictureOneInput(const uint8_t* data, std::size_t size) {
    using namespace kw::picture;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::size_t nl = in.find('\n');
    const std::string_view picText = in.substr(0, nl);
    const std::string_view text =
        nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);

    const Picture pic = parse(picText);
    const Parsed typed = deformat(text, pic);
    if (pic.kind == Kind::Invalid)
        return typed.result == ParseResult::BadPicture && format(1.0, pic).empty() &&
               formatString(text, picText).empty();

    const auto width = static_cast<std::size_t>(pic.width);
    // Values from the text's bytes as well as a few fixed ones.
    double fromBytes = 0;
    if (text.size() >= sizeof fromBytes) std::memcpy(&fromBytes, text.data(), sizeof fromBytes);
    const double values[] = {0.0,   -0.0,   1.0,      -1.0, 0.5,         72687.0,
                             1e300, -1e300, HUGE_VAL, NAN,  typed.value, fromBytes};
    for (double v : values) {
        const std::string shown = format(v, pic);
        if (shown.size() != width) return false;
        // What a number picture shows reads back as the rounded value.
        if (pic.kind == Kind::Number && std::isfinite(v)) {
            const Parsed back = deformat(shown, pic);
            if (back.ok() && back.value != real::round(v, pic.places) &&
                !(back.value == 0 && real::round(v, pic.places) == 0))
                return false;
        }
    }
    if (formatString(text, picText).size() != width) return false;

    if (!typed.ok()) return typed.value == 0;
    if (pic.kind == Kind::String) {
        const Parsed back = deformat(formatString(typed.text, picText), pic);
        return back.ok() && back.text == typed.text;
    }
    const std::string shown = format(typed.value, pic);
    const Parsed back = deformat(shown, pic);
    return back.ok() && back.value == typed.value;
}

}  // namespace kw::fuzz
