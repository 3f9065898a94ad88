// WindowManager: the dispatch of events to the handlers and the components, and the
// refresh of the window.
#include "framework/window/toolbar_class.h"
#include "framework/window/window_component.h"
#include "framework/window/window_manager.h"
#include "runtime/message_box.h"
#include "runtime/picture.h"

namespace kw {

namespace ev = ui::ev;

Level WindowManager::TakeEvent() {
    Level l = Level::Benign;
    if (Win.field() == 0) {
        l = TakeWindowEvent();
        if (l != Level::Benign) return l;
    }
    switch (Win.event()) {
        case ev::Accepted:
            NoteUserChange();
            l = TakeAccepted();
            break;
        case ev::Rejected:
            saveAndClose_ = false;  // the save asked for on closing did not pass
            l = TakeRejected();
            break;
        case ev::Selected:
            l = TakeSelected();
            break;
        case ev::NewSelection:
            l = TakeNewSelection();
            break;
        case ev::AlertKey:
            // The key arrives on the control that has the focus.
            if (HistoryKey != 0 && Win.keyCode() == HistoryKey) {
                const int32_t control = Win.field() != 0 ? Win.field() : Win.focus();
                (void)Win.update(control);
                RestoreField(control);
            }
            break;
        default:
            break;
    }
    if (l != Level::Benign) return l;
    if (Win.field() != 0) {
        l = TakeFieldEvent();
        if (l != Level::Benign) return l;
    }
    if (CL) {
        // By index: a component may add or remove components while it handles the event.
        for (std::size_t i = 0; i < CL->size(); ++i) {
            l = (*CL)[i]->TakeEvent();
            if (l != Level::Benign) return l;
        }
    }
    if (AutoRefresh && CL) {
        for (std::size_t i = 0; i < CL->size(); ++i) {
            if ((*CL)[i]->ResetRequired()) {
                Reset(0);
                break;
            }
        }
    }
    // A reset due since the window regained its focus.
    if (ForcedReset && Win.isOpen()) Reset(1);
    return Level::Benign;
}

Level WindowManager::TakeWindowEvent() {
    switch (Win.event()) {
        case ev::OpenWindow:
            if (!(Inited & 1)) Open();
            if (FirstField != 0) Win.select(FirstField);
            break;
        case ev::GainFocus:
            if (ResetOnGainFocus) ForcedReset = 1;
            break;
        case ev::Sized:
            if (!(Inited & 1))
                Open();
            else
                Reset(0);
            break;
        case ev::Shown:
            if (!(Inited & 2))
                Inited |= 2;
            else
                Reset(0);
            break;
        case ev::Completed:
            return TakeCompleted();
        case ev::CloseWindow:
        case ev::CloseDown:
            return TakeCloseEvent();
        default:
            break;
    }
    return Level::Benign;
}

void WindowManager::Open() {
    Reset(0);
    Inited |= 1;
}

Level WindowManager::TakeAccepted() {
    const int32_t control = Win.field();
    // The toolbar's buttons (3001..3013) go to its current target first.
    if (Toolbar) {
        const Level t = Toolbar->TakeEvent(VCRRequest, *this);
        if (t != Level::Benign) return t;
    }
    if (Buttons) {
        for (const ButtonResponse& b : *Buttons) {
            if (b.Control == control) {
                SetResponse(b.Response);
                return Level::Notify;
            }
        }
    }
    if (OKControl != 0 && control == OKControl) PostCompleted();
    return Level::Benign;
}

Level WindowManager::TakeRejected() {
    // The text stays as typed, so the operator sees what was refused and mends it.
    const int32_t control = Win.field();
    Win.beep();
    Win.select(control);
    std::string why = Win.rejectionText(control);
    if (why.empty()) why = picture::describe(Win.rejection());
    SayRejected(why);
    return Level::Notify;
}

void WindowManager::SayRejected(const std::string& Text) {
    msgbox::show(Text, Win.title(), msgbox::Icon::Exclamation, msgbox::Ok);
}

bool WindowManager::TakeEntries() {
    for (const ui::Control& c : Win.model()->def.controls) {
        if (c.kind != ui::ControlKind::Entry || c.readOnly || !Win.enabled(c.feq) ||
            Win.hidden(c.feq))
            continue;
        if (Win.update(c.feq) == 0) continue;
        Win.beep();
        Win.select(c.feq);
        SayRejected(Win.rejectionText(c.feq));
        return false;
    }
    return true;
}

Level WindowManager::TakeNewSelection() {
    if (Win.field() != 0) Reset(0);
    return Level::Benign;
}

Level WindowManager::TakeSelected() {
    return Level::Benign;
}

Level WindowManager::TakeFieldEvent() {
    return Level::Benign;
}

void WindowManager::NoteUserChange() {
    const int32_t control = Win.field();
    if (control == 0 || Win.acceptAllActive() || control == OKControl || !Win.model()) return;
    const ui::Control* c = Win.model()->def.find(control);
    if (!c) return;
    if (c->kind == ui::ControlKind::Button && Buttons)
        for (const ButtonResponse& b : *Buttons)
            if (b.Control == control) return;  // it closes the window itself
    if (c->kind == ui::ControlKind::Entry || c->kind == ui::ControlKind::Check ||
        c->kind == ui::ControlKind::Option || c->kind == ui::ControlKind::Button)
        UserChanged = 1;
}

void WindowManager::SetResponse(uint8_t R) {
    Response = R;
    Win.post(ev::CloseWindow);
    if (R == resp::Cancelled && Toolbar && VCRRequest) *VCRRequest = 0;
}

void WindowManager::PostCompleted() {
    if (OriginalRequest == req::Insert || OriginalRequest == req::Change)
        Win.selectAll();
    else
        Win.post(ev::Completed);
}

void WindowManager::Reset(uint8_t Force) {
    if (Win.acceptAllActive()) return;
    if (ForcedReset) Force = 1;
    ForcedReset = 0;
    ResetBuffers(Force);
    if (CL)
        for (std::size_t i = 0; i < CL->size(); ++i) (*CL)[i]->UpdateWindow();
    Win.display();
}

void WindowManager::ResetBuffers(uint8_t Force) {
    if (!CL) return;
    for (std::size_t i = 0; i < CL->size(); ++i) (*CL)[i]->Reset(Force);
}

void WindowManager::SetAlerts() {
    if (CL)
        for (std::size_t i = 0; i < CL->size(); ++i) (*CL)[i]->SetAlerts();
    if (HistoryKey != 0 && History)
        for (const HistoryEntry& h : *History) Win.alert(h.Control, HistoryKey);
}

void WindowManager::Update() {
    if (!CL) return;
    for (std::size_t i = 0; i < CL->size(); ++i) (*CL)[i]->Update();
}

}  // namespace kw
