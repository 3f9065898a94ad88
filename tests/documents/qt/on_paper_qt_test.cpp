// Every document on paper as the Qt back end draws it, over the report data set with
// the longest values (longest_values.h): each text measures in the drawn face what the
// report engine planned it to (so a text kept inside its column on the page plan stays
// inside it on paper), and each document writes to a PDF of its pages. With
// KW_SHOT_DIR set the PDFs are written there for a look.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <cstdlib>

#include "../longest_values.h"
#include "../ticket_test_util.h"
#include "runtime/qt/qt_report.h"
#include "runtime/qt/qt_text.h"
#include "runtime/text_metrics.h"

namespace {

using namespace kwreport;

std::string pdfPath(std::string name) {
    for (char& c : name)
        if (c == ' ') c = '_';
    const char* dir = std::getenv("KW_SHOT_DIR");
    return (dir ? std::string(dir) : std::filesystem::current_path().string()) + "/" + name +
           ".pdf";
}

// The texts whose drawn width differs from the planned one by more than 1 % (and a
// twentieth of a millimetre).
std::vector<std::string> mismeasured(const kw::report::Document& d) {
    std::vector<std::string> out;
    for (const auto& page : d.pages)
        for (const auto& i : page.items) {
            if (i.kind != kw::report::ItemKind::Text || i.text.empty()) continue;
            const kw::report::Font& f = d.fontOf(i);
            const QFontMetricsF m(kw::qt::qtFont(f, 100 * d.fontScale));
            const double drawn = m.horizontalAdvance(kw::qt::fromCp(i.text)) / 100;
            const double planned = kw::report::textWidthMm(f, i.text, d.fontScale);
            if (std::abs(drawn - planned) > 0.01 * planned + 0.05)
                out.push_back(kw::cp::toUtf8(i.text) + ": " + std::to_string(drawn) + " drawn, " +
                              std::to_string(planned) + " planned");
        }
    return out;
}

class OnPaperQt : public LongestValues {};

TEST_F(OnPaperQt, EveryDocumentMeasuresInTheDrawnFaceAsPlannedAndWritesToPdf) {
    for (const auto& [name, doc] : everyDocument()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc);
        EXPECT_EQ(mismeasured(*doc), std::vector<std::string>{});
        std::string error;
        EXPECT_TRUE(kw::qt::QtReport().writePdf(*doc, {}, pdfPath(name), error)) << error;
    }
}

TEST_F(OnPaperQt, TheWorkedTicketWithItsFullCostWritesToPdf) {
    kw::dict::PskRecord limit;
    limit.DATA = day(1, 1, 2020);
    limit.LIM = 300;
    limit.BIL = 1;
    kwticket::addRecord(kw::dict::pskTable(), limit);
    const auto doc = runReport([] { kw::documents::printTicket(kwticket::workedPledge()); });
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->contains(kw::W("258.238 % годовых")));
    std::string error;
    EXPECT_TRUE(
        kw::qt::QtReport().writePdf(*doc, {}, pdfPath("worked ticket with its full cost"), error))
        << error;
}

}  // namespace
