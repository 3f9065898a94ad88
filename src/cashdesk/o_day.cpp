// O_DAY: opening the business day. "Открыть???" (confirmed in OTK_M) sets I_OT; the
// refresh that follows adds today's DAY record with the opening balance KBP:KAS_N and
// zero totals, once. When the day before (the latest earlier DAY record) was opened
// and never closed, its money is in no closing: the operator is told which day it is
// and today is opened only when the operator goes on.
#include "cashdesk/cashdesk.h"
#include "cashdesk/day_texts.h"
#include "cashdesk/settings_record.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/procedure_window.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "runtime/money.h"
#include "shell/day_state.h"
#include "shell/globals.h"

namespace {

using kw::shell::DayState;

enum : int { kDateLabel = 1, kDate, kOpeningLabel, kOpening, kOpen, kMessage, kOk, kExit };

// The date of the latest DAY record before `today`, 0 when there is none.
int32_t dayBefore(int32_t today) {
    kw::FileManager* fm = Access::DAY;
    if (!fm || fm->UseFile(kw::kUseRecord) != kw::Level::Benign) return 0;
    DAY = kw::dict::DayRecord{};
    DAY.DATA = today;
    if (!fm->File->setFromBuffer(1).ok()) return 0;
    while (fm->File->previous().ok())
        if (DAY.DATA < today) return DAY.DATA;
    return 0;
}

class ThisWindowClass : public kw::ProcedureWindow {
  public:
    ThisWindowClass() : ProcedureWindow("O_DAY", {&Relate::DAY, &Relate::KBP}) {}

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Binding;
        using kw::ui::Control;
        kw::ui::WindowDef s;
        s.title = kw::cashdesk::openDayTitle();
        s.resizable = false;
        s.add(Control::prompt(W("На данный момент в кассе:")).number(kDateLabel));
        Control date = Control::entry(Binding::of(DATA_T).named("DATA_T"), "D6");
        date.readOnly = true;
        s.add(date.number(kDate));
        s.add(Control::prompt(W("Входящий остаток:")).number(kOpeningLabel));
        Control opening = Control::entry(kw::UseField(kw::dict::kbpTable(), "KAS_N"), "n-_12.2");
        opening.readOnly = true;
        s.add(opening.number(kOpening));
        s.add(Control::button(W("Открыть???")).number(kOpen));
        s.add(Control::promptOf(Binding::of(MESSAGE).named("MESSAGE"), "s30").number(kMessage));
        kw::AddOkClose(s, kOk, kExit, "Выход");
        return s;
    }

    void Closing() override { I_OT = 0; }

    kw::Level TakeAccepted() override {
        const kw::Level l = WindowManager::TakeAccepted();
        if (l != kw::Level::Benign) return l;
        switch (Win.field()) {
            case kOpen:
                MESSAGE.assign(kw::shell::todayState() != DayState::NotOpen
                                   ? kw::cashdesk::dayAlreadyOpenText()
                                   : kw::cashdesk::taskDoneText());
                I_OT = 1;
                (void)Win.update();
                Update();
                if (OTK_M() != kw::resp::Completed) I_OT = 0;
                Reset();
                break;
            case kOk:
            case kExit:
                Win.post(kw::ui::ev::CloseWindow);
                break;
            default:
                break;
        }
        return kw::Level::Benign;
    }

    void Reset(uint8_t Force = 0) override {
        if (Win.acceptAllActive()) return;
        DATA_T = kw::clock::today();
        (void)kw::cashdesk::readSettings();
        switch (kw::shell::dayState(DATA_T)) {
            case DayState::Open:
                MESSAGE.assign(kw::cashdesk::dayAlreadyOpenText());
                break;
            case DayState::Closed:
                MESSAGE.assign(kw::cashdesk::oldDayText());
                break;
            case DayState::NotOpen:
                if (I_OT == 1) open();
                break;
        }
        WindowManager::Reset(Force);
    }

    int32_t DATA_T = 0;
    kw::FixedString<30> MESSAGE;

  private:
    void open() {
        I_OT = 0;
        const int32_t before = dayBefore(DATA_T);
        if (before != 0 && kw::shell::dayState(before) == DayState::Open &&
            kw::msgbox::show(kw::cashdesk::earlierDayOpenText(before), kw::cashdesk::openDayTitle(),
                             kw::msgbox::Icon::Exclamation, kw::msgbox::Yes | kw::msgbox::No,
                             kw::msgbox::No) != kw::msgbox::Yes) {
            MESSAGE.clear();
            return;
        }
        DAY = kw::dict::DayRecord{};
        DAY.DATA = DATA_T;
        DAY.KAS_N = kw::money::round(KBP.KAS_N);  // typed by hand: whole kopecks
        const bool added = Access::DAY && Access::DAY->Insert() == kw::Level::Benign;
        MESSAGE.assign(added ? kw::cashdesk::dayOpenedText() : kw::cashdesk::openingFailedText());
    }
};

}  // namespace

void O_DAY() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
