// What the layouts of the sale lists share: their fonts and the way a number stands
// in its column (right-aligned to the column's right edge, so that figures line up
// whatever the typeface's blank).
#pragma once

#include "dictionary/zal.h"
#include "framework/window/window_manager.h"
#include "runtime/codepage.h"
#include "runtime/report.h"

namespace kw::documents::layout {

inline report::Font sans(int size = 8, bool bold = false) {
    report::Font f;
    f.name = "MS Sans Serif";
    f.size = size;
    f.weight = bold ? report::kBold : report::kNormal;
    return f;
}

// A field whose text ends at x + width.
inline void number(report::Band& b, double x, double y, double width, ui::Binding use, const char* picture,
                   report::Font f = sans()) {
    report::Item i;
    i.x = x;
    i.y = y;
    i.width = width;
    i.use = std::move(use);
    i.picture = picture;
    i.font = f;
    i.align = report::Align::Right;
    b.add(std::move(i));
}

// A fixed text centred between x and x + width.
inline void centred(report::Band& b, double x, double y, double width, const char* utf8, report::Font f = sans()) {
    report::Item i;
    i.x = x;
    i.y = y;
    i.width = width;
    i.text = W(utf8);
    i.font = f;
    i.align = report::Align::Center;
    b.add(std::move(i));
}

inline ui::Binding zal(const char* field) { return UseField(dict::zalTable(), field); }

}  // namespace kw::documents::layout
