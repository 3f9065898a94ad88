// Reading the summary order and the period reports back from their documents: the
// tickets of the rows (the figures drawn in the ticket column), the value printed
// beside a label, a row's own items.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "report_test_util.h"

namespace kworder {

using kw::report::Document;
using kw::report::Drawn;
using kw::report::Page;

// Where the ticket number of a row is laid out: the column's left edge (1 mm) after the
// 4 mm margin; drawn where the page's fitting into the printable area moved it.
constexpr double kTicketX = 5;

inline bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

struct RowAt {
    int page;
    const Drawn* ticket;
};

// The rows in the order printed: page and the ticket's item.
inline std::vector<RowAt> rows(const Document& d) {
    std::vector<RowAt> r;
    for (std::size_t p = 0; p < d.pages.size(); ++p)
        for (const Drawn& i : d.pages[p].items)
            if (i.kind == kw::report::ItemKind::Text &&
                std::abs(i.x - (kTicketX * d.fontScale + d.originX)) < 0.1 && allDigits(i.text))
                r.push_back({static_cast<int>(p), &i});
    return r;
}

inline std::vector<int> tickets(const Document& d) {
    std::vector<int> t;
    for (const RowAt& r : rows(d)) t.push_back(std::stoi(r.ticket->text));
    return t;
}

inline const RowAt* rowOf(const std::vector<RowAt>& all, int ticket) {
    for (const RowAt& r : all)
        if (r.ticket->text == std::to_string(ticket)) return &r;
    return nullptr;
}

// The text nearest right of `label` on its line; "" when none.
inline std::string rightOf(const Page& p, const Drawn& label) {
    const Drawn* best = nullptr;
    for (const Drawn& i : p.items)
        if (i.kind == kw::report::ItemKind::Text && &i != &label && std::abs(i.y - label.y) < 0.3 &&
            i.x > label.x && (!best || i.x < best->x))
            best = &i;
    return best ? kw::cp::toUtf8(best->text) : "";
}

// The value printed beside the first `labelUtf8` of the document; "<no label>" when
// the label is not there.
inline std::string valueAfter(const Document& d, const std::string& labelUtf8) {
    const std::string label = kw::W(labelUtf8);
    for (const Page& p : d.pages)
        for (const Drawn& i : p.items)
            if (i.kind == kw::report::ItemKind::Text && i.text == label) return rightOf(p, i);
    return "<no label>";
}

// The texts of a row's block: drawn on its page from its ticket's line down to `depthMm`
// below it.
inline std::vector<std::string> rowTexts(const Document& d, const RowAt& r, double depthMm) {
    std::vector<std::string> t;
    for (const Drawn& i : d.pages[static_cast<std::size_t>(r.page)].items)
        if (i.kind == kw::report::ItemKind::Text && i.y >= r.ticket->y - 0.01 &&
            i.y < r.ticket->y + depthMm)
            t.push_back(kw::cp::toUtf8(i.text));
    return t;
}

inline std::string money(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", v);
    return b;
}

}  // namespace kworder
