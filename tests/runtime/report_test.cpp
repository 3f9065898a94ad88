// The report engine's layout: bands on pages, page breaks, the form, header and footer
// of every page, units, paper and orientation, fields taking their values when printed.
#include "runtime/report.h"

#include <gtest/gtest.h>

#include "runtime/text_metrics.h"

namespace {

using namespace kw::report;

const Drawn* find(const Page& p, const std::string& text) {
    for (const Drawn& d : p.items)
        if (d.kind == ItemKind::Text && d.text == text) return &d;
    return nullptr;
}

ReportDef listDef(int32_t& value) {
    ReportDef def;
    def.top = 10;
    def.bottom = 10;
    def.left = 5;
    def.form.text(0, -5, "FORM");
    def.header.height = 20;
    def.header.text(0, 0, "HEAD");
    def.footer.height = 7;
    def.footer.text(0, 1, "FOOT");
    Band row;
    row.height = 25;
    row.field(10, 2, kw::ui::Binding::of(value), "n_5");
    row.line(0, 24, 100, 0);
    def.details.push_back(row);
    return def;
}

}  // namespace

TEST(ReportEngine, BandsThatDoNotFitStartANewPageWithFormHeaderAndFooter) {
    int32_t value = 0;
    Report r;
    ASSERT_TRUE(r.open(listDef(value)));
    EXPECT_EQ(r.pages(), 0);  // no page before the first print
    // A4 portrait: 297 - 10 - 10 = 277 mm; 20 header + 7 footer leave 250: ten rows.
    for (value = 1; value <= 11; ++value) ASSERT_TRUE(r.print(1));
    r.close();
    const Document& d = *r.document();
    ASSERT_EQ(d.pages.size(), 2u);
    EXPECT_DOUBLE_EQ(d.widthMm, 210);
    EXPECT_DOUBLE_EQ(d.heightMm, 297);
    for (const Page& p : d.pages) {
        ASSERT_TRUE(find(p, "FORM") && find(p, "HEAD") && find(p, "FOOT"));
        EXPECT_FLOAT_EQ(find(p, "FORM")->y, 5);
        EXPECT_FLOAT_EQ(find(p, "HEAD")->x, 5);
        EXPECT_FLOAT_EQ(find(p, "HEAD")->y, 10);
        EXPECT_FLOAT_EQ(find(p, "FOOT")->y, 297 - 10 - 7 + 1);
    }
    const Drawn* first = find(d.pages[0], "1");
    ASSERT_TRUE(first);
    EXPECT_FLOAT_EQ(first->x, 15);
    EXPECT_FLOAT_EQ(first->y, 10 + 20 + 2);
    ASSERT_TRUE(find(d.pages[0], "10"));
    EXPECT_FLOAT_EQ(find(d.pages[0], "10")->y, 10 + 20 + 9 * 25 + 2);
    EXPECT_FALSE(find(d.pages[0], "11"));
    ASSERT_TRUE(find(d.pages[1], "11"));
    EXPECT_FLOAT_EQ(find(d.pages[1], "11")->y, 32);
}

TEST(ReportEngine, EndPageEndsThePageAndTheNextPrintStartsAnother) {
    int32_t value = 7;
    Report r;
    ASSERT_TRUE(r.open(listDef(value)));
    ASSERT_TRUE(r.print(1));
    r.endPage();
    ASSERT_TRUE(r.print(1));
    r.close();
    ASSERT_EQ(r.pages(), 2);
    EXPECT_FALSE(r.print(1));  // closed
    ASSERT_TRUE(r.open(listDef(value)));
    EXPECT_FALSE(r.print(2));  // no such band
    EXPECT_FALSE(r.print(0));
    EXPECT_EQ(r.pages(), 0);
}

TEST(ReportEngine, ThousandthsOfAnInchUserPaperAndLandscape) {
    ReportDef def;
    def.units = Units::Thousandths;
    def.paper = kPaperUser;
    def.paperWidth = 5000;   // 127 mm
    def.paperHeight = 8000;  // 203.2 mm
    def.orientation = Orientation::Landscape;
    def.printableMm = 0;  // the positions as laid out, the box in the sheet's corner
    Band b;
    b.height = 1000;
    b.text(1000, 500, "X", Font{"Arial", 12, kBold});
    b.box(0, 0, 2000, 1000, 10);
    def.details.push_back(b);
    Report r;
    ASSERT_TRUE(r.open(def));
    ASSERT_TRUE(r.print(1));
    r.close();
    const Document& d = *r.document();
    EXPECT_NEAR(d.widthMm, 203.2, 1e-9);
    EXPECT_NEAR(d.heightMm, 127, 1e-9);
    const Drawn* x = find(d.pages[0], "X");
    ASSERT_TRUE(x);
    EXPECT_NEAR(x->x, 25.4, 1e-4);
    EXPECT_NEAR(x->y, 12.7, 1e-4);
    EXPECT_EQ(d.fontOf(*x).size, 12);
    EXPECT_EQ(d.fontOf(*x).weight, kBold);
    const Drawn& box = d.pages[0].items[1];
    EXPECT_EQ(box.kind, ItemKind::Box);
    EXPECT_NEAR(box.width, 50.8, 1e-4);
    EXPECT_NEAR(box.pen, 0.254, 1e-5);
}

TEST(ReportEngine, ABandHigherThanThePageOrAPaperWithoutSizeIsRefused) {
    ReportDef def;
    Band b;
    b.height = 300;
    def.details.push_back(b);
    Report r;
    EXPECT_FALSE(r.open(def));
    EXPECT_FALSE(r.error().empty());
    ReportDef user;
    user.paper = kPaperUser;
    EXPECT_FALSE(r.open(user));
}

TEST(ReportEngine, PageListsNamePagesWithinTheCount) {
    EXPECT_EQ(parsePageList("1-3,5", 6), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(parsePageList(" 4 - 9 ", 6), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(parsePageList("2,2,1", 6), (std::vector<int>{1, 2}));
    EXPECT_TRUE(parsePageList("x", 6).empty());
    EXPECT_TRUE(parsePageList("7-9", 6).empty());
    EXPECT_EQ(parsePageList("1,", 6), (std::vector<int>{1}));
}

TEST(ReportEngine, APageNumberInTheFooterShowsTheNumberOfItsOwnPage) {
    int32_t value = 0;
    ReportDef def = listDef(value);
    def.footer.pageNumber(60, 1, "pCTP <<<#p");
    Report r;
    ASSERT_TRUE(r.open(def));
    for (value = 1; value <= 21; ++value) ASSERT_TRUE(r.print(1));  // ten rows a page
    r.close();
    ASSERT_EQ(r.pages(), 3);
    const Document& d = *r.document();
    EXPECT_TRUE(find(d.pages[0], "CTP    1"));
    EXPECT_TRUE(find(d.pages[1], "CTP    2"));
    EXPECT_TRUE(find(d.pages[2], "CTP    3"));
    EXPECT_FALSE(find(d.pages[2], "CTP    1"));
}

// --- the printable area and the widths of texts ------------------------------------------

namespace {

// A report of one A4 portrait page whose band holds a rule from (x0, y) to (x1, y) and a
// text at (tx, ty).
std::shared_ptr<kw::report::Document> ruleAndText(double x0, double x1, double y, double tx,
                                                  double ty) {
    using namespace kw::report;
    ReportDef def;
    Band b;
    b.height = 100;
    b.line(x0, y, x1 - x0, 0);
    b.text(tx, ty, "AB", Font{"Arial", 10});
    def.details.push_back(b);
    Report r;
    if (!r.open(def) || !r.print(1)) return nullptr;
    r.close();
    return r.document();
}

}  // namespace

TEST(PrintableArea, APageInsideTheBorderStaysWhereItIs) {
    const auto d = ruleAndText(10, 200, 20, 50, 60);
    ASSERT_TRUE(d);
    EXPECT_FLOAT_EQ(d->pages[0].items[0].x, 10);
    EXPECT_FLOAT_EQ(d->pages[0].items[1].y, 60);
    EXPECT_DOUBLE_EQ(d->fontScale, 1);
}

TEST(PrintableArea, APageInTheBorderIsMovedInAndOneTooWideIsScaledDownKeepingItsProportions) {
    // From 2 mm: moved 3 mm right, nothing scaled.
    auto d = ruleAndText(2, 150, 20, 50, 60);
    ASSERT_TRUE(d);
    EXPECT_FLOAT_EQ(d->pages[0].items[0].x, 5);
    EXPECT_FLOAT_EQ(d->pages[0].items[1].x, 53);
    EXPECT_FLOAT_EQ(d->pages[0].items[1].y, 60);
    EXPECT_DOUBLE_EQ(d->fontScale, 1);
    // 0 to 210 mm on a sheet of 210: scaled to the 200 mm between the borders.
    d = ruleAndText(0, 210, 20, 105, 60);
    ASSERT_TRUE(d);
    const auto& rule = d->pages[0].items[0];
    EXPECT_NEAR(rule.x, 5, 1e-4);
    EXPECT_NEAR(rule.x + rule.width, 205, 1e-4);
    EXPECT_NEAR(d->fontScale, 200.0 / 210, 1e-9);
    // The text keeps its place relative to the rule: halfway along, 40 mm below it.
    EXPECT_NEAR(d->pages[0].items[1].x, 105, 1e-3);
    EXPECT_NEAR(d->pages[0].items[1].y - rule.y, 40 * 200.0 / 210, 1e-3);
}

TEST(TextWidths, ATextLongerThanItsBoxIsCutWithAnEllipsisAndAShorterOneIsLeftWhole) {
    const kw::report::Font f{"Arial", 10};
    // Liberation Sans, like Arial: "W" is 1933/2048 em, 10 pt is 3.5278 mm.
    EXPECT_NEAR(kw::report::textWidthMm(f, "W"), 1933.0 / 2048 * 10 * 25.4 / 72, 1e-9);
    EXPECT_EQ(kw::report::fitToWidth(f, "WWW", 10.1), "WWW");
    // Two W (6.66 mm) and the ellipsis (one em, 3.53 mm) in 10.2 mm.
    const std::string cut = kw::report::fitToWidth(f, "WWW WWW", 10.2);
    EXPECT_EQ(cut, "WW\x85");
    EXPECT_LE(kw::report::textWidthMm(f, cut), 10.2);
    // "W " and the ellipsis fit 8 mm; the blank is dropped.
    EXPECT_EQ(kw::report::fitToWidth(f, "W WWW", 8), "W\x85") << "no blank before the ellipsis";
}
