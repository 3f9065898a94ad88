// LOT_M: asks for the period of hand-over for sale and the date of the auction, and
// forms the list of auction lots (PR_LOT).
#include "documents/parameter_window.h"
#include "documents/sale_reports.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

void addEntries(kw::ui::WindowDef& s) {
    using kw::W;
    using kw::ui::Binding;
    using kw::ui::Control;
    kw::documents::addOneLinePeriodEntries(s, 1);
    s.add(Control::prompt(W("постановки на реализацию")).number(5));
    s.add(Control::prompt(W("Дата проведения торгов:")).number(6));
    s.add(Control::entry(Binding::of(D_T).named("D_T"), "D6b").number(7).beside());
}

}  // namespace

void LOT_M() {
    kw::documents::runParameterWindow("LOT_M", "Перечень предметов торгов", "Сформировать", PR_LOT,
                                      addEntries);
}
