// The sheets of the numbered lists on a report of three rows a sheet: for lists of one
// to seven rows, the pages, the sheet bands with their sums, the number of sheets in
// the grand line and the grand sums, figured here for rows worth 1, 2, 3, ... kopecks.
#include "documents/sheets.h"

#include <gtest/gtest.h>

#include "runtime/codepage.h"

namespace {

using kw::documents::Sheets;

struct Printed {
    std::vector<std::vector<std::string>> pages;  // the texts of each page
};

Printed list(int rows) {
    Sheets s(3, 1, 2, 3);
    kw::report::ReportDef d;
    d.header.height = 5;
    d.header.text(0, 0, "head");
    kw::report::Band row, sheet, grand;
    row.height = 5;
    row.field(0, 0, kw::ui::Binding::of(s.NN), "n_4");
    sheet.height = 5;
    sheet.text(0, 0, "sheet");
    sheet.field(20, 0, kw::ui::Binding::of(s.sheet[0]), "n_8.2");
    sheet.field(40, 0, kw::ui::Binding::of(s.sheet[4]), "n_8.2");
    grand.height = 5;
    grand.text(0, 0, "grand");
    grand.field(10, 0, kw::ui::Binding::of(s.N_LIST), "n_4");
    grand.field(20, 0, kw::ui::Binding::of(s.grand[0]), "n_8.2");
    grand.field(40, 0, kw::ui::Binding::of(s.grand[4]), "n_8.2");
    d.details = {row, sheet, grand};
    kw::report::Report r;
    EXPECT_TRUE(r.open(d));
    for (int i = 1; i <= rows; ++i) s.row(r, {i / 100.0, 0, 0, 0, 10.0 * i});
    s.finish(r);
    r.close();
    Printed p;
    for (const auto& page : r.document()->pages) {
        p.pages.emplace_back();
        for (const auto& i : page.items) p.pages.back().push_back(i.text);
    }
    return p;
}

}  // namespace

TEST(Sheets, EverySheetIsAPageClosedByItsSumsAndAFullLastSheetIsFollowedByAnEmptyCountedOne) {
    // rows: the texts expected on each page.
    const std::vector<std::vector<std::vector<std::string>>> want = {
        {{"head", "1", "sheet", "0.01", "10.00", "grand", "1", "0.01", "10.00"}},
        {{"head", "1", "2", "sheet", "0.03", "30.00", "grand", "1", "0.03", "30.00"}},
        {{"head", "1", "2", "3", "sheet", "0.06", "60.00"},
         {"head", "sheet", "0.00", "0.00", "grand", "2", "0.06", "60.00"}},
        {{"head", "1", "2", "3", "sheet", "0.06", "60.00"},
         {"head", "4", "sheet", "0.04", "40.00", "grand", "2", "0.10", "100.00"}},
        {{"head", "1", "2", "3", "sheet", "0.06", "60.00"},
         {"head", "4", "5", "sheet", "0.09", "90.00", "grand", "2", "0.15", "150.00"}},
        {{"head", "1", "2", "3", "sheet", "0.06", "60.00"},
         {"head", "4", "5", "6", "sheet", "0.15", "150.00"},
         {"head", "sheet", "0.00", "0.00", "grand", "3", "0.21", "210.00"}},
        {{"head", "1", "2", "3", "sheet", "0.06", "60.00"},
         {"head", "4", "5", "6", "sheet", "0.15", "150.00"},
         {"head", "7", "sheet", "0.07", "70.00", "grand", "3", "0.28", "280.00"}},
    };
    for (int rows = 1; rows <= 7; ++rows)
        EXPECT_EQ(list(rows).pages, want[rows - 1]) << rows << " rows";
}
