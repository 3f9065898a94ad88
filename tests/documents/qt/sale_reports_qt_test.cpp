// The sale lists drawn by the Qt back end: each list of the December sales written to
// PDF (one PDF page per page of the document), and every text measured in the face
// the back end draws it with: a field stays inside its column, and nothing runs past
// the edge of the sheet. With KW_SHOT_DIR set the PDFs are written there for a look.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <fstream>
#include <sstream>

#include "../report_test_util.h"
#include "documents/sale_reports.h"
#include "runtime/qt/qt_report.h"
#include "runtime/qt/qt_text.h"

namespace {

using namespace kwreport;

// The texts that do not fit: wider than their item, or past the sheet's right edge.
std::vector<std::string> overflowing(const kw::report::Document& d) {
    std::vector<std::string> out;
    for (std::size_t p = 0; p < d.pages.size(); ++p)
        for (const auto& i : d.pages[p].items) {
            if (i.kind != kw::report::ItemKind::Text || i.text.empty()) continue;
            // Measured as the back end draws it: in hundredths of a millimetre, at the
            // document's scale.
            const QFontMetricsF m(kw::qt::qtFont(d.fontOf(i), 100 * d.fontScale));
            const double wide = m.horizontalAdvance(kw::qt::fromCp(i.text)) / 100;
            const bool tooWide = i.width > 0 && wide > i.width + 0.2;
            const double right = i.align == kw::report::Align::Left ? i.x + wide : i.x + i.width;
            if (tooWide || right > d.widthMm - 1 || i.x < 1 || i.y + i.height > d.heightMm - 1)
                out.push_back("page " + std::to_string(p + 1) + ": " + kw::cp::toUtf8(i.text));
        }
    return out;
}

int pdfPages(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string pdf = s.str();
    int n = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++n;
    return n;
}

class SaleListsQt : public ReportTest {
  protected:
    void writeAndCheck(const std::function<void()>& report, const std::string& name) {
        const auto doc = runReport(report);
        ASSERT_TRUE(doc);
        EXPECT_EQ(overflowing(*doc), std::vector<std::string>{});
        const char* dir = std::getenv("KW_SHOT_DIR");
        const std::string path =
            (dir ? std::string(dir) : std::filesystem::current_path().string()) + "/" + name;
        std::string error;
        ASSERT_TRUE(kw::qt::QtReport().writePdf(*doc, {}, path, error)) << error;
        EXPECT_EQ(pdfPages(path), static_cast<int>(doc->pages.size())) << path;
    }
};

void december(int lastDay) {
    D1 = day(1, 12, 2025);
    D2 = day(lastDay, 12, 2025);
    D_T = day(20, 1, 2026);
}

}  // namespace

TEST_F(SaleListsQt, TheActFitsItsSheetAndWritesToPdf) {
    writeAndCheck(
        [] {
            december(28);
            PR_REAL();
        },
        "pr_real.pdf");
}

TEST_F(SaleListsQt, TheNotarysListFitsItsSheetAndWritesToPdf) {
    // A passport that fills its field and a long description test the client's column.
    auto z = issued(9001, day(1, 8, 2025), 2000);
    sell(z, day(29, 12, 2025));
    z.PAS = kw::W("4509 123456 ОВД Тверского р-на г.Москвы выдан 12.03.2004 XYZ");
    z.OP_IZ = kw::W("Цепь плетение бисмарк с подвеской, замок карабин, б/у");
    writePledges({z});
    writeAndCheck(
        [] {
            december(29);
            PR_NOT();
        },
        "pr_not.pdf");
}

TEST_F(SaleListsQt, TheAuctionListFitsItsSheetAndWritesToPdf) {
    writeAndCheck(
        [] {
            december(28);
            PR_LOT();
        },
        "pr_lot.pdf");
}
