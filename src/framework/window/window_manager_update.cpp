// WindowManager: an update form's request against its primary table: priming the
// record, completing an insert, change or delete, and the cancel logic on closing.
#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/window_manager.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"

namespace kw {

namespace ev = ui::ev;

namespace {
constexpr unsigned kYesNoCancel = msgbox::Yes | msgbox::No | msgbox::Cancel;
constexpr std::size_t kPositionSize = 1024;
}  // namespace

void WindowManager::PrimeFields() {
    if (Primary && Primary->Me) Primary->Me->PrimeFields();
}

Level WindowManager::PrimeUpdate() {
    if (!Primary || !Primary->Me) return Level::Benign;
    FileManager& me = *Primary->Me;
    (void)me.UseFile(kUseBrowse);
    Primary->Save();
    if (Files)
        for (UpdateFileEntry& f : *Files) f.Saved = f.File->SaveBuffer();
    if (Request == req::Insert && InsertAction != 0) {
        Response = resp::Completed;
        PrimeFields();
        if (Response == resp::Cancelled) return Level::Fatal;
        Response = resp::Cancelled;
    } else if (Request == req::Delete &&
               (DeleteAction == kDeleteWarn || DeleteAction == kDeleteNoWarn)) {
        Response = Primary->Delete(DeleteAction == kDeleteWarn ? 1 : 0) == Level::Benign
                       ? resp::Completed
                       : resp::Cancelled;
        return Level::Fatal;
    }
    Saved = me.SaveBuffer();
    return Level::Benign;
}

Level WindowManager::TakeCompleted() {
    const bool closing = saveAndClose_;
    saveAndClose_ = false;
    SaveHistory();
    if (!Primary || !Primary->Me) {
        SetResponse(resp::Completed);
        return Level::Benign;
    }
    switch (Request) {
        case req::Insert:
            return completeInsert(closing);
        case req::Change:
            return completeChange();
        case req::Delete:
            return completeDelete();
        default:
            // A form that does not update (a dialog, a view with its own OK) completes.
            SetResponse(resp::Completed);
            return Level::Benign;
    }
}

void WindowManager::stay() {
    Win.display();
    Win.select(Win.focus());
}

bool WindowManager::recordChanged() {
    return Saved != 0 && !Primary->Me->EqualBuffer(Saved);
}

void WindowManager::closeWithoutSaving() {
    closeUnasked_ = true;
    Win.post(ev::CloseWindow);
}

Level WindowManager::completeInsert(bool closing) {
    FileManager& me = *Primary->Me;
    if (me.Insert() != Level::Benign) {
        stay();
        return Level::Notify;
    }
    // Saving on the way out closes whatever InsertAction says.
    uint8_t action = closing ? kInsertClose : InsertAction;
    if (action == kInsertAsk) {
        if (Errors->Throw(3) != Level::Benign) {
            SetResponse(resp::Completed);
            return Level::Benign;
        }
        action = kInsertNext;
    }
    if (action != kInsertNext) {
        SetResponse(resp::Completed);
        return Level::Benign;
    }
    // The form stays open for the next record; its cancel still answers "completed"
    // with the last record added in the buffer.
    LastInsertedPosition = me.Position();
    if (LastInsertedPosition.size() > kPositionSize) LastInsertedPosition.resize(kPositionSize);
    if (Files) {
        for (UpdateFileEntry& f : *Files) {
            if (f.Saved != 0) f.File->RestoreBuffer(f.Saved, 0);
            f.Saved = f.File->SaveBuffer();
        }
    }
    if (Saved != 0) me.RestoreBuffer(Saved, 0);
    if (me.PrimeAutoInc() != Level::Benign) {
        Win.post(ev::CloseWindow);
    } else {
        PrimeFields();
        Response = resp::Cancelled;
    }
    Saved = me.SaveBuffer();
    Win.display();
    if (FirstField != 0) Win.select(FirstField);
    return Level::Notify;
}

Level WindowManager::completeChange() {
    FileManager& me = *Primary->Me;
    for (;;) {
        Response = resp::Cancelled;
        Win.setCursor(ui::cursor::Wait);
        const bool changed = Saved == 0 || !me.EqualBuffer(Saved);
        const Level l = changed ? Primary->Update(1) : Level::Benign;
        Win.setCursor(ui::cursor::Normal);
        if (l == Level::Benign) {
            const bool navigating = VCRRequest && *VCRRequest != 0;
            if (changed || (Toolbar && !navigating)) Response = resp::Completed;
            Win.post(ev::CloseWindow);
            return Level::Benign;
        }
        if (l != Level::User) {
            stay();
            return Level::Notify;
        }
        const unsigned answer = Errors->Message(34, kYesNoCancel, msgbox::Cancel);
        if (answer == msgbox::Yes) continue;
        if (answer == msgbox::No) {
            closeWithoutSaving();
            return Level::Benign;
        }
        stay();
        return Level::Notify;
    }
}

Level WindowManager::completeDelete() {
    for (;;) {
        Response = resp::Cancelled;
        Win.setCursor(ui::cursor::Wait);
        const Level l = Primary->Delete(DeleteAction == kDeleteWarn ? 1 : 0);
        Win.setCursor(ui::cursor::Normal);
        if (l == Level::Benign) {
            SetResponse(resp::Completed);
            return Level::Benign;
        }
        const unsigned answer = Errors->Message(33, kYesNoCancel, msgbox::Cancel);
        if (answer == msgbox::Yes) continue;
        if (answer == msgbox::No) {
            SetResponse(resp::Cancelled);
            return Level::Benign;
        }
        stay();
        return Level::Notify;
    }
}

Level WindowManager::TakeCloseEvent() {
    if (Response == resp::Completed || !Primary || !Primary->Me) return Level::Benign;
    const bool unasked = closeUnasked_;
    closeUnasked_ = false;
    // The operator's own close asks; the program's closing down (CloseDown) never waits.
    if (!unasked && (CancelAction & kCancelWarn) &&
        (Request == req::Insert || Request == req::Change) && UserChanged &&
        Win.event() == ui::ev::CloseWindow) {
        const unsigned answer =
            msgbox::show(W("Закрыть окно без сохранения?|Введенные данные не будут записаны."),
                         Win.title(), msgbox::Icon::Question, msgbox::Yes | msgbox::No, msgbox::No);
        if (answer != msgbox::Yes) {
            Win.select(Win.focus());
            return Level::Notify;
        }
    } else if (!unasked && CancelAction != 0 && !(CancelAction & kCancelWarn) &&
               (Request == req::Insert || Request == req::Change) && recordChanged()) {
        if (!(CancelAction & kCancelSave)) {
            if (Errors->Throw(8) != Level::Benign) return Level::Notify;
        } else if (!(CancelAction & kCancelQuery)) {
            saveAndClose_ = true;
            PostCompleted();
            return Level::Notify;
        } else {
            const unsigned answer = Errors->Message(35, kYesNoCancel, msgbox::Cancel);
            if (answer == msgbox::Yes) {
                saveAndClose_ = true;
                PostCompleted();
                return Level::Notify;
            }
            if (answer != msgbox::No) return Level::Notify;
        }
    }
    if (OriginalRequest == req::Insert && Response == resp::Cancelled) {
        if (Primary->CancelAutoInc() != Level::Benign) return Level::Notify;
    }
    if (!LastInsertedPosition.empty()) {
        Response = resp::Completed;
        (void)Primary->Me->TryReget(LastInsertedPosition);
    }
    return Level::Benign;
}

}  // namespace kw
