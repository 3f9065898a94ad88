// The measures of a printed text, as the report engine plans a page with them: the
// advance widths of the sans face the reports are drawn with (Arial, MS Sans Serif and
// Helvetica are all drawn with a face of Arial's widths; qt_report.h), per character
// of code page 1251, regular and bold. The engine needs them to keep a text inside
// its column and to know what a page covers without asking a window system.
#pragma once

#include <string>
#include <string_view>

#include "runtime/report.h"

namespace kw::report {

// The width in mm of `cp1251` set in `f`, at `scale` times its size.
double textWidthMm(const Font& f, std::string_view cp1251, double scale = 1);

// The em of `f` in mm (its size in points), at `scale` times its size.
double emMm(const Font& f, double scale = 1);

// `cp1251` as it fits `widthMm`: whole when it fits, else cut at the last character
// that leaves room for "…" (trailing blanks before it dropped). A width of 0 or less
// leaves the text whole.
std::string fitToWidth(const Font& f, std::string_view cp1251, double widthMm, double scale = 1);

// What a drawn item covers on its page, in mm. A text covers its ink: the letters as
// wide as they are, placed by its alignment in its box, from the top of the capitals
// to the bottom of the descenders; lines and boxes their extent.
struct Extent {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool overlaps(const Extent& o) const {
        return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1;
    }
};
Extent inkOf(const Document& doc, const Drawn& d);
// As inkOf, but a text with a box covers the whole box: the room its field may fill.
Extent roomOf(const Document& doc, const Drawn& d);

}  // namespace kw::report
