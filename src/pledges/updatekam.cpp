// UPDATEKAM: adds, changes or deletes one stone and its price per carat.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

enum : int32_t { kCodePrompt = 1, kCode, kNamePrompt, kName, kPricePrompt, kPrice, kOk, kClose };

class UpdateKam : public kw::UpdateForm {
  public:
    UpdateKam() : UpdateForm("UPDATEKAM", {&Relate::KAM}, &Relate::KAM, kOk, kClose) {}

  protected:
    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        const kw::storage::TableDecl& t = kw::dict::kamTable();
        kw::ui::WindowDef s;
        s.title = W("Цена  за карат драг.камня");
        s.add(Control::prompt(W("Код:")).number(kCodePrompt));
        s.add(Control::entry(kw::UseField(t, "KOD"), "n3b").number(kCode));
        s.add(Control::prompt(W("Имя:")).number(kNamePrompt));
        s.add(Control::entry(kw::UseField(t, "NAME"), "s15").number(kName));
        s.add(Control::prompt(W("Цена за карат:")).number(kPricePrompt));
        s.add(Control::entry(kw::UseField(t, "ZEN"), "n15.2b").number(kPrice));
        s.add(Control::button("OK").number(kOk).asDefault());
        s.add(Control::button(W("Закрыть")).number(kClose));
        return s;
    }
};

}  // namespace

void UPDATEKAM() {
    UpdateKam ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
