// ARX_TAB: the archive search: every pledge, cancelled ones left out, whose client's
// name holds the fragment NAME_P, both in lower case, so "Петров" finds what "петров"
// finds (the request window still asks for lower case). A search that finds nothing
// says so. Its select button prints the duplicate of the highlighted pledge's ticket.
#include "dictionary/zal.h"
#include "documents/print_globals.h"
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "shell/globals.h"

namespace {

using kw::W;

class ArxTab : public kw::pledges::PledgeList {
  public:
    ArxTab()
        : PledgeList(
              {.name = "ARX_TAB",
               .title = W("Поиск по ФИО клиента"),
               .filter = "(instring(lower(clip(name_p)),lower(zal:fio),1)>0  and zal:sost<>6)",
               .kind = kw::pledges::ListKind::Inquiry,
               .prolongations = 3,
               .outcome = true}) {}

  protected:
    // Once the list is first shown: an empty one is said, not left to be guessed at.
    void Reset(uint8_t Force = 0) override {
        PledgeList::Reset(Force);
        if (told_ || !Win.isOpen() || Win.acceptAllActive()) return;
        told_ = true;
        if (Win.rows(kList) == 0)
            kw::msgbox::show(W("Ничего не найдено: нет клиентов, в ФИО которых есть \xAB") +
                                 NAME_P.clip() + "\xBB",
                             Win.title(), kw::msgbox::Icon::Information, kw::msgbox::Ok);
    }

    void AddTotals(kw::ui::WindowDef& s) override {
        kw::ui::Control p = kw::ui::Control::prompt(W("Фрагмент ФИО:"));
        s.add(p.number(kFirstTotalsControl));
        kw::ui::Control e =
            kw::ui::Control::entry(kw::ui::Binding::of(NAME_P).named("NAME_P"), "s20");
        e.readOnly = true;
        s.add(e.number(kFirstTotalsControl + 1));
    }
    // The duplicate of the highlighted pledge's ticket, read afresh so that it shows
    // what is stored now; nothing when the list is empty.
    void TakeSelect() override {
        if (!BRW1.UpdateViewRecord()) return;
        kw::documents::printDuplicate(ZAL);
    }

  private:
    bool told_ = false;
};

}  // namespace

void ARX_TAB() {
    ArxTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
