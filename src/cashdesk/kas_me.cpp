// KAS_ME: asks for the range of the cash journal's list ("Введите интервал дат"),
// kept in the globals D1 and D2 that the other date-range windows share, and runs
// KAS_TAB on it; the window stays open for another range.
#include "cashdesk/cashdesk.h"
#include "framework/window/procedure_window.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

enum : int { kText = 1, kFromLabel, kFrom, kToLabel, kTo, kRun, kOk, kClose };

class ThisWindowClass : public kw::ProcedureWindow {
  public:
    ThisWindowClass() : ProcedureWindow("KAS_ME", {}) {}

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Binding;
        using kw::ui::Control;
        kw::ui::WindowDef s;
        s.title = W("Внешние операции по кассе");
        s.resizable = false;
        s.add(Control::prompt(W("Введите интервал дат")).number(kText));
        s.add(Control::prompt(W("от:")).number(kFromLabel));
        s.add(Control::entry(Binding::of(D1).named("D1"), "D6").number(kFrom));
        s.add(Control::prompt(W("до:")).number(kToLabel));
        s.add(Control::entry(Binding::of(D2).named("D2"), "D6").number(kTo));
        s.add(Control::button(W("Запуск")).number(kRun).asDefault());
        s.add(Control::button("OK").number(kOk));
        s.add(Control::button(W("Закрыть окно")).number(kClose));
        return s;
    }

    kw::Level Opened() override {
        AddItem(kOk, kw::resp::Completed);
        AddItem(kClose, kw::resp::Cancelled);
        return kw::Level::Benign;
    }

    kw::Level TakeAccepted() override {
        const kw::Level l = WindowManager::TakeAccepted();
        if (l != kw::Level::Benign || Win.field() != kRun) return l;
        (void)Win.update();
        Update();
        KAS_TAB();
        Reset();
        return kw::Level::Benign;
    }
};

}  // namespace

void KAS_ME() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
