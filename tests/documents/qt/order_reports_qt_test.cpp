// The summary order and the period reports on the Qt back end: every report of
// November makes a PDF of as many pages as its document; the order's window shows its
// title, entries and buttons and closes with "Закрыть окно". With KW_SHOT_DIR set the
// PDFs and a picture of the window stay there for a look (pdftoppm -r 70 -png).
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <string>

#include "../report_test_util.h"
#include "common/qt_pump.h"
#include "documents/order_reports.h"
#include "runtime/qt/qt_report.h"
#include "runtime/qt/qt_windows.h"

namespace {

int pdfPages(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int pages = 0;
    for (std::size_t at = all.find("/Type /Page"); at != std::string::npos;
         at = all.find("/Type /Page", at + 1))
        if (all.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return all.rfind("%PDF-", 0) == 0 ? pages : -1;
}

class OrderReportsQt : public kwreport::ReportTest {};

TEST_F(OrderReportsQt, EachNovemberReportWritesAPdfOfItsPages) {
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

using kwtest::pumpUntil;

TEST_F(OrderReportsQt, TheOrderWindowOnScreenHasItsEntriesAndButtonsAndCloses) {
    kw::qt::installQtWindows();
    const int n = kw::proc::start(OR_M);
    ASSERT_NE(n, 0);
    QWidget* w = nullptr;
    pumpUntil([&] {
        for (const auto& m : kw::ui::openWindows())
            if (m->title == kw::W("Подготовка и печать сводного ордера"))
                w = kw::qt::QtWindows::widgetOf(*m);
        return w != nullptr && w->isVisible();
    });
    ASSERT_TRUE(w);
    pumpUntil([] { return false; }, 200);
    QStringList buttons;
    for (QPushButton* b : w->findChildren<QPushButton*>())
        buttons << b->text().remove(QLatin1Char('&'));
    for (const char* text : {"Печать", "OK", "Закрыть окно"})
        EXPECT_TRUE(buttons.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(w->findChildren<QLineEdit*>().size(), 2);
    if (const char* dir = std::getenv("KW_SHOT_DIR"))
        w->grab().save(QString::fromUtf8(dir) + "/or_m.png");
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text().remove(QLatin1Char('&')) == QStringLiteral("Закрыть окно")) b->click();
    EXPECT_TRUE(pumpUntil([&] { return !kw::proc::isRunning(n); }));
    kw::script::installScriptWindows();
}

}  // namespace
