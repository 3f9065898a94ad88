// SPR1: asks for the period of issue (D1 to D2) of the financial inquiry ZAL_SP1.
#include "pledges/inquiry_form.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

using kw::W;

class Spr1 : public kw::pledges::InquiryForm {
  public:
    Spr1()
        : InquiryForm("SPR1", W("Финансовая справка"), W("Выполнить запрос"), ZAL_SP1,
                      {"OK", W("Закрыть")}) {}

  protected:
    void AddEntries(kw::ui::WindowDef& s) override {
        s.add(kw::ui::Control::prompt(W("Введите интервал дат от:")));
        s.add(kw::ui::Control::entry(kw::ui::Binding::of(D1).named("D1"), "D6"));
        s.add(kw::ui::Control::prompt(W("до:")).beside());
        s.add(kw::ui::Control::entry(kw::ui::Binding::of(D2).named("D2"), "D6"));
    }
};

}  // namespace

void SPR1() {
    Spr1 ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
