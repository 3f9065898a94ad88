// ARX_TAB: the archive search: every pledge, cancelled ones left out, whose client's
// name in lower case holds the fragment NAME_P. The fragment itself is taken as typed
// (the request window asks for lower case), so a capitalised one finds nothing. Its
// select button prints the duplicate of the highlighted pledge's ticket.
#include "dictionary/zal.h"
#include "documents/print_globals.h"
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

using kw::W;

class ArxTab : public kw::pledges::PledgeList {
public:
    ArxTab()
        : PledgeList({"ARX_TAB", W("Поиск по ФИО клиента"), 1,
                      "(instring(clip(name_p),lower(zal:fio),1)>0  and zal:sost<>6)", kw::pledges::ListKind::Inquiry,
                      3, true, nullptr}) {}

protected:
    void AddTotals(kw::ui::WindowDef& s) override {
        kw::ui::Control p = kw::ui::Control::prompt(W("Фрагмент ФИО:"));
        s.add(p.number(kFirstTotalsControl));
        kw::ui::Control e = kw::ui::Control::entry(kw::ui::Binding::of(NAME_P).named("NAME_P"), "s20");
        e.readOnly = true;
        s.add(e.number(kFirstTotalsControl + 1));
    }
    // The duplicate of the highlighted pledge's ticket, read afresh so that it shows
    // what is stored now; nothing when the list is empty.
    void TakeSelect() override {
        if (!BRW1.UpdateViewRecord()) return;
        kw::documents::printDuplicate(ZAL);
    }
};

}  // namespace

void ARX_TAB() {
    ArxTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
