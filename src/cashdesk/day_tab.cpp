// DAY_TAB: the days, in date order, with their opening balance and closing totals
// ("Информация по закрытым дням"); open and never-closed days show zeros. Read only.
#include "cashdesk/cashdesk.h"
#include "cashdesk/day_texts.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/browse_procedure.h"
#include "framework/window/step_class.h"
#include "runtime/codepage.h"

namespace {

enum : int { kList = 1, kClose, kHelp };

class ThisWindowClass : public kw::BrowseProcedure {
  public:
    ThisWindowClass() : BrowseProcedure("DAY_TAB", {&Relate::DAY}) {}

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        kw::ui::WindowDef s;
        s.title = kw::cashdesk::closedDaysTitle();
        s.add(Control::list({{W("Дата"), 10, "D6"},
                             {W("Вх.ост.по кассе"), 16, "n_15.2"},
                             {W("В обороте руб."), 15, "n_15.2"},
                             {W("В кассе руб."), 15, "n_15.2"},
                             {W("Прибыль за день"), 16, "n-_10.2"}},
                            nullptr, 15)
                  .number(kList));
        s.add(Control::button(W("Закрыть")).number(kClose));
        s.add(Control::button("Help").number(kHelp).beside());
        return s;
    }

    kw::Level Opened() override {
        const kw::storage::TableDecl& t = kw::dict::dayTable();
        InitBrowse(kList, *Relate::DAY, t.keys[0], &thumb_);
        BRW1.AddFields(t, {"DATA", "KAS_N", "OBO", "KAS", "PRIB"});
        AddItem(kClose, kw::resp::Cancelled);
        AddItem(BRW1);
        return kw::Level::Benign;
    }

  private:
    kw::StepLongClass thumb_;
};

}  // namespace

void DAY_TAB() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
