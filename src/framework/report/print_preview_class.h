// PrintPreviewClass: the "Report Preview" window over the finished pages of a report.
// The user pages through them (one page or a grid of thumbnails, "&Across:" by
// "&Down:"), zooms, jumps to a page, chooses the pages to print, prints, saves them
// as a PDF file, or leaves. Display() answers whether the user chose to print; the
// report manager then prints PagesToPrint.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/window/window_manager.h"
#include "runtime/report.h"

namespace kw {

// The pages a preview shows: the document of the report, once it is opened.
using PreviewPages = std::shared_ptr<report::Document>;

// One row of the zoom table: menu text, status text, zoom (negative: fitting modes).
struct ZoomEntry {
    const char* menu;
    const char* status;
    int16_t zoom;
};
inline constexpr int16_t kZoomTile = -2;
inline constexpr int16_t kZoomPageWidth = -1;
const std::vector<ZoomEntry>& zoomTable();

// Controls of the preview window.
enum PreviewControl : int32_t {
    kPvFileMenu = 1,
    kPvPagesToPrint,
    kPvPrint,
    kPvSavePdf,
    kPvExitItem,
    kPvViewMenu,
    kPvNext,
    kPvPrevious,
    kPvJump,
    kPvChangeDisplay,
    kPvZoomMenu,
    kPvZoomFirst,  // the zoom table's items follow in order
    kPvPrintButton = 30,
    kPvExitButton,
    kPvZoomInButton,
    kPvZoomOutButton,
    kPvPagePrompt,
    kPvPage,
    kPvAcrossPrompt,
    kPvAcross,
    kPvDownPrompt,
    kPvDown,
    kPvCanvas,
    kPvZoomStatus,
    kPvPageStatus,
};

class PrintPreviewClass : public WindowManager {
  public:
    // The pages to show; they must outlive the preview's Display.
    void Init(PreviewPages& Queue);
    using WindowManager::Init;

    // Shows the window from CurrentPage with `Zoom` until the user prints or leaves;
    // true when the user chose to print (PagesToPrint then says which).
    bool Display(int16_t Zoom = kZoomPageWidth);

    Level Init() override;
    Level TakeAccepted() override;

    // The page numbers chosen to print (from "Pa&ges to Print..."); empty: all.
    std::vector<int> PagesToPrint;
    std::string PagesText;  // CP1251, as typed in that dialog

    // The view.
    int32_t CurrentPage = 1;
    int16_t PagesAcross = 1;
    int16_t PagesDown = 1;
    int16_t ZoomIndex = 0;  // into zoomTable()
    uint8_t PrintRequested = 0;

    int PageCount() const;
    std::string PageStatus() const;  // "Page n of m"
    std::string ZoomStatus() const;  // "Zoom: ..."

  private:
    void showView();
    void setZoom(int16_t zoom);
    void move(int pages);
    void jump();
    void choosePages();
    void savePdf();
    ui::WindowDef windowDef();

    PreviewPages* queue_ = nullptr;
    std::string zoomStatus_;
    std::string pageStatus_;
};

// Asks for a page number from 1 to `pages` in a small window on the calling thread
// ("Enter a page number from 1 to " and the count); 0 when cancelled.
int AskPageNumber(int pages, int current);
// The file name a document is offered under as a PDF: its name (CP1251) in UTF-8, with
// the characters a file name cannot hold turned into '-', and ".pdf".
std::string pdfFileName(const std::string& nameCp1251);

}  // namespace kw
