// UPDATEIZD: adds, changes or deletes one typical item.
#include "dictionary/izd.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

enum : int32_t { kCodePrompt = 1, kCode, kNamePrompt, kName, kOk, kClose };

class UpdateIzd : public kw::UpdateForm {
  public:
    UpdateIzd() : UpdateForm("UPDATEIZD", {&Relate::IZD}, &Relate::IZD, kOk, kClose) {}

  protected:
    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        const kw::storage::TableDecl& t = kw::dict::izdTable();
        kw::ui::WindowDef s;
        s.title = W("Описание типового изделия");
        s.add(Control::prompt(W("Код:")).number(kCodePrompt));
        s.add(Control::entry(kw::UseField(t, "KOD"), "n3").number(kCode));
        s.add(Control::prompt(W("Наименование:")).number(kNamePrompt));
        s.add(Control::entry(kw::UseField(t, "NAME"), "s80").number(kName));
        s.add(Control::button("OK").number(kOk).asDefault());
        s.add(Control::button(W("Закрыть")).number(kClose));
        return s;
    }
};

}  // namespace

void UPDATEIZD() {
    UpdateIzd ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
