// OTK_FORM: "Восстановление статуса записи", the form in which the operator types the
// state a pledge is to be put back into. On OK the groups beyond that state are
// cleared and the window manager completes the request (the pledge written back,
// added or deleted). A state outside 0..6, or a prolongation or redemption of a day
// already closed, is refused with a message and the form stays open. A delete removes
// the pledge from the file: it asks first, naming the ticket and the client.
#include "cashdesk/cashdesk.h"
#include "cashdesk/rollback.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/procedure_window.h"
#include "framework/window/update_form.h"
#include "rules/pledge_state.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "shell/day_lock.h"
#include "shell/day_state.h"

namespace {

enum : int { kFirstText = 1, kState = 5, kFirstLegend, kOk = kFirstLegend + 7, kClose };

class ThisWindowClass : public kw::ProcedureWindow {
  public:
    ThisWindowClass() : ProcedureWindow("OTK_FORM", {&Relate::ZAL, &Relate::DAY}) {}

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        kw::ui::WindowDef s;
        s.title = W("Восстановление статуса записи");
        s.resizable = false;
        int n = kFirstText;
        for (const char* line :
             {"Если Вам необходимо восстановить", "статус записи для возможных исправлений вручную",
              "(напимер,Вы забыли распечатаь квитанцию)", "введите желаемый статус записи:"})
            s.add(Control::prompt(W(line)).number(n++));
        s.add(Control::entry(kw::UseField(kw::dict::zalTable(), "SOST"), "n3").number(kState));
        for (int state = kw::pledges::kIssued; state <= kw::pledges::kDeleted; ++state)
            s.add(Control::prompt(kw::pledges::stateText(state)).number(kFirstLegend + state));
        kw::AddOkClose(s, kOk, kClose, "Закрыть окно");
        return s;
    }

    kw::Level Prepare() override {
        FirstField = kState;
        AddItem(kClose, kw::resp::Cancelled);
        Primary = Relate::ZAL;
        kw::SetUpdateActions(*this, kOk);
        return PrimeUpdate() == kw::Level::Benign ? kw::Level::Benign : kw::Level::Notify;
    }

    // The pledge's state is written under the day's lock, so that a closing counts it
    // either as it was or as it is; nothing of a closed day changes.
    kw::Level TakeCompleted() override {
        if (Request == kw::req::Delete && !deleteConfirmed()) {
            Win.display();
            return kw::Level::Notify;
        }
        kw::shell::DayLock day(kw::shell::DayLock::Kind::Write);
        if (!day.held()) return refuse(kw::shell::dayBusyText(), day);
        // Once today is closed no pledge changes state: its circulation is stored. A
        // roll-back that its own group's day refuses says that first, as more telling.
        const bool todayClosed = kw::shell::todayState() == kw::shell::DayState::Closed;
        if (Request == kw::req::Delete && todayClosed)
            return refuse(kw::W("День ломбарда закрыт"), day);
        if (Request != kw::req::Delete) {
            const auto dayClosed = [](int32_t date) {
                return kw::shell::dayState(date) == kw::shell::DayState::Closed;
            };
            const kw::cashdesk::RollbackVerdict v =
                kw::cashdesk::checkRollback(ZAL, ZAL.SOST, dayClosed);
            if (v.check != kw::cashdesk::RollbackCheck::Ok) {
                kw::msgbox::show(kw::cashdesk::refusalText(v), Win.title(),
                                 kw::msgbox::Icon::Exclamation);
                Win.display();
                Win.select(kState);
                return kw::Level::Notify;
            }
            if (todayClosed) return refuse(kw::W("День ломбарда закрыт"), day);
            kw::cashdesk::rollBack(ZAL, ZAL.SOST);
        }
        return WindowManager::TakeCompleted();
    }

  private:
    // The pledge is named by its ticket and its client; the default answer keeps it.
    bool deleteConfirmed() {
        using kw::W;
        const std::string text = W("Удалить залог по квитанции N ") + std::to_string(ZAL.N_KV) +
                                 W(", клиент ") + ZAL.FIO.clip() +
                                 W("?|Запись будет удалена из файла безвозвратно.");
        return kw::msgbox::show(text, Win.title(), kw::msgbox::Icon::Question,
                                kw::msgbox::Yes | kw::msgbox::No,
                                kw::msgbox::No) == kw::msgbox::Yes;
    }

    kw::Level refuse(const std::string& text, kw::shell::DayLock& day) {
        day.release();
        kw::msgbox::show(text, Win.title(), kw::msgbox::Icon::Exclamation);
        Win.display();
        return kw::Level::Notify;
    }
};

}  // namespace

void OTK_FORM() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
