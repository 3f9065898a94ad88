// P_FORM: asks for a fragment of the client's name (NAME_P, the field empty at first;
// letter case does not matter) and opens the archive search ARX_TAB; a blank fragment
// searches nothing.
#include "pledges/inquiry_form.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

using kw::W;

enum : int32_t { kName = 3 };

class PForm : public kw::pledges::InquiryForm {
  public:
    PForm()
        : InquiryForm("P_FORM", W("Поиск по ФИО клиента"), W("Поиск"), ARX_TAB,
                      {W("Закрыть окно")}) {}

  protected:
    // Every search starts from an empty field.
    kw::Level Prepare() override {
        NAME_P.clear();
        return InquiryForm::Prepare();
    }
    void AddEntries(kw::ui::WindowDef& s) override {
        s.add(kw::ui::Control::prompt(W("Введите фрагмент ФИО клиента")).number(1));
        s.add(kw::ui::Control::prompt(W("(строчные-маленькие буквы)")).number(2));
        s.add(kw::ui::Control::entry(kw::ui::Binding::of(NAME_P).named("NAME_P"), "s20")
                  .number(kName));
    }
    bool Ready() override {
        if (!NAME_P.clip().empty()) return true;
        Win.select(kName);
        return false;
    }
};

}  // namespace

void P_FORM() {
    PForm ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
