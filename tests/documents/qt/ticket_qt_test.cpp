// The ticket on the Qt back end (offscreen unless a display is set): the preview
// window with its page canvas, zoom and status; the PDF of the ticket; the fonts the
// ticket names drawn with metric-compatible free faces that have every Cyrillic
// letter. With KW_SHOT_DIR set, the preview (at page width and at 100 %) and the PDF
// are written there for a look.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <fstream>

#include "../ticket_test_util.h"
#include "common/qt_pump.h"
#include "documents/print_globals.h"
#include "framework/report/print_preview_class.h"
#include "runtime/qt/qt_report.h"
#include "runtime/qt/qt_text.h"
#include "runtime/qt/qt_windows.h"

namespace {

using namespace kwticket;

using kwtest::pumpUntil;

QWidget* windowTitled(const std::string& title) {
    QWidget* found = nullptr;
    pumpUntil([&] {
        for (const auto& w : kw::ui::openWindows())
            if (w->title == title) found = kw::qt::QtWindows::widgetOf(*w);
        return found != nullptr && found->isVisible();
    });
    return found;
}

QString statusText(QWidget* w, const char* starts) {
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->text().startsWith(QString::fromUtf8(starts))) return l->text();
    return QString();
}

// KW_SHOT_HOLD_MS keeps the window on the screen that long after each picture, for a
// screen capture from outside.
void shoot(QWidget* w, const char* name) {
    const char* dir = std::getenv("KW_SHOT_DIR");
    if (!dir) return;
    w->grab().save(QString::fromUtf8(dir) + "/" + name);
    if (const char* hold = std::getenv("KW_SHOT_HOLD_MS"))
        pumpUntil([] { return false; }, std::atoi(hold));
}

class TicketQt : public TicketTest {
  protected:
    void SetUp() override {
        TicketTest::SetUp();
        kw::qt::installQtWindows();
        kw::qt::installQtReport();
    }
    void TearDown() override {
        kw::script::installScriptWindows();
        kw::script::installScriptReport();
        TicketTest::TearDown();
    }
};

}  // namespace

TEST(ReportFonts, ArialAndMsSansSerifAreDrawnWithLiberationSansWithCyrillic) {
    for (const char* family : {"Arial", "MS Sans Serif"}) {
        kw::report::Font f;
        f.name = family;
        const QFont q = kw::qt::qtFont(f, 10);
        EXPECT_EQ(QFontInfo(q).family(), QStringLiteral("Liberation Sans")) << family;
        const QFontMetrics m(q);
        for (QChar c : QString::fromUtf8(
                 "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя№"))
            EXPECT_TRUE(m.inFont(c))
                << family << " lacks U+" << std::hex << static_cast<int>(c.unicode());
    }
}

TEST_F(TicketQt, ThePreviewShowsTheTicketZoomsAndTheTicketWritesToPdf) {
    const int n = kw::proc::start([] { kw::documents::printTicket(workedPledge()); });
    ASSERT_NE(n, 0);
    QWidget* w = windowTitled("Report Preview");
    ASSERT_TRUE(w);
    w->resize(1200, 800);
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(statusText(w, "Page "), QStringLiteral("Page 1 of 1"));
    EXPECT_EQ(statusText(w, "Zoom: "), QStringLiteral("Zoom: Page Width"));
    auto* canvas = w->findChild<QScrollArea*>();
    ASSERT_TRUE(canvas);
    shoot(w, "preview_page_width.png");
    QAction* zoom100 = nullptr;
    for (QAction* a : w->findChildren<QAction*>())
        if (a->text().remove(QLatin1Char('&')) == QStringLiteral("100% Zoom")) zoom100 = a;
    ASSERT_TRUE(zoom100);
    const QSize before = canvas->widget() ? canvas->widget()->size() : QSize();
    zoom100->trigger();
    ASSERT_TRUE(pumpUntil([&] { return statusText(w, "Zoom: ") == QStringLiteral("Zoom: 100%"); }));
    pumpUntil([] { return false; }, 200);
    ASSERT_TRUE(canvas->widget());
    EXPECT_NE(canvas->widget()->size(), before);
    // At 100 % the sheet is its printed size: 297 mm wide at the screen's resolution.
    EXPECT_NEAR(canvas->widget()->width(), 297 / 25.4 * canvas->widget()->logicalDpiX() + 24, 3);
    shoot(w, "preview_100.png");

    const auto doc = kw::report::lastDocument();
    ASSERT_TRUE(doc);
    const char* dir = std::getenv("KW_SHOT_DIR");
    const std::string pdf = dir ? std::string(dir) + "/ticket.pdf" : "ticket.pdf";
    std::string error;
    ASSERT_TRUE(kw::qt::QtReport().writePdf(*doc, {}, pdf, error)) << error;
    std::ifstream in(pdf, std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");

    QPushButton* exit = nullptr;
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text().remove(QLatin1Char('&')) == QStringLiteral("Exit")) exit = b;
    ASSERT_TRUE(exit);
    exit->click();
    ASSERT_TRUE(pumpUntil([&] { return !kw::proc::isRunning(n); }));
    EXPECT_TRUE(printer == &kw::script::installScriptReport());
}

namespace {

// Three pages, each saying its number.
std::shared_ptr<kw::report::Document> threePages() {
    kw::report::ReportDef def;
    def.title = "Three";
    kw::report::Band b;
    b.height = 20;
    b.text(20, 5, "", kw::report::Font{"Arial", 40, kw::report::kBold});
    def.details.push_back(b);
    kw::report::Report r;
    if (!r.open(def)) return nullptr;
    for (const char* page : {"1", "2", "3"}) {
        kw::report::Band one = def.details[0];
        one.items[0].text = kw::W("Страница ") + page;
        (void)r.print(one);
        r.endPage();
    }
    r.close();
    return r.document();
}

}  // namespace

TEST_F(TicketQt, ThePreviewPagesForwardAndShowsThumbnailsAcross) {
    auto pages = threePages();
    ASSERT_TRUE(pages);
    ASSERT_EQ(pages->pages.size(), 3u);
    std::atomic<bool> printed{false};
    const int n = kw::proc::start([&] {
        kw::PreviewPages queue = pages;
        kw::PrintPreviewClass Previewer;
        Previewer.Init(queue);
        printed = Previewer.Display(kw::kZoomTile);
    });
    ASSERT_NE(n, 0);
    QWidget* w = windowTitled("Report Preview");
    ASSERT_TRUE(w);
    w->resize(1200, 800);
    EXPECT_TRUE(
        pumpUntil([&] { return statusText(w, "Zoom: ") == QStringLiteral("Zoom: Tile Pages"); }));
    auto trigger = [&](const char* text) {
        for (QAction* a : w->findChildren<QAction*>())
            if (a->text().remove('&') == QString::fromUtf8(text).remove('&') && a->isEnabled()) {
                a->trigger();
                return true;
            }
        return false;
    };
    ASSERT_TRUE(trigger("&Next Page(s)"));
    ASSERT_TRUE(pumpUntil([&] { return statusText(w, "Page ") == QStringLiteral("Page 2 of 3"); }));
    // Three across: the grid starts at page 2 and shows the last two.
    // The entries left to right: page, across, down.
    QList<QLineEdit*> entries = w->findChildren<QLineEdit*>();
    ASSERT_EQ(entries.size(), 3);
    std::sort(entries.begin(), entries.end(), [](QLineEdit* a, QLineEdit* b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    QLineEdit* across = entries[1];
    across->setFocus();
    across->selectAll();
    QTest::keyClicks(across, "3");
    QTest::keyClick(across, Qt::Key_Tab);
    ASSERT_TRUE(pumpUntil([&] { return statusText(w, "Page ") == QStringLiteral("Page 2 of 3"); }));
    auto* canvas = w->findChild<QScrollArea*>();
    ASSERT_TRUE(canvas && canvas->widget());
    pumpUntil([] { return false; }, 300);
    EXPECT_GT(canvas->widget()->width(),
              3 * canvas->widget()->height() / 2);  // three sheets side by side
    shoot(w, "preview_thumbnails.png");
    ASSERT_TRUE(trigger("&Previous Page(s)"));
    ASSERT_TRUE(pumpUntil([&] { return statusText(w, "Page ") == QStringLiteral("Page 1 of 3"); }));
    ASSERT_TRUE(trigger("E&xit"));
    ASSERT_TRUE(pumpUntil([&] { return !kw::proc::isRunning(n); }));
    EXPECT_FALSE(printed);
}
