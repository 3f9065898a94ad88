// What the layouts of the printed documents share: their typeface, the pledge's fields,
// the way a number stands in its column (right-aligned to the column's right edge, so
// that figures line up whatever the typeface's blank) and centred headings.
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
inline void number(report::Band& b, double x, double y, double width, ui::Binding use,
                   const char* picture, report::Font f = sans()) {
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
inline void centred(report::Band& b, double x, double y, double width, const char* utf8,
                    report::Font f = sans()) {
    report::Item i;
    i.x = x;
    i.y = y;
    i.width = width;
    i.text = W(utf8);
    i.font = f;
    i.align = report::Align::Center;
    b.add(std::move(i));
}

// The margins of a sheet, in millimetres.
struct Margins {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// An A4 sheet measured in millimetres, in the documents' typeface.
inline report::ReportDef sheet(const char* titleUtf8, report::Orientation orientation, Margins m) {
    report::ReportDef d;
    d.title = W(titleUtf8);
    d.units = report::Units::Millimetres;
    d.paper = report::kPaperA4;
    d.orientation = orientation;
    d.left = m.left;
    d.top = m.top;
    d.right = m.right;
    d.bottom = m.bottom;
    d.font = sans();
    return d;
}

// The footer of the landscape registers: the page number at x, in Arial 8.
inline void pageFooter(report::Band& footer, double x) {
    footer.pageNumber(x, 1, "pCTP <<<#p", report::Font{"Arial", 8});
    footer.height = 6;
}

// The sheet of the notary's and the auction's lists: portrait, of the user size 8250 by
// 11688 thousandths of an inch.
inline report::ReportDef userSheet(const char* titleUtf8) {
    report::ReportDef d = sheet(titleUtf8, report::Orientation::Portrait, {6, 8, 4, 8});
    d.paper = report::kPaperUser;
    d.paperWidth = 8250 * 0.0254;
    d.paperHeight = 11688 * 0.0254;
    return d;
}

inline ui::Binding zal(const char* field) {
    return UseField(dict::zalTable(), field);
}

}  // namespace kw::documents::layout
