// PKL_TAB: the remembered clients, to hand one over to a pledge form.
//
// The quick search "Быстрый поиск по ФИО:" is a locator on PKL:FIO (PKL:KEY_1, letter
// case ignored). Letters typed on the list (Latin or Cyrillic, either case) are added
// to what it holds and the list moves to the first name not less than it, the entry
// showing what was typed; text typed into the entry itself moves the list when the
// entry is left. Moving the highlight starts the search afresh.
#include "dictionary/pkl.h"
#include "framework/data/dct_init.h"
#include "framework/window/browse_procedure.h"
#include "framework/window/locator_class.h"
#include "framework/window/window_resize_class.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"
#include "shell/small_forms.h"

namespace kw::shell {
std::string pklListTitle() {
    return W("Список постоянных клиентов");
}
}  // namespace kw::shell

namespace {

using kw::W;
using kw::ui::Control;

enum : int32_t {
    kList = 1,
    kLookPrompt,
    kLook,
    kDetails,
    kPassportPrompt,
    kPassport,
    kAddressPrompt,
    kAddress,
    kSelect,
    kInsert,
    kChange,
    kDelete,
    kClose,
    kHelp,
};

// Keys typed on the list, and the entry's text when the entry is left.
class NameLocator : public kw::IncrementalLocatorClass {
  public:
    uint8_t TakeAccepted() override {
        if (!ViewManager || !ViewManager->Window || ViewManager->Window->Win.field() != Control)
            return 0;
        Update();
        return 1;
    }
};

// A field of the highlighted client, shown and not typed into.
Control shown(const char* name) {
    Control c = Control::entry(kw::UseField(kw::dict::pklTable(), name), "s60");
    c.readOnly = true;
    return c;
}

class PklTab : public kw::BrowseProcedure {
  public:
    PklTab() : BrowseProcedure("PKL_TAB", {&Relate::PKL}) {}

    kw::Level TakeAccepted() override {
        if (Win.field() == kSelect) {
            BRW1.TakeNewSelection();
            FIO_G = PKL.FIO;
            ADR_G = PKL.ADR;
            PAS_G = PKL.PAS;
        }
        return BrowseProcedure::TakeAccepted();
    }

  protected:
    kw::ui::WindowDef Define() override {
        kw::ui::WindowDef s;
        s.title = kw::shell::pklListTitle();
        s.add(Control::list({{W("Фамилия"), 60, "s60"}}, nullptr, 12).number(kList));
        s.add(Control::prompt(W("Быстрый поиск по ФИО:")).number(kLookPrompt));
        // 20 characters are typed; the entry spans the width under the list, so that
        // its prompt stays beside it.
        s.add(Control::entry(kw::ui::Binding::of(LOOK).named("LOOK"), "s20", 30).number(kLook));
        s.begin(Control::group(W("Дополнительные реквизиты")).number(kDetails));
        s.add(Control::prompt(W("Паспорт:")).number(kPassportPrompt));
        s.add(shown("PAS").number(kPassport));
        s.add(Control::prompt(W("Адрес:")).number(kAddressPrompt));
        s.add(shown("ADR").number(kAddress));
        s.end();
        s.add(Control::button(W("&Выбрать")).number(kSelect));
        kw::AddUpdateButtons(s, kInsert, kChange, kDelete);
        s.add(Control::button(W("Закрыть")).number(kClose));
        s.add(Control::button("Help").number(kHelp));
        return s;
    }

    kw::Level Opened() override {
        const kw::storage::TableDecl& t = kw::dict::pklTable();
        InitBrowse(kList, *Relate::PKL, t.keys[0]);
        BRW1.AddLocator(&locator_);
        locator_.Init(kLook, kw::FieldRef{&t, 1}, 1, BRW1);
        BRW1.AddField(kw::FieldRef{&t, 1});
        BRW1.SelectControl = kSelect;
        if (Request != kw::req::View) BRW1.ConnectUpdates(kInsert, kChange, kDelete);
        AddItem(kClose, kw::resp::Cancelled);
        AddItem(BRW1);
        resizer_.Init(Win, kw::resize::Spread, 1, 0);
        AddItem(resizer_);
        return kw::Level::Benign;
    }

    bool RunUpdate(uint16_t Number) override {
        if (Number != 1) return false;
        PKL_FORM();
        return true;
    }

  private:
    kw::FixedString<20> LOOK;  // what the quick search holds
    NameLocator locator_;
    kw::WindowResizeClass resizer_;
};

}  // namespace

void PKL_TAB() {
    PklTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
