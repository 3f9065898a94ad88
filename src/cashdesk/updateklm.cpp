// UPDATEKLM: the form of one cash-journal entry ("Внешняя операция по кассе"), run by
// KAS_TAB with the request insert, change or delete. A blank date becomes today and a
// blank name the logged-in operator's at every refresh; the five fields take part in
// the field history (Ctrl+' gives the previous entry's value back). Whatever the
// request, confirming it adds the entry's receipt and expense to the running counters
// KBP:KAS_P and KBP:KAS_R, in one transaction with the entry's write or delete. An
// entry of a closed day (or moved out of one) is refused.
#include "cashdesk/cashdesk.h"
#include "cashdesk/settings_record.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/data/relation_manager.h"
#include "framework/data/transaction_frame.h"
#include "framework/window/procedure_window.h"
#include "framework/window/update_form.h"
#include "framework/window/window_resize_class.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "shell/day_lock.h"
#include "shell/day_state.h"
#include "shell/globals.h"

namespace {

enum : int {
    kDateLabel = 1,
    kDate,
    kNameLabel,
    kName,
    kReceiptsLabel,
    kReceipts,
    kExpensesLabel,
    kExpenses,
    kOperationLabel,
    kOperationLabel2,
    kOperation,
    kOk,
    kClose,
    kHelp,
};

// The entry as the last completed form of the thread left it.
thread_local kw::dict::KlmRecord HistoryKLM;

class ThisWindowClass : public kw::ProcedureWindow {
  public:
    ThisWindowClass() : ProcedureWindow("UPDATEKLM", {&Relate::KLM, &Relate::KBP, &Relate::SEC}) {}

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        const kw::storage::TableDecl& t = kw::dict::klmTable();
        kw::ui::WindowDef s;
        s.title = W("Внешняя операция по кассе");
        kw::AddFormRows(s, t, kDateLabel,
                        {{"Дата:", "DATA", "D6"},
                         {"Ф И О:", "FIO", "s30"},
                         {"Приход:", "PRI", "n_10.2b"},
                         {"Расход:", "RAS", "n_10.2b"}});
        s.add(Control::prompt(W("Наименование:")).number(kOperationLabel));
        s.add(Control::prompt(W("операции")).number(kOperationLabel2));
        s.add(Control::entry(kw::UseField(t, "NAME"), "s30").number(kOperation));
        kw::AddOkClose(s, kOk, kClose);
        s.add(Control::button("Help").number(kHelp));
        return s;
    }

    kw::Level Prepare() override {
        FirstField = kDate;
        HistoryKey = kw::kHistoryKey;
        AddHistoryFile(kw::dict::klmTable(), &HistoryKLM);
        AddHistoryField(kDate, 1);
        AddHistoryField(kName, 2);
        AddHistoryField(kReceipts, 3);
        AddHistoryField(kExpenses, 4);
        AddHistoryField(kOperation, 5);
        AddItem(kClose, kw::resp::Cancelled);
        Primary = Relate::KLM;
        originalDate_ = KLM.DATA;
        kw::SetUpdateActions(*this, kOk);
        return PrimeUpdate() == kw::Level::Benign ? kw::Level::Benign : kw::Level::Notify;
    }

    kw::Level Opened() override {
        resizer_.Init(Win, kw::resize::Spread, 1, 0);
        AddItem(resizer_);
        return kw::Level::Benign;
    }

    void Ask() override {
        kw::RequestCaptions captions = kw::RequestCaptions::Standard();
        captions.Delete = kw::W("Удалить");
        SetCaptionByRequest(captions);
        WindowManager::Ask();
    }

    // The defaults: today's date and the operator's name where they are blank.
    void Reset(uint8_t Force = 0) override {
        if (Win.acceptAllActive()) return;
        if (KLM.DATA == 0) KLM.DATA = kw::clock::today();
        if (KLM.FIO.clip().empty()) {
            const std::string name = kw::cashdesk::operatorName(KOD);
            if (!name.empty()) KLM.FIO.assign(name);
        }
        WindowManager::Reset(Force);
    }

    // A blanked field is filled again at once.
    kw::Level TakeAccepted() override {
        const kw::Level l = WindowManager::TakeAccepted();
        if (l == kw::Level::Benign && (Win.field() == kDate || Win.field() == kName)) Reset();
        return l;
    }

    // A view form closes on OK.
    kw::Level TakeFieldEvent() override {
        if (Request == kw::req::View && Win.field() == kOk && Win.event() == kw::ui::ev::Accepted) {
            Win.post(kw::ui::ev::CloseWindow);
            return kw::Level::Notify;
        }
        return kw::Level::Benign;
    }

    // The entry and the counters are written as one transaction, the counters on a
    // fresh read inside it (the frame keeps other desks out of KBP until it ends), so
    // each counter is always the sum of what it counts. The entry's day is checked
    // and the entry written under the day's lock: nothing is stored on a closed day.
    kw::Level TakeCompleted() override {
        if (Request != kw::req::Insert && Request != kw::req::Change && Request != kw::req::Delete)
            return WindowManager::TakeCompleted();
        kw::shell::DayLock day(kw::shell::DayLock::Kind::Write);
        if (!day.held()) return refuse(kw::shell::dayBusyText(), day);
        const kw::dict::KlmRecord entry = KLM;
        if (kw::shell::dayState(entry.DATA) == kw::shell::DayState::Closed ||
            (Request != kw::req::Insert &&
             kw::shell::dayState(originalDate_) == kw::shell::DayState::Closed))
            return refuse(kw::W("День ломбарда закрыт"), day);
        KLM = entry;
        kw::transaction::Discard();
        if (!kw::transaction::Enrol(*Access::KLM->File).ok() ||
            !kw::transaction::Enrol(*Access::KBP->File).ok() ||
            !kw::transaction::Begin(kw::kTransactionWait).ok()) {
            kw::transaction::Discard();
            day.release();
            (void)Access::KLM->Throw(21);
            return kw::Level::Notify;
        }
        const kw::Level l = WindowManager::TakeCompleted();
        if (Response != kw::resp::Completed) {
            (void)endFrame(false);
            return l;
        }
        if (!endFrame(addToCounters(entry))) {
            Response = kw::resp::Cancelled;
            return kw::Level::Notify;
        }
        return l;
    }

  private:
    static bool addToCounters(const kw::dict::KlmRecord& entry) {
        if (!kw::cashdesk::readSettings()) return true;  // no settings record: nothing counts
        KBP.KAS_P += entry.PRI;
        KBP.KAS_R += entry.RAS;
        return Access::KBP->Update() == kw::Level::Benign;
    }

    // Commits (`keep`) or rolls the frame back; true when the entry and the counters
    // are stored.
    static bool endFrame(bool keep) {
        if (!kw::transaction::Active()) return keep;
        if (keep && kw::transaction::Commit().ok()) return true;
        if (kw::transaction::Active() && !kw::transaction::Rollback().ok())
            (void)Access::KLM->Throw(21);
        return false;
    }

    kw::Level refuse(const std::string& text, kw::shell::DayLock& day) {
        day.release();
        kw::msgbox::show(text, Win.title(), kw::msgbox::Icon::Exclamation);
        Win.display();
        return kw::Level::Notify;
    }

    int32_t originalDate_ = 0;  // the entry's date before a change or delete
  private:
    kw::WindowResizeClass resizer_;
};

}  // namespace

void UPDATEKLM() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
