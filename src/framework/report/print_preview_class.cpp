#include "framework/report/print_preview_class.h"

#include <algorithm>

#include "runtime/codepage.h"
#include "runtime/message_box.h"

namespace kw {

namespace ev = ui::ev;
using ui::Binding;
using ui::Control;

const std::vector<ZoomEntry>& zoomTable() {
    static const std::vector<ZoomEntry> table = {
        {"Tile pages", "Zoom: Tile Pages", kZoomTile},
        {"Page Width", "Zoom: Page Width", kZoomPageWidth},
        {"50% Zoom", "Zoom: 50%", 50},
        {"75% Zoom", "Zoom: 75%", 75},
        {"100% Zoom", "Zoom: 100%", 100},
        {"200% Zoom", "Zoom: 200%", 200},
        {"300% Zoom", "Zoom: 300%", 300},
    };
    return table;
}

void PrintPreviewClass::Init(PreviewPages& Queue) {
    queue_ = &Queue;
}

int PrintPreviewClass::PageCount() const {
    return queue_ && *queue_ ? static_cast<int>((*queue_)->pages.size()) : 0;
}

std::string PrintPreviewClass::PageStatus() const {
    return "Page " + std::to_string(CurrentPage) + " of " + std::to_string(PageCount());
}

std::string PrintPreviewClass::ZoomStatus() const {
    return zoomTable()[static_cast<std::size_t>(std::clamp<int>(ZoomIndex, 0, 6))].status;
}

bool PrintPreviewClass::Display(int16_t Zoom) {
    PrintRequested = 0;
    Dead = 0;
    Inited = 0;
    Response = 0;
    ZoomIndex = 1;
    for (std::size_t i = 0; i < zoomTable().size(); ++i)
        if (zoomTable()[i].zoom == Zoom) ZoomIndex = static_cast<int16_t>(i);
    if (PageCount() == 0) return false;
    (void)Run();
    return PrintRequested != 0;
}

ui::WindowDef PrintPreviewClass::windowDef() {
    ui::WindowDef s;
    s.title = "Report Preview";
    s.width = 110;
    s.height = 36;
    s.begin(Control::menu("&File").number(kPvFileMenu));
    s.add(Control::item("Pa&ges to Print...").number(kPvPagesToPrint));
    s.add(Control::item("&Print").number(kPvPrint));
    s.add(Control::item("Save as PDF...").number(kPvSavePdf));
    s.add(Control::item("E&xit").number(kPvExitItem));
    s.end();
    s.begin(Control::menu("&View").number(kPvViewMenu));
    s.add(Control::item("&Next Page(s)").number(kPvNext));
    s.add(Control::item("&Previous Page(s)").number(kPvPrevious));
    s.add(Control::item("&Jump to a page").number(kPvJump));
    s.add(Control::item("&Change Display").number(kPvChangeDisplay));
    s.end();
    s.begin(Control::menu("&Zoom").number(kPvZoomMenu));
    for (std::size_t i = 0; i < zoomTable().size(); ++i)
        s.add(Control::item(zoomTable()[i].menu).number(kPvZoomFirst + static_cast<int>(i)));
    s.end();
    // The toolbar.
    s.add(Control::button("Print").number(kPvPrintButton));
    s.add(Control::button("Exit").number(kPvExitButton));
    s.add(Control::button("Zoom In").number(kPvZoomInButton));
    s.add(Control::button("Zoom Out").number(kPvZoomOutButton));
    s.add(Control::prompt("&Page:").number(kPvPagePrompt));
    s.add(Control::entry(Binding::of(CurrentPage).named("PAGE"), "n_5").number(kPvPage).beside());
    s.add(Control::prompt("&Across:").number(kPvAcrossPrompt).beside());
    s.add(
        Control::entry(Binding::of(PagesAcross).named("ACROSS"), "n2").number(kPvAcross).beside());
    s.add(Control::prompt("&Down:").number(kPvDownPrompt).beside());
    s.add(Control::entry(Binding::of(PagesDown).named("DOWN"), "n2").number(kPvDown).beside());
    s.add(Control::canvas(queue_ && *queue_ ? queue_->get() : nullptr).number(kPvCanvas));
    s.add(Control::status("", 20).number(kPvZoomStatus));
    s.add(Control::status("", 16).number(kPvPageStatus));
    return s;
}

Level PrintPreviewClass::Init() {
    const Level l = WindowManager::Init();
    if (l != Level::Benign) return l;
    if (!OpenWindow(windowDef())) return Level::Notify;
    CurrentPage = std::clamp(CurrentPage, 1, std::max(1, PageCount()));
    showView();
    return Level::Benign;
}

void PrintPreviewClass::showView() {
    const int count = std::max(1, PageCount());
    PagesAcross = static_cast<int16_t>(std::clamp<int>(PagesAcross, 1, 10));
    PagesDown = static_cast<int16_t>(std::clamp<int>(PagesDown, 1, 10));
    CurrentPage = std::clamp(CurrentPage, 1, count);
    const int16_t zoom =
        zoomTable()[static_cast<std::size_t>(std::clamp<int>(ZoomIndex, 0, 6))].zoom;
    Win.setText(kPvCanvas, std::to_string(CurrentPage) + " " + std::to_string(PagesAcross) + " " +
                               std::to_string(PagesDown) + " " + std::to_string(zoom));
    Win.setText(kPvZoomStatus, ZoomStatus());
    Win.setText(kPvPageStatus, PageStatus());
    Win.enable(kPvNext, CurrentPage + PagesAcross * PagesDown <= count);
    Win.enable(kPvPrevious, CurrentPage > 1);
    Win.display();
}

void PrintPreviewClass::setZoom(int16_t index) {
    ZoomIndex =
        static_cast<int16_t>(std::clamp<int>(index, 0, static_cast<int>(zoomTable().size()) - 1));
    showView();
}

void PrintPreviewClass::move(int pages) {
    CurrentPage += pages;
    showView();
}

void PrintPreviewClass::jump() {
    const int page = AskPageNumber(PageCount(), CurrentPage);
    if (page > 0) CurrentPage = page;
    showView();
}

Level PrintPreviewClass::TakeAccepted() {
    const Level l = WindowManager::TakeAccepted();
    if (l != Level::Benign) return l;
    const int32_t c = Win.field();
    const int step = PagesAcross * PagesDown;
    if (c >= kPvZoomFirst && c < kPvZoomFirst + static_cast<int>(zoomTable().size())) {
        setZoom(static_cast<int16_t>(c - kPvZoomFirst));
        return Level::Benign;
    }
    switch (c) {
        case kPvPagesToPrint:
            choosePages();
            break;
        case kPvPrint:
        case kPvPrintButton:
            PrintRequested = 1;
            SetResponse(resp::Completed);
            break;
        case kPvSavePdf:
            savePdf();
            break;
        case kPvExitItem:
        case kPvExitButton:
            SetResponse(resp::Cancelled);
            break;
        case kPvNext:
            move(step);
            break;
        case kPvPrevious:
            move(-step);
            break;
        case kPvJump:
            jump();
            break;
        case kPvChangeDisplay:
            Win.select(kPvAcross);
            break;
        case kPvZoomInButton:
            setZoom(static_cast<int16_t>(std::max<int>(ZoomIndex + 1, 2)));
            break;
        case kPvZoomOutButton:
            setZoom(static_cast<int16_t>(ZoomIndex <= 2 ? 1 : ZoomIndex - 1));
            break;
        case kPvPage:
        case kPvAcross:
        case kPvDown:
            showView();
            break;
        default:
            break;
    }
    return Level::Benign;
}

void PrintPreviewClass::choosePages() {
    const int count = PageCount();
    FixedString<40> typed;
    typed.assign(PagesText.empty() ? "1-" + std::to_string(count) : PagesText);
    ui::WindowDef s;
    s.title = "Pages to Print";
    s.resizable = false;
    s.add(Control::prompt("&Pages:").number(1));
    s.add(Control::entry(Binding::of(typed).named("PAGES"), "s40").number(2));
    s.add(Control::button("OK").number(3).asDefault());
    s.add(Control::button("Cancel").number(4));
    ui::Window w;
    if (!w.open(s)) return;
    while (int e = w.accept()) {
        if (e != ev::Accepted) continue;
        if (w.field() == 3) {
            (void)w.update();
            const std::vector<int> pages = report::parsePageList(typed.clip(), count);
            if (pages.empty()) {
                w.beep();
                w.select(2);
                continue;
            }
            PagesText = typed.clip();
            PagesToPrint =
                pages.size() == static_cast<std::size_t>(count) ? std::vector<int>{} : pages;
            w.close();
        } else if (w.field() == 4) {
            w.close();
        }
    }
}

std::string pdfFileName(const std::string& nameCp1251) {
    // Characters a file name cannot hold on the desks' systems become '-'.
    std::string name = cp::toUtf8(nameCp1251);
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            c = '-';
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    return (name.empty() ? std::string("report") : name) + ".pdf";
}

void PrintPreviewClass::savePdf() {
    report::Backend* b = report::backend();
    if (!b || !queue_ || !*queue_) return;
    const report::Document& doc = **queue_;
    const std::string path =
        b->askPdfPath(pdfFileName(doc.fileName.empty() ? doc.title : doc.fileName));
    if (path.empty()) return;
    std::string error;
    if (!b->writePdf(**queue_, {}, path, error))
        (void)msgbox::show(error, "Save as PDF", msgbox::Icon::Exclamation);
}

int AskPageNumber(int pages, int current) {
    int32_t page = current;
    ui::WindowDef s;
    s.title = "Jump to a page";
    s.resizable = false;
    s.add(Control::prompt("Enter a page number from 1 to " + std::to_string(pages)).number(1));
    s.add(Control::entry(Binding::of(page).named("PAGE"), "n_5").number(2));
    s.add(Control::button("OK").number(3).asDefault());
    s.add(Control::button("Cancel").number(4));
    ui::Window w;
    if (!w.open(s)) return 0;
    int answer = 0;
    while (int e = w.accept()) {
        if (e != ev::Accepted) continue;
        if (w.field() == 3) {
            (void)w.update();
            if (page < 1 || page > pages) {
                w.beep();
                w.select(2);
                continue;
            }
            answer = page;
            w.close();
        } else if (w.field() == 4) {
            w.close();
        }
    }
    return answer;
}

}  // namespace kw
