// UPDATEMET: adds, changes or deletes one metal.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

enum : int32_t { kCodePrompt = 1, kCode, kNamePrompt, kName, kOk, kClose };

class UpdateMet : public kw::UpdateForm {
  public:
    UpdateMet() : UpdateForm("UPDATEMET", {&Relate::MET}, &Relate::MET, kOk, kClose) {}

  protected:
    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        const kw::storage::TableDecl& t = kw::dict::metTable();
        kw::ui::WindowDef s;
        s.title = W("Драгметаллы");
        s.add(Control::prompt(W("Код:")).number(kCodePrompt));
        s.add(Control::entry(kw::UseField(t, "KOD"), "n3b").number(kCode));
        s.add(Control::prompt(W("Имя:")).number(kNamePrompt));
        s.add(Control::entry(kw::UseField(t, "NAME"), "s10").number(kName));
        s.add(Control::button("OK").number(kOk).asDefault());
        s.add(Control::button(W("Закрыть")).number(kClose));
        return s;
    }
};

}  // namespace

void UPDATEMET() {
    UpdateMet ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
