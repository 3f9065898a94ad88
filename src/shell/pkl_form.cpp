// PKL_FORM: adds, changes or deletes one remembered client.
#include "dictionary/pkl.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "runtime/codepage.h"
#include "shell/globals.h"
#include "shell/small_forms.h"

namespace kw::shell {
std::string pklFormTitle() {
    return W("Ввод-корректировка-удаление");
}
}  // namespace kw::shell

namespace {

using kw::W;
using kw::ui::Control;

enum : int32_t { kFioPrompt = 1, kFio, kAdrPrompt, kAdr, kPasPrompt, kPas, kOk, kClose };

class PklForm : public kw::UpdateForm {
  public:
    PklForm() : UpdateForm("PKL_FORM", {&Relate::PKL}, &Relate::PKL, kOk, kClose) {}

  protected:
    kw::ui::WindowDef Define() override {
        const kw::storage::TableDecl& t = kw::dict::pklTable();
        kw::ui::WindowDef s;
        s.title = kw::shell::pklFormTitle();
        s.add(Control::prompt(W("Ф И О:")).number(kFioPrompt));
        s.add(Control::entry(kw::UseField(t, "FIO"), "s60").number(kFio));
        s.add(Control::prompt(W("Адрес:")).number(kAdrPrompt));
        s.add(Control::entry(kw::UseField(t, "ADR"), "s60").number(kAdr));
        s.add(Control::prompt(W("Паспорт:")).number(kPasPrompt));
        s.add(Control::entry(kw::UseField(t, "PAS"), "s60").number(kPas));
        s.add(Control::button("OK").number(kOk).asDefault());
        s.add(Control::button(W("Закрыть")).number(kClose));
        return s;
    }

    // The request's caption; a new record is marked so.
    kw::RequestCaptions Captions() const override {
        kw::RequestCaptions c = kw::RequestCaptions::Standard();
        c.Insert += "  (New)";
        return c;
    }
};

}  // namespace

void PKL_FORM() {
    PklForm ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
