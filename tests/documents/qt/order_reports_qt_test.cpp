// The summary order and the period reports written to PDF through the Qt back end:
// every report of November makes a PDF of as many pages as its document. With
// KW_SHOT_DIR set the PDFs stay there for a look (pdftoppm -r 70 -png).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "../report_test_util.h"
#include "documents/order_reports.h"
#include "runtime/qt/qt_report.h"

namespace {

int pdfPages(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int pages = 0;
    for (std::size_t at = all.find("/Type /Page"); at != std::string::npos; at = all.find("/Type /Page", at + 1))
        if (all.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return all.rfind("%PDF-", 0) == 0 ? pages : -1;
}

class OrderReportsPdf : public kwreport::ReportTest {};

TEST_F(OrderReportsPdf, EachNovemberReportWritesAPdfOfItsPages) {
    struct Case {
        void (*report)();
        int32_t d1, d2;
        const char* file;
    };
    const int32_t nov1 = kwreport::day(1, 11, 2025), nov30 = kwreport::day(30, 11, 2025);
    const Case cases[] = {
        {PR_ORDER, nov1, nov30, "order.pdf"},
        {PR_OPER, nov1, nov30, "operations.pdf"},
        {PR_PROC, nov30, 0, "overdue.pdf"},
        {PR_PRIB, nov1, nov30, "profit.pdf"},
    };
    const char* shots = std::getenv("KW_SHOT_DIR");
    const std::filesystem::path dir = shots ? shots : std::filesystem::current_path();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        D1 = c.d1;
        D2 = c.d2;
        D_PRR = 0;
        const auto doc = runReport(c.report);
        ASSERT_TRUE(doc);
        const std::string path = (dir / c.file).string();
        std::string error;
        ASSERT_TRUE(kw::qt::QtReport().writePdf(*doc, {}, path, error)) << error;
        EXPECT_EQ(pdfPages(path), static_cast<int>(doc->pages.size()));
    }
    D1 = D2 = 0;
}

}  // namespace
