// KAS_TAB: the cash journal's entries of the range D1..D2 in date order, with the
// totals of the whole range (not only the page on screen) below the list; they are
// counted again whenever the list is refilled from its view, so they follow every
// insert, change and delete at once. The update buttons run UPDATEKLM; a list opened
// to view only has none connected. Keys typed on the list step through the dates.
#include "cashdesk/cashdesk.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/browse_procedure.h"
#include "framework/window/locator_class.h"
#include "framework/window/step_class.h"
#include "framework/window/view_totals.h"
#include "runtime/codepage.h"
#include "runtime/money.h"

namespace {

enum : int {
    kList = 1,
    kTotalLabel,
    kTotalReceipts,
    kExpensesLabel,
    kTotalExpenses,
    kInsert,
    kChange,
    kDelete,
    kClose,
    kHelp,
};

class ThisWindowClass : public kw::BrowseProcedure {
  public:
    ThisWindowClass() : BrowseProcedure("KAS_TAB", {&Relate::KLM, &Relate::KBP, &Relate::SEC}) {}

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Binding;
        using kw::ui::Control;
        kw::ui::WindowDef s;
        s.title = W("Внешние операции по кассе");
        s.add(Control::list({{W("Дата"), 10, "D6"},
                             {W("ФИО"), 30, "s30"},
                             {W("Приход"), 10, "n_10.2"},
                             {W("     Расход"), 11, "n_10.2"},
                             {W("Наименование операции"), 30, "s30"}},
                            nullptr, 15)
                  .number(kList));
        // One total a row, so that the two labels and the two values line up.
        auto total = [&](int label, const char* text, double& value, const char* name) {
            s.add(Control::prompt(W(text)).number(label));
            Control e = Control::entry(Binding::at(&value, kw::ui::ValueType::Real, 8).named(name),
                                       "n_10.2");
            e.readOnly = true;
            s.add(e.number(label + 1));
        };
        total(kTotalLabel, "ИТОГО: приход:", I_PRI, "I_PRI");
        total(kExpensesLabel, "расход:", I_RAS, "I_RAS");
        kw::AddUpdateButtons(s, kInsert, kChange, kDelete);
        s.add(Control::button(W("Закрыть")).number(kClose));
        s.add(Control::button("Help").number(kHelp));
        return s;
    }

    kw::Level Opened() override {
        const kw::storage::TableDecl& t = kw::dict::klmTable();
        InitBrowse(kList, *Relate::KLM, t.keys[0]);
        BRW1.AddLocator(&locator_);
        locator_.Init(0, kw::FieldRef{&t, t.fieldNumber("DATA")}, 1, BRW1);
        BRW1.SetFilter("(klm:data>=d1 and klm:data<=d2)");
        BRW1.AddFields(t, {"DATA", "FIO", "PRI", "RAS", "NAME"});
        if (Request != kw::req::View) BRW1.ConnectUpdates(kInsert, kChange, kDelete);
        AddItem(kClose, kw::resp::Cancelled);
        AddItem(BRW1);
        return kw::Level::Benign;
    }

    bool RunUpdate(uint16_t Number) override {
        if (Number != 1) return false;
        UPDATEKLM();
        return true;
    }

    // Every refill from the view ends with the totals of the range.
    void Refilled() override {
        Win.setCursor(kw::ui::cursor::Wait);
        double receipts = 0, expenses = 0;  // in whole kopecks, as the day's totals add them
        (void)kw::ForEachInView(BRW1, [&] {
            receipts = kw::money::add(receipts, KLM.PRI);
            expenses = kw::money::add(expenses, KLM.RAS);
        });
        I_PRI = receipts;
        I_RAS = expenses;
        Win.display(kTotalReceipts);
        Win.display(kTotalExpenses);
        Win.setCursor(kw::ui::cursor::Normal);
    }

    double I_PRI = 0;
    double I_RAS = 0;

  private:
    kw::StepLocatorClass locator_;
};

}  // namespace

void KAS_TAB() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
