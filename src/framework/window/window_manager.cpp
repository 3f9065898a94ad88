// WindowManager: set-up, the run, registration of components and buttons, tear-down.
#include "framework/window/window_manager.h"

#include <algorithm>

#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/window_component.h"
#include "framework/window/window_resize_class.h"
#include "runtime/codepage.h"

namespace kw {

RequestCaptions RequestCaptions::Standard() {
    RequestCaptions c;
    c.Insert = W("Добавить ???");
    c.Change = W("Изменить ???");
    c.Delete = W("Удалить ???");
    return c;
}

ui::Binding UseField(const storage::TableDecl& table, std::string_view name) {
    const int n = table.fieldNumber(std::string(name));
    if (n == 0 || !table.buffer) return ui::Binding();
    const storage::FieldDecl& f = table.field(n);
    if (f.type == storage::FieldType::Group || std::size_t{f.offset} + f.size > table.recordSize)
        return ui::Binding();
    return ui::Binding::field(table.buffer, f.offset, static_cast<ui::ValueType>(f.type), f.size,
                              f.places)
        .named(table.label + ":" + f.name);
}

WindowManager::WindowManager() : Errors(&GlobalErrors) {}

WindowManager::~WindowManager() = default;

Level WindowManager::Init() {
    OriginalRequest = Request;
    CL = std::make_unique<std::vector<WindowComponent*>>();
    Buttons = std::make_unique<std::vector<ButtonResponse>>();
    InsertAction = kInsertClose;
    DeleteAction = kDeleteWarn;
    ChangeAction = 1;
    CancelAction = kCancelSave | kCancelQuery;
    AutoToolbar = 1;
    AutoRefresh = 1;
    return Level::Benign;
}

uint8_t WindowManager::Run() {
    if (Init() == Level::Benign) Ask();
    (void)Kill();
    return Response != 0 ? Response : resp::Cancelled;
}

uint8_t WindowManager::Run(uint16_t, uint8_t) {
    return resp::Cancelled;
}

void WindowManager::Ask() {
    if (Dead) return;
    LastInsertedPosition.clear();
    while (Win.accept() != 0) {
        const Level l = TakeEvent();
        if (l == Level::Fatal) break;
        if (l == Level::Notify) Win.consume();
    }
}

Level WindowManager::Kill() {
    if (Dead) return Level::Notify;
    // A component's Kill may still use the window (the resizer saves its settings).
    if (CL) {
        while (!CL->empty()) {
            WindowComponent* c = CL->front();
            CL->erase(CL->begin());
            c->Kill();
        }
    }
    Buttons.reset();
    History.reset();
    if (Files) {
        for (UpdateFileEntry& f : *Files)
            if (f.Saved != 0) f.File->RestoreBuffer(f.Saved, 0);
        Files.reset();
    }
    if (Saved != 0 && Primary && Primary->Me) Primary->Me->RestoreBuffer(Saved, 0);
    Saved = 0;
    Resize = nullptr;
    Win.close();
    Opened = 0;
    Dead = 1;
    return Level::Benign;
}

bool WindowManager::OpenWindow(ui::WindowDef Def) {
    // A form that completes by OK: Enter moves between its fields instead.
    if (OKControl != 0 && (Request == req::Insert || Request == req::Change))
        Def.enterMovesOn = true;
    if (!Win.open(std::move(Def))) return false;
    Opened = 1;
    return true;
}

std::string WindowManager::CaptionFor(const RequestCaptions& Captions) const {
    switch (Request) {
        case req::Insert:
            return Captions.Insert;
        case req::Change:
            return Captions.Change;
        case req::Delete:
            return Captions.Delete;
        case req::View:
            return Captions.View;
        default:
            return std::string();
    }
}

void WindowManager::SetCaptionByRequest(const RequestCaptions& Captions) {
    const std::string caption = CaptionFor(Captions);
    if (!caption.empty()) Win.setTitle(caption);
}

void WindowManager::AddItem(WindowComponent& Component) {
    if (!CL) CL = std::make_unique<std::vector<WindowComponent*>>();
    if (std::find(CL->begin(), CL->end(), &Component) == CL->end()) CL->push_back(&Component);
}

void WindowManager::AddItem(int32_t Control, uint8_t R) {
    if (!Buttons) Buttons = std::make_unique<std::vector<ButtonResponse>>();
    Buttons->push_back(ButtonResponse{Control, R});
}

void WindowManager::AddItem(WindowResizeClass& Resizer) {
    Resize = &Resizer;
    AddItem(static_cast<WindowComponent&>(Resizer));
}

void WindowManager::RemoveItem(WindowComponent& Component) {
    if (CL) CL->erase(std::remove(CL->begin(), CL->end(), &Component), CL->end());
    if (Resize == &Component) Resize = nullptr;
}

void WindowManager::RemoveItem(int32_t Control) {
    if (!Buttons) return;
    Buttons->erase(
        std::remove_if(Buttons->begin(), Buttons->end(),
                       [Control](const ButtonResponse& b) { return b.Control == Control; }),
        Buttons->end());
}

void WindowManager::AddUpdateFile(FileManager& File) {
    if (!Files) Files = std::make_unique<std::vector<UpdateFileEntry>>();
    Files->push_back(UpdateFileEntry{&File, 0});
}

}  // namespace kw
