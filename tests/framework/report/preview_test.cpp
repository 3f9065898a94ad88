// The preview window: pages, zoom, thumbnails across and down, the jump dialog, the
// pages to print, print, exit and Save as PDF.
#include <gtest/gtest.h>

#include "report_test_util.h"

namespace {

using namespace kwreport;
using kw::script::Drive;
using kw::script::WindowDriver;

class PreviewTest : public ReportTest {
  protected:
    // 300 clients: 6 pages.
    WindowDriver openPreview() {
        seedClients(300);
        thread_ = startReport();
        return window("Report Preview");
    }
    bool finish() { return kw::proc::wait(thread_, 20s); }
    int thread_ = 0;
};

std::string status(const WindowDriver& w, int control) {
    return w.shown(control);
}

}  // namespace

TEST_F(PreviewTest, PagesNavigateByTheGridAndTheStatusSaysWhere) {
    WindowDriver w = openPreview();
    ASSERT_TRUE(w);
    EXPECT_EQ(status(w, kw::kPvPageStatus), "Page 1 of 6");
    EXPECT_EQ(status(w, kw::kPvZoomStatus), "Zoom: Page Width");
    EXPECT_FALSE(w.enabled(kw::kPvPrevious));
    ASSERT_EQ(w.press("Next Page(s)"), Drive::Ok);
    EXPECT_EQ(status(w, kw::kPvPageStatus), "Page 2 of 6");
    EXPECT_EQ(w.shown(kw::kPvCanvas), "2 1 1 -1");
    // Two across and two down: the pages move by four, and not past the last grid.
    ASSERT_EQ(w.type(kw::kPvAcross, "2"), Drive::Ok);
    ASSERT_EQ(w.type(kw::kPvDown, "2"), Drive::Ok);
    ASSERT_EQ(w.press("Next Page(s)"), Drive::Ok);
    EXPECT_EQ(status(w, kw::kPvPageStatus), "Page 6 of 6");
    EXPECT_FALSE(w.enabled(kw::kPvNext));
    ASSERT_EQ(w.press("Previous Page(s)"), Drive::Ok);
    EXPECT_EQ(status(w, kw::kPvPageStatus), "Page 2 of 6");
    EXPECT_EQ(w.shown(kw::kPvCanvas), "2 2 2 -1");
    ASSERT_EQ(w.type(kw::kPvPage, "40"), Drive::Ok);  // beyond the last page: the last
    EXPECT_EQ(status(w, kw::kPvPageStatus), "Page 6 of 6");
    ASSERT_EQ(w.press("Exit"), Drive::Ok);
    ASSERT_TRUE(finish());
    EXPECT_TRUE(printer->printed().empty());
    EXPECT_EQ(trace.response, kw::resp::Completed);
}

TEST_F(PreviewTest, TheZoomMenuFollowsTheTable) {
    WindowDriver w = openPreview();
    ASSERT_TRUE(w);
    const char* items[] = {"Tile pages", "Page Width", "50% Zoom", "75% Zoom",
                           "100% Zoom",  "200% Zoom",  "300% Zoom"};
    const char* shown[] = {"Zoom: Tile Pages", "Zoom: Page Width", "Zoom: 50%", "Zoom: 75%",
                           "Zoom: 100%",       "Zoom: 200%",       "Zoom: 300%"};
    const char* canvas[] = {"-2", "-1", "50", "75", "100", "200", "300"};
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(w.press(items[i]), Drive::Ok) << items[i];
        EXPECT_EQ(status(w, kw::kPvZoomStatus), shown[i]);
        EXPECT_EQ(w.shown(kw::kPvCanvas), std::string("1 1 1 ") + canvas[i]);
    }
    ASSERT_EQ(w.press("Zoom Out"), Drive::Ok);
    EXPECT_EQ(status(w, kw::kPvZoomStatus), "Zoom: 200%");
    ASSERT_EQ(w.press("Exit"), Drive::Ok);
    ASSERT_TRUE(finish());
}

TEST_F(PreviewTest, TheJumpDialogAsksForAPageWithinTheCount) {
    WindowDriver w = openPreview();
    ASSERT_TRUE(w);
    ASSERT_EQ(w.press("Jump to a page"), Drive::Ok);
    WindowDriver jump = window("Jump to a page");
    ASSERT_TRUE(jump);
    EXPECT_EQ(jump.shown(1), "Enter a page number from 1 to 6");
    ASSERT_EQ(jump.type(2, "9"), Drive::Ok);
    ASSERT_EQ(jump.press("OK"), Drive::Ok);  // refused: beyond the count
    EXPECT_TRUE(jump.isOpen());
    ASSERT_EQ(jump.type(2, "5"), Drive::Ok);
    ASSERT_EQ(jump.press("OK"), Drive::Ok);
    EXPECT_TRUE(jump.waitClosed(5s));
    ASSERT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(status(w, kw::kPvPageStatus), "Page 5 of 6");
    ASSERT_EQ(w.press("Exit"), Drive::Ok);
    ASSERT_TRUE(finish());
}

TEST_F(PreviewTest, PrintSendsThePagesChosenToThePrinter) {
    WindowDriver w = openPreview();
    ASSERT_TRUE(w);
    ASSERT_EQ(w.press("Pages to Print..."), Drive::Ok);
    WindowDriver pages = window("Pages to Print");
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages.shown(2), "1-6");
    ASSERT_EQ(pages.type(2, "2-3,6"), Drive::Ok);
    ASSERT_EQ(pages.press("OK"), Drive::Ok);
    EXPECT_TRUE(pages.waitClosed(5s));
    ASSERT_EQ(w.settle(), Drive::Ok);
    ASSERT_EQ(w.press("Print"), Drive::Ok);
    ASSERT_TRUE(finish());
    const auto printed = printer->printed();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].pages, (std::vector<int>{2, 3, 6}));
    EXPECT_EQ(printed[0].doc->pages.size(), 6u);
}

TEST_F(PreviewTest, SaveAsPdfAsksForAFileAndWritesThePreviewedPages) {
    struct Writer : kw::report::Backend {
        bool print(const kw::report::Document&, const std::vector<int>&) override { return false; }
        bool writePdf(const kw::report::Document& d, const std::vector<int>& p,
                      const std::string& path, std::string&) override {
            pages = static_cast<int>(d.pages.size());
            asked = p;
            file = path;
            return true;
        }
        std::string askPdfPath(const std::string&) override { return ""; }
        int pages = 0;
        std::vector<int> asked{-1};
        std::string file;
    } writer;
    printer->setPdfWriter(&writer);
    printer->queuePdfPath("clients.pdf");
    WindowDriver w = openPreview();
    ASSERT_TRUE(w);
    ASSERT_EQ(w.press("Save as PDF..."), Drive::Ok);
    EXPECT_EQ(writer.file, "clients.pdf");
    EXPECT_EQ(writer.pages, 6);
    EXPECT_TRUE(writer.asked.empty());
    // Cancelled in the file dialog: nothing written.
    writer.file.clear();
    ASSERT_EQ(w.press("Save as PDF..."), Drive::Ok);
    EXPECT_EQ(writer.file, "");
    ASSERT_EQ(w.press("Exit"), Drive::Ok);
    ASSERT_TRUE(finish());
    printer->setPdfWriter(nullptr);
    EXPECT_TRUE(printer->printed().empty());
}
