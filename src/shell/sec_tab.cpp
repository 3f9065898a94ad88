// SEC_TAB: the list of the users, for the holders of the full rights.
#include "dictionary/sec.h"
#include "framework/data/dct_init.h"
#include "framework/window/browse_procedure.h"
#include "framework/window/window_resize_class.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "runtime/message_box.h"
#include "shell/globals.h"
#include "shell/sis.h"
#include "shell/users.h"

namespace {

using kw::W;
using kw::ui::Control;

enum : int32_t { kList = 1, kInsert, kChange, kDelete, kClose };

class SecTab : public kw::BrowseProcedure {
  public:
    SecTab() : BrowseProcedure("SEC_TAB", {&Relate::SEC}) {}

  protected:
    kw::ui::WindowDef Define() override {
        kw::ui::WindowDef s;
        s.title = W("Пользователи");
        s.add(Control::list({{W("Код"), 4, "n2"},
                             {W("Ф.И.О."), 26, "s25"},
                             {W("Должность"), 26, "s25"},
                             {W("Права"), 13, "s12"}},
                            nullptr, 12)
                  .number(kList));
        kw::AddUpdateButtons(s, kInsert, kChange, kDelete);
        s.add(Control::button(W("Закрыть")).number(kClose));
        return s;
    }

    kw::Level Opened() override {
        const kw::storage::TableDecl& t = kw::dict::secTable();
        InitBrowse(kList, *Relate::SEC, t.keys[0]);
        BRW1.AddFields(t, {"K_POL", "FIO", "DOL"});
        BRW1.AddField(kw::ui::Binding::of(PRAVA).named("PRAVA"));
        BRW1.ConnectUpdates(kInsert, kChange, kDelete);
        AddItem(kClose, kw::resp::Cancelled);
        AddItem(BRW1);
        resizer_.Init(Win, kw::resize::Spread, 1, 0);
        AddItem(resizer_);
        return kw::Level::Benign;
    }

    void BeforeRow() override {
        PRAVA.assign(SEC.K_POL > kw::shell::kRestrictedUpTo ? W("полные") : W("ограниченные"));
    }

    bool RunUpdate(uint16_t Number) override {
        if (Number != 1) return false;
        UPDATESEC();
        return true;
    }

    // The thread's SEC record holds the last row read, password and all: it is not
    // left behind for whatever the thread runs next.
    void Closing() override { SEC = kw::dict::SecRecord{}; }

  private:
    kw::FixedString<12> PRAVA;  // the row's rights
    kw::WindowResizeClass resizer_;
};

}  // namespace

void SEC_TAB() {
    if (KOD <= kw::shell::kRestrictedUpTo) {
        kw::msgbox::show(
            W("Список пользователей открыт только пользователю с полными правами (код больше 5)"),
            W("Пользователи"), kw::msgbox::Icon::Exclamation, kw::msgbox::Ok);
        GlobalResponse = kw::resp::Cancelled;
        return;
    }
    SecTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
