// SPR: asks for the state of the pledges to list (SP_IND) and opens ZAL_SP.
#include "pledges/inquiry_form.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

using kw::W;

class Spr : public kw::pledges::InquiryForm {
  public:
    Spr()
        : InquiryForm("SPR", W("Запрос справки по состоянию залогов"), W("Выполнить запрос"),
                      ZAL_SP, {"OK", W("Закрыть")}) {}

  protected:
    void AddEntries(kw::ui::WindowDef& s) override {
        s.add(kw::ui::Control::prompt(W("Введите тип запроса:")));
        s.add(kw::ui::Control::entry(kw::ui::Binding::of(SP_IND).named("SP_IND"), "n1"));
        for (const char* line :
             {"0-выданные ссуды без перезалогов", "1-выданные ссуды с 1 перезалогом",
              "2-выданные ссуды с 2 перезалогами", "3-выданные ссуды с 3 перезалогами",
              "4-Погашенные ссуды", "5- вещь передана на реализацию", "6- просроченные ссуды"})
            s.add(kw::ui::Control::prompt(W(line)));
    }
};

}  // namespace

void SPR() {
    Spr ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
