// PR_M: asks for the control date and the days overdue of the overdue-loan report (PR_PROC).
#include "documents/order_reports.h"
#include "documents/parameter_window.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

class ThisWindowClass : public kw::documents::ParameterWindow {
  public:
    ThisWindowClass() : ParameterWindow("PR_M", "Просроченные ссуды", "Печать", PR_PROC) {}

  protected:
    void AddEntries(kw::ui::WindowDef& s) override {
        using kw::ui::Binding;
        using kw::ui::Control;
        s.add(Control::prompt(kw::W("Введите контрольную дату:")).number(1));
        s.add(Control::entry(Binding::of(D1).named("D1"), "D6").number(2));
        s.add(Control::prompt(kw::W("Количество дней просрочки:")).number(3));
        s.add(Control::entry(Binding::of(D_PRR).named("D_PRR"), "n3").number(4));
    }
};

}  // namespace

void PR_M() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
