// The toolbar dispatcher and its targets.
#include "framework/window/toolbar_class.h"

#include <algorithm>

#include "framework/window/browse_class.h"
#include "framework/window/framework_globals.h"
#include "framework/window/window_manager.h"
#include "runtime/assertion.h"

namespace kw {

namespace ev = ui::ev;

namespace {

bool usable(ui::Window& w, int32_t control) {
    if (control == 0 || !w.isOpen()) return false;
    const auto m = w.model();
    std::lock_guard lock(ui::uiMutex());
    return m->control(control) != nullptr && m->usable(control);
}

// Presses a button of the window as the user would.
bool press(ui::Window& w, int32_t control) {
    if (!usable(w, control)) return false;
    w.post(ev::Accepted, control);
    return true;
}

}  // namespace

// ------------------------------------------------------------------ targets

Level ToolbarTarget::TakeEvent(int32_t*, WindowManager& Window) {
    switch (Window.Win.field()) {
        case vcr::Insert:
            (void)press(Window.Win, InsertButton);
            return Level::Notify;
        case vcr::Change:
            (void)press(Window.Win, ChangeButton);
            return Level::Notify;
        case vcr::Delete:
            (void)press(Window.Win, DeleteButton);
            return Level::Notify;
        case vcr::Select:
            (void)press(Window.Win, SelectButton);
            return Level::Notify;
        case vcr::Help:
            TakeHelp();
            return Level::Notify;
        default:
            return Level::Benign;
    }
}

void ToolbarTarget::TakeToolbar(ToolbarClass& Toolbar) {
    Toolbar.ResetButtons();
    Toolbar.SetButton(vcr::Insert, InsertButton != 0);
    Toolbar.SetButton(vcr::Change, ChangeButton != 0);
    Toolbar.SetButton(vcr::Delete, DeleteButton != 0);
    Toolbar.SetButton(vcr::Select, SelectButton != 0);
    Toolbar.SetButton(vcr::Help, true);
}

Level ToolbarUpdateClass::TakeEvent(int32_t* VCRRequest, WindowManager& Window) {
    const int32_t c = Window.Win.field();
    const bool navigation = c == vcr::Insert || (c >= vcr::Bottom && c <= vcr::Up);
    if (!navigation) return ToolbarTarget::TakeEvent(VCRRequest, Window);
    // An insert form only adds another; a delete form does not move on.
    if (Request == req::Delete || (Request == req::Insert && c != vcr::Insert && c != vcr::Down))
        return Level::Notify;
    if (VCRRequest) *VCRRequest = c;
    Window.PostCompleted();
    return Level::Notify;
}

void ToolbarUpdateClass::TakeToolbar(ToolbarClass& Toolbar) {
    Toolbar.ResetButtons();
    if (Request == req::Insert) {
        Toolbar.SetButton(vcr::Insert, true, "Save record and add another");
        Toolbar.SetButton(vcr::Down, true, "Save record and add another");
    } else if (Request != req::Delete) {
        Toolbar.SetButton(vcr::Insert, true, "Save this record and add a new one");
        Toolbar.SetButton(vcr::Bottom, true, "Save changes and go to last record");
        Toolbar.SetButton(vcr::Top, true, "Save changes and go to first record");
        Toolbar.SetButton(vcr::PageDown, true, "Save changes and page down to record");
        Toolbar.SetButton(vcr::PageUp, true, "Save changes and page up to record");
        Toolbar.SetButton(vcr::Down, true, "Save changes and go to next record");
        Toolbar.SetButton(vcr::Up, true, "Save changes and go to previous record");
    }
    Toolbar.SetButton(vcr::History, History != 0);
    Toolbar.SetButton(vcr::Help, true);
}

Level BrowseToolbarClass::TakeEvent(int32_t* VCRRequest, WindowManager& Window) {
    const int32_t c = Window.Win.field();
    if (c >= vcr::Bottom && c <= vcr::Up) {
        Browse->TakeVCRScroll(c);
        Browse->PostNewSelection();
        return Level::Notify;
    }
    InsertButton = Browse->InsertControl;
    ChangeButton = Browse->ChangeControl;
    DeleteButton = Browse->DeleteControl;
    SelectButton = Browse->Selecting ? Browse->SelectControl : 0;
    return ToolbarTarget::TakeEvent(VCRRequest, Window);
}

void BrowseToolbarClass::TakeToolbar(ToolbarClass& Toolbar) {
    InsertButton = Browse->InsertControl;
    ChangeButton = Browse->ChangeControl;
    DeleteButton = Browse->DeleteControl;
    SelectButton = Browse->Selecting ? Browse->SelectControl : 0;
    ToolbarTarget::TakeToolbar(Toolbar);
    for (int32_t n = vcr::Bottom; n <= vcr::Up; ++n) Toolbar.SetButton(n, true);
}

// ------------------------------------------------------------------ the toolbar

void ToolbarClass::Init() {
    targets_.clear();
    current_ = nullptr;
    ResetButtons();
}

void ToolbarClass::Kill() {
    targets_.clear();
    current_ = nullptr;
    buttons_.clear();
}

void ToolbarClass::AddTarget(ToolbarTarget& Target, int32_t Control) {
    Target.Control = Control;
    for (Entry& e : targets_) {
        if (e.Target == &Target) {
            e.Control = Control;
            return;
        }
    }
    targets_.push_back(Entry{&Target, Control});
    if (!current_) {
        current_ = &Target;
        current_->TakeToolbar(*this);
    }
}

void ToolbarClass::RemoveTarget(ToolbarTarget& Target) {
    targets_.erase(std::remove_if(targets_.begin(), targets_.end(),
                                  [&](const Entry& e) { return e.Target == &Target; }),
                   targets_.end());
    if (current_ == &Target) current_ = targets_.empty() ? nullptr : targets_.back().Target;
}

void ToolbarClass::SetTarget(int32_t Control, WindowManager* Window) {
    ToolbarTarget* chosen = nullptr;
    if (Control != 0) {
        for (const Entry& e : targets_)
            if (e.Control == Control) chosen = e.Target;
    } else {
        const int32_t focus = Window ? Window->Win.focus() : 0;
        for (const Entry& e : targets_)
            if (e.Target->Claims(focus)) chosen = e.Target;
    }
    if (!chosen || chosen == current_) return;
    current_ = chosen;
    current_->TakeToolbar(*this);
    if (Window) DisplayButtons(*Window);
}

Level ToolbarClass::TakeEvent(int32_t* VCRRequest, WindowManager& Window) {
    if (Window.Win.event() != ev::Accepted) return Level::Benign;
    const int32_t c = Window.Win.field();
    if (c < vcr::First || c > vcr::Last) return Level::Benign;
    if (c == vcr::History) {
        const int32_t focus = Window.Win.focus();
        if (focus != 0) {
            (void)Window.Win.update(focus);
            Window.RestoreField(focus);
        }
        return Level::Notify;
    }
    SetTarget(0, &Window);
    return current_ ? current_->TakeEvent(VCRRequest, Window) : Level::Benign;
}

void ToolbarClass::DisplayButtons(WindowManager& Window) {
    if (!Window.Win.isOpen()) return;
    for (int32_t n = vcr::First; n <= vcr::Last; ++n) {
        if (!Window.Win.model()->def.find(n)) continue;
        const Button* b = ButtonOf(n);
        Window.Win.enable(n, b && b->Enabled);
    }
}

void ToolbarClass::SetButton(int32_t Number, bool Enabled, std::string TipText) {
    Button& b = buttons_[Number];
    b.Enabled = Enabled;
    b.Tip = std::move(TipText);
}

void ToolbarClass::ResetButtons() {
    buttons_.clear();
    for (int32_t n = vcr::First; n <= vcr::Last; ++n) buttons_[n] = Button{};
}

const ToolbarClass::Button* ToolbarClass::ButtonOf(int32_t Number) const {
    auto it = buttons_.find(Number);
    return it == buttons_.end() ? nullptr : &it->second;
}

std::string ToolbarClass::Tip(int32_t Number) const {
    const Button* b = ButtonOf(Number);
    return b ? b->Tip : std::string();
}

// ------------------------------------------------------------------ the window's side

void WindowManager::AddItem(ToolbarClass& T) {
    Toolbar = &T;
    T.Init();
}

void WindowManager::AddItem(ToolbarUpdateClass& Target) {
    if (!Toolbar) {
        KW_ASSERT_FAIL(
            "A form's toolbar behaviour needs the window's toolbar (AddItem(Toolbar) first)");
        return;
    }
    Target.Request = Request;
    Target.History = (HistoryKey != 0 && History && !History->empty()) ? 1 : 0;
    Toolbar->AddTarget(Target, 0);
    Toolbar->SetTarget(0, this);
    // The target may already have been current before its request was known.
    if (Toolbar->Current() == &Target) Target.TakeToolbar(*Toolbar);
    Toolbar->DisplayButtons(*this);
}

}  // namespace kw
