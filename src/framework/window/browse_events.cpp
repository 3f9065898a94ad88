// BrowseClass: events, scrolling, keys and locators, and the update form (Ask).
#include <algorithm>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/browse_class.h"
#include "framework/window/framework_globals.h"
#include "framework/window/locator_class.h"
#include "framework/window/popup_class.h"
#include "framework/window/step_class.h"
#include "framework/window/toolbar_class.h"
#include "framework/window/window_manager.h"

namespace kw {

namespace ev = ui::ev;
namespace key = ui::key;

bool BrowseClass::usable(int32_t control) {
    if (control == 0 || !Window || !Window->Win.isOpen()) return false;
    const auto m = Window->Win.model();
    std::lock_guard lock(ui::uiMutex());
    return m->control(control) != nullptr && m->usable(control);
}

bool BrowseClass::press(int32_t control) {
    if (!usable(control)) return false;
    Window->Win.post(ev::Accepted, control);
    return true;
}

int32_t* BrowseClass::vcr() {
    return Window && Window->VCRRequest ? Window->VCRRequest : &::VCRRequest;
}

void BrowseClass::PostNewSelection() {
    if (Window && ILC) Window->Win.post(ev::NewSelection, ILC->GetControl());
}

// ------------------------------------------------------------------ events

Level BrowseClass::TakeEvent() {
    if (!Window || !ILC || killed_) return Level::Benign;
    ui::Window& w = Window->Win;
    const int e = w.event();
    const int32_t f = w.field();
    syncChoice();
    if (f == 0) {
        if (e == ev::CloseWindow || e == ev::CloseDown) takeClose();
        if (e == ev::Sized && Loaded && !FileLoaded && ILC->GetItems() != LastItems)
            ResetQueue(reset::Queue);
        return Level::Benign;
    }
    if (f == ILC->GetControl()) {
        switch (e) {
            case ev::ScrollUp:
            case ev::ScrollDown:
            case ev::PageUp:
            case ev::PageDown:
            case ev::ScrollTop:
            case ev::ScrollBottom:
            case ev::ScrollDrag:
                TakeScroll(e);
                return Level::Notify;
            case ev::AlertKey:
                return TakeKey();
            case ev::NewSelection:
                TakeNewSelection();
                break;
            case ev::Locate:
                TakeLocate();
                return Level::Notify;
            default:
                break;
        }
    } else if (e == ev::Accepted) {
        uint8_t request = 0;
        if (f == InsertControl)
            request = req::Insert;
        else if (f == ChangeControl)
            request = req::Change;
        else if (f == DeleteControl)
            request = req::Delete;
        else if (f == ViewControl)
            request = req::View;
        if (request != 0) {
            (void)w.update();
            Window->Update();
            (void)Ask(request);
            return Level::Notify;
        }
        if (f == SelectControl) {
            Window->SetResponse(resp::Completed);
            return Level::Notify;
        }
        if (f == PrintControl) {
            (void)UpdateViewRecord();
            (void)Window->Run(PrintProcedure, 0);
            return Level::Notify;
        }
        if (f == ToolControl) {
            (void)PopupMenu().Toolbox(kToolboxTitle);
            return Level::Notify;
        }
        if (f == QueryControl) {
            w.beep();  // no query-by-example dialog in this program
            return Level::Notify;
        }
        const Level l = TakeAcceptedLocator();
        if (l != Level::Benign) return l;
    }
    if (NeedRefresh) {
        ResetQueue(reset::Queue);
        NeedRefresh = 0;
    }
    return Level::Benign;
}

void BrowseClass::syncChoice() {
    if (!ILC || !Loaded || Records() == 0) return;
    const int32_t c = ILC->Choice();
    if (c < 1 || c > Records() || c == CurrentChoice) return;
    CurrentChoice = c;
    // The user moved: what a locator had typed no longer applies.
    if (SortOrder* o = Current(); o && o->Locator) o->Locator->Reset();
    TakeChoiceChanged();
}

void BrowseClass::TakeNewSelection() {
    syncChoice();
    windowResetDue_ = true;
}

void BrowseClass::TakeChoiceChanged() {
    UpdateBuffer();
    UpdateThumb();
    windowResetDue_ = true;
}

// ------------------------------------------------------------------ scrolling

void BrowseClass::TakeScroll(int Event) {
    if (Records() > 0) CurrentChoice = std::clamp(ILC->Choice(), 1, Records());
    if (SortOrder* o = Current(); o && o->Locator) o->Locator->Reset();
    switch (Event) {
        case ev::ScrollUp:
        case ev::ScrollDown:
            ScrollOne(Event);
            break;
        case ev::PageUp:
        case ev::PageDown:
            ScrollPage(Event);
            break;
        case ev::ScrollTop:
        case ev::ScrollBottom:
            ScrollEnd(Event);
            break;
        case ev::ScrollDrag: {
            const int p = Window->Win.thumbPosition();
            SortOrder* o = Current();
            if (p < 2) {
                ScrollEnd(ev::ScrollTop);
            } else if (p >= 100) {
                ScrollEnd(ev::ScrollBottom);
            } else if (FileLoaded) {
                CurrentChoice = std::max(1, p * Records() / 100);
                showPage();
            } else if (o && o->Thumb && o->FreeElement.valid()) {
                setFieldValue(o->FreeElement, o->Thumb->GetValue(static_cast<uint8_t>(p)));
                ResetFromBuffer();
            } else if (p < 50) {
                ScrollPage(ev::PageUp);
            } else if (p > 50) {
                ScrollPage(ev::PageDown);
            }
            break;
        }
        default:
            return;
    }
    PostNewSelection();
}

void BrowseClass::ScrollOne(int Event) {
    const bool up = Event == ev::ScrollUp;
    if (up && CurrentChoice > 1) {
        --CurrentChoice;
    } else if (!up && CurrentChoice < Records()) {
        ++CurrentChoice;
    } else if (!FileLoaded) {
        ItemsToFill = 1;
        Fetch(up ? fill::Backward : fill::Forward);
        CurrentChoice = up ? 1 : Records();
    }
    showPage();
}

void BrowseClass::ScrollPage(int Event) {
    const bool up = Event == ev::PageUp;
    const int32_t items = ILC->GetItems();
    int32_t unloaded = items;
    if (!FileLoaded) {
        ItemsToFill = items;
        Fetch(up ? fill::Backward : fill::Forward);
        unloaded = ItemsToFill;
    }
    CurrentChoice += up ? -unloaded : unloaded;
    showPage();
}

void BrowseClass::ScrollEnd(int Event) {
    const bool top = Event == ev::ScrollTop;
    if (!FileLoaded && View) {
        ListQueue->Free();
        topIsFirst_ = bottomIsLast_ = false;
        if (top)
            (void)View->setStart();
        else
            (void)View->setEnd();
        LastItems = std::max(1, ILC->GetItems());
        ItemsToFill = LastItems;
        Fetch(top ? fill::Forward : fill::Backward);
        if (Records() > 0) (top ? topIsFirst_ : bottomIsLast_) = true;
    }
    CurrentChoice = top ? 1 : Records();
    showPage();
}

void BrowseClass::TakeVCRScroll(int32_t Vcr) {
    if (Records() > 0) CurrentChoice = std::clamp(ILC->Choice(), 1, Records());
    switch (Vcr) {
        case vcr::Bottom:
            ScrollEnd(ev::ScrollBottom);
            break;
        case vcr::Top:
            ScrollEnd(ev::ScrollTop);
            break;
        case vcr::PageDown:
            ScrollPage(ev::PageDown);
            break;
        case vcr::PageUp:
            ScrollPage(ev::PageUp);
            break;
        case vcr::Down:
            ScrollOne(ev::ScrollDown);
            break;
        case vcr::Up:
            ScrollOne(ev::ScrollUp);
            break;
        default:
            break;
    }
}

// ------------------------------------------------------------------ keys and locators

Level BrowseClass::TakeKey() {
    switch (Window->Win.keyCode()) {
        case key::DoubleClick:
            if (Selecting && SelectControl && usable(SelectControl))
                (void)press(SelectControl);
            else if (!press(ChangeControl))
                (void)press(ViewControl);
            return Level::Notify;
        case key::RightClick:
            (void)PopupMenu().Ask();
            return Level::Notify;
        case key::Enter:
            if (!Selecting || !SelectControl || !usable(SelectControl)) break;
            (void)press(SelectControl);
            return Level::Notify;
        case key::Insert:
            if (!InsertControl) break;
            (void)press(InsertControl);
            return Level::Notify;
        case key::CtrlEnter:
            if (!ChangeControl) break;
            (void)press(ChangeControl);
            return Level::Notify;
        case key::Delete:
            if (!DeleteControl) break;
            (void)press(DeleteControl);
            return Level::Notify;
        case key::ShiftEnter:
            if (!ViewControl) break;
            (void)press(ViewControl);
            return Level::Notify;
        default:
            break;
    }
    SortOrder* o = Current();
    if (!o || !o->Locator) return Level::Benign;
    if (o->Locator->TakeKey()) {
        TakeLocate();
    } else if (o->Locator->TookKey()) {
        o->Locator->UpdateWindow();
        windowResetDue_ = true;
        Window->Reset(0);
    } else {
        return Level::Benign;
    }
    return Level::Notify;
}

void BrowseClass::TakeLocate() {
    SortOrder* o = Current();
    if (!o || !o->Locator) return;
    o->Locator->Set();
    LocateFreeElement();
    o->Locator->UpdateWindow();
    Window->Reset(0);
}

Level BrowseClass::TakeAcceptedLocator() {
    SortOrder* o = Current();
    if (!o || !o->Locator || !o->Locator->TakeAccepted()) return Level::Benign;
    TakeLocate();
    return Level::Notify;
}

// ------------------------------------------------------------------ the update form

uint8_t BrowseClass::AskRecord(uint8_t) {
    return resp::Cancelled;
}

void BrowseClass::NotifyUpdateError() {
    if (Window) Window->Win.beep();
}

uint8_t BrowseClass::Ask(uint8_t Request) {
    int32_t* nav = vcr();
    uint8_t response = resp::Cancelled;
    for (;;) {
        *nav = 0;
        if (AskProcedure == 0) {
            response = AskRecord(Request);
            break;
        }
        if (Request == req::Insert) {
            if (PrimeRecord() != Level::Benign) {
                UpdateBuffer();
                return resp::Cancelled;
            }
        } else if (!UpdateViewRecord()) {
            // Nothing highlighted, or its record is gone.
            ResetQueue(reset::Queue);
            Window->Reset(0);
            return resp::Cancelled;
        }
        if (Request == req::Insert && Primary && Primary->Me)
            Primary->Me->SetThread().LastInserted = 0;
        response = Window->Run(AskProcedure, Request);
        ResetFromAsk(Request, response);
        const int32_t step = *nav;
        if (step == 0) break;
        if (step == vcr::Insert) {
            Request = req::Insert;
        } else if (Request != req::Insert) {
            const BrowseQueue::Row* before = ListQueue->At(CurrentChoice);
            const std::string was = before ? before->ViewPosition : std::string();
            TakeVCRScroll(step);
            const BrowseQueue::Row* after = ListQueue->At(CurrentChoice);
            // At the end of the view there is no other record to go to.
            if (!after || after->ViewPosition == was) break;
        }
    }
    *nav = 0;
    Window->Reset(0);
    return response;
}

void BrowseClass::ResetFromAsk(uint8_t Request, uint8_t Response) {
    const bool wrote =
        Response == resp::Completed && (Request == req::Insert || Request == req::Change);
    // The record the form wrote is the file's current record. The form's end may have
    // given the file's earlier state back to this procedure, the buffer with it: the
    // record is read again as it is now.
    storage::File* file = Primary && Primary->Me ? Primary->Me->File : nullptr;
    uint32_t target = wrote && file ? file->currentRecord() : 0;
    // A new record without automatic numbering was added inside the form, whose end
    // gave this procedure its own file state back: the form's record is the one the
    // thread added last.
    if (wrote && file && Request == req::Insert && Primary->Me->SetThread().LastInserted != 0)
        target = Primary->Me->SetThread().LastInserted;
    if (wrote && (target == 0 || !file->getRecord(target).ok())) {
        ResetThumbLimits();
        ResetQueue(reset::Queue);
        return;
    }
    if (wrote) {
        ResetThumbLimits();
        std::string position;
        (void)placeAtRecord(target, position);
        loadFrom(CurrentChoice);
    } else {
        if (Response == resp::Completed) ResetThumbLimits();
        ResetQueue(reset::Queue);
    }
}

}  // namespace kw
