// UPDATEPRB: adds, changes or deletes one price per gram. Its metal is typed or chosen
// from MET_TAB ("Выбрать"); the metal's name, NAME_M, follows the code at each refresh.
//
// KOD_M hands the chosen metal over from MET_TAB. The form takes it once, at the
// refresh after the choice, and then forgets it: a KOD_M left by an earlier choice
// elsewhere (a pledge form's) never moves the row to another metal, and a code typed
// after a choice is not overridden.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/metal_name.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

enum : int32_t {
    kCodePrompt = 1,
    kCode,
    kChoose,
    kName,
    kFinenessPrompt,
    kFineness,
    kPricePrompt,
    kPrice,
    kOk,
    kClose,
};

class UpdatePrb : public kw::UpdateForm {
  public:
    UpdatePrb()
        : UpdateForm("UPDATEPRB", {&Relate::PRB, &Relate::MET}, &Relate::PRB, kOk, kClose) {}

    void Reset(uint8_t Force = 0) override {
        if (!Win.acceptAllActive()) showMetal();
        WindowManager::Reset(Force);
    }

    kw::Level TakeAccepted() override {
        if (Win.field() == kChoose) {
            (void)Win.update();
            Update();
            KOD_M = 0;
            GlobalRequest = kw::req::Select;
            MET_TAB();
            Reset();
            return kw::Level::Benign;
        }
        const kw::Level l = UpdateForm::TakeAccepted();
        // A typed code shows its metal's name at once.
        if (l == kw::Level::Benign && Win.field() == kCode) Reset();
        return l;
    }

  protected:
    kw::Level Prepare() override {
        KOD_M = 0;
        return UpdateForm::Prepare();
    }

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        const kw::storage::TableDecl& t = kw::dict::prbTable();
        kw::ui::WindowDef s;
        s.title = W("Цены на грамм драгметалла");
        s.add(Control::prompt(W("Код:")).number(kCodePrompt));
        s.add(Control::entry(kw::UseField(t, "KOD"), "n3b").number(kCode));
        s.add(Control::button(W("Выбрать")).number(kChoose).beside());
        Control name = Control::prompt("");
        name.use = kw::ui::Binding::of(NAME_M).named("NAME_M");
        name.picture = "s10";
        s.add(name.number(kName).beside());
        kw::AddFormRows(s, t, kFinenessPrompt,
                        {{"Проба:", "PROB", "n3b"}, {"Цена за грамм:", "ZEN", "n_15.2b"}});
        kw::AddOkClose(s, kOk, kClose);
        return s;
    }

  private:
    void showMetal() {
        if (KOD_M != 0) {
            PRB.KOD = KOD_M;
            KOD_M = 0;
        }
        NAME_M = kw::pledges::metalName(PRB.KOD).clip();
    }

    kw::FixedString<10> NAME_M;  // the metal's name
};

}  // namespace

void UPDATEPRB() {
    UpdatePrb ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
