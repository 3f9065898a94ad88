// Every document on paper, over the report data set with the longest values its fields
// hold (longest_values.h): no two texts overlap or touch, no text crosses a rule, and
// nothing lies in the printer's unprintable border.
#include <gtest/gtest.h>

#include "longest_values.h"
#include "runtime/text_metrics.h"

namespace {

using kw::report::Document;
using kw::report::Drawn;
using kw::report::Extent;
using kw::report::ItemKind;
using namespace kwreport;

// The least room between two texts of a line, and between a text and a rule, mm.
constexpr double kGap = 0.4;

std::string where(const Document& d, std::size_t page, const Drawn& i) {
    char at[64];
    std::snprintf(at, sizeof at, "p%zu (%.1f, %.1f) ", page + 1, i.x, i.y);
    return at +
           (i.kind == ItemKind::Text ? "|" + kw::cp::toUtf8(i.text) + "|" : std::string("rule")) +
           (i.kind == ItemKind::Text ? " " + std::to_string(d.fontOf(i).size) : std::string());
}

Extent widened(Extent e, double by) {
    return {e.x0 - by, e.y0, e.x1 + by, e.y1};
}

// What an item covers for the purpose of collisions: a text its ink, a line its
// stroke, a box its four sides (a text may stand inside a box).
std::vector<Extent> covers(const Document& d, const Drawn& i) {
    const Extent e = widened(kw::report::inkOf(d, i), kGap / 2);
    if (i.kind != ItemKind::Box) return {e};
    const double p = i.pen / 2 + kGap / 2;
    return {{e.x0, e.y0, e.x1, i.y + p},
            {e.x0, i.y + i.height - p, e.x1, e.y1},
            {e.x0, e.y0, i.x + p, e.y1},
            {i.x + i.width - p, e.y0, e.x1, e.y1}};
}

bool blank(const Drawn& i) {
    return i.kind == ItemKind::Text && i.text.find_first_not_of(' ') == std::string::npos;
}

// Every pair of texts that overlap or come closer than kGap on their line, and every
// text that a rule or a frame crosses or touches.
std::vector<std::string> collisions(const Document& d) {
    std::vector<std::string> out;
    for (std::size_t p = 0; p < d.pages.size(); ++p) {
        const auto& items = d.pages[p].items;
        for (std::size_t a = 0; a < items.size(); ++a) {
            const Drawn& t = items[a];
            if (t.kind != ItemKind::Text || blank(t)) continue;
            const Extent ink = covers(d, t)[0];
            for (std::size_t b = 0; b < items.size(); ++b) {
                const Drawn& o = items[b];
                if (b == a || (o.kind == ItemKind::Text && b < a) || blank(o)) continue;
                for (const Extent& e : covers(d, o))
                    if (ink.overlaps(e)) {
                        out.push_back(where(d, p, t) + " x " + where(d, p, o));
                        break;
                    }
            }
        }
    }
    return out;
}

// Every item outside the printable area of its sheet.
std::vector<std::string> outsidePrintable(const Document& d) {
    std::vector<std::string> out;
    const double m = kw::report::kPrintableMm - 0.01;
    for (std::size_t p = 0; p < d.pages.size(); ++p)
        for (const Drawn& i : d.pages[p].items) {
            if (i.kind == ItemKind::Text && i.text.empty()) continue;
            const Extent e = kw::report::roomOf(d, i);
            if (e.x0 < m || e.y0 < m || e.x1 > d.widthMm - m || e.y1 > d.heightMm - m)
                out.push_back(where(d, p, i));
        }
    return out;
}

class DocumentsOnPaper : public LongestValues {};

TEST_F(DocumentsOnPaper, NoTwoTextsOfAnyReportOverlapOrTouchAndNoRuleCrossesAText) {
    for (const auto& [name, doc] : everyDocument()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc);
        EXPECT_EQ(collisions(*doc), std::vector<std::string>{});
    }
}

TEST_F(DocumentsOnPaper, NoItemOfAnyDocumentLiesInTheUnprintableBorder) {
    for (const auto& [name, doc] : everyDocument()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc);
        EXPECT_EQ(outsidePrintable(*doc), std::vector<std::string>{});
    }
}

TEST_F(DocumentsOnPaper, TextsLongerThanTheirColumnAreCutWithAnEllipsis) {
    writeLongest();
    D1 = day(1, 11, 2025);
    D2 = day(30, 11, 2025);
    const auto doc = runReport(PR_OPER);
    ASSERT_TRUE(doc);
    // The passport of the first row: cut, and what is left is where the passport starts.
    bool seen = false;
    for (const Drawn& i : doc->pages[0].items) {
        if (i.kind != ItemKind::Text || i.text.rfind(kw::W("1905 123456"), 0) != 0) continue;
        seen = true;
        EXPECT_EQ(i.text.back(), '\x85') << kw::cp::toUtf8(i.text);
        EXPECT_LT(i.text.size(), 60u);
        const Extent e = kw::report::inkOf(*doc, i);
        EXPECT_LE(e.x1 - e.x0, i.width + 0.01);
    }
    EXPECT_TRUE(seen);
}

}  // namespace

namespace {

// Over the ordinary report data set every text has room: a heading or label cut with
// an ellipsis (as "№№ зал." once was in its column) is a layout fault.
class OrdinaryDocuments : public ReportTest {
  protected:
    void TearDown() override {
        D1 = D2 = D_T = 0;
        ReportTest::TearDown();
    }
};

TEST_F(OrdinaryDocuments, NoTextIsCut) {
    std::vector<std::pair<std::string, std::shared_ptr<const Document>>> docs;
    const auto z = kwticket::workedPledge();
    docs.emplace_back("ticket", runReport([z] { kw::documents::printTicket(z); }));
    D1 = day(1, 11, 2025);
    D2 = day(30, 11, 2025);
    for (auto [name, report] :
         std::vector<std::pair<const char*, void (*)()>>{{"order", PR_ORDER},
                                                         {"operations", PR_OPER},
                                                         {"profit", PR_PRIB},
                                                         {"register", PR_PSK}})
        docs.emplace_back(name, runReport(report));
    D1 = day(1, 12, 2025);
    D2 = day(29, 12, 2025);
    for (auto [name, report] : std::vector<std::pair<const char*, void (*)()>>{
             {"act", PR_REAL}, {"notary", PR_NOT}, {"lots", PR_LOT}})
        docs.emplace_back(name, runReport(report));
    for (const auto& [name, doc] : docs) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc);
        std::vector<std::string> cut;
        for (const auto& p : doc->pages)
            for (const Drawn& i : p.items)
                if (i.kind == ItemKind::Text && !i.text.empty() && i.text.back() == '\x85')
                    cut.push_back(kw::cp::toUtf8(i.text));
        EXPECT_EQ(cut, std::vector<std::string>{});
    }
}

}  // namespace
