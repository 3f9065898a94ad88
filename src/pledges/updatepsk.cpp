// UPDATEPSK: adds, changes or deletes one limit of the full cost of the loan.
#include "dictionary/psk.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/full_cost_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

enum : int32_t {
    kDatePrompt = 1,
    kDate,
    kLimitPrompt,
    kLimit,
    kTicketPrompt,
    kTicket,
    kHint,
    kOk,
    kClose
};

class UpdatePsk : public kw::UpdateForm {
  public:
    UpdatePsk() : UpdateForm("UPDATEPSK", {&Relate::PSK}, &Relate::PSK, kOk, kClose) {}

  protected:
    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        const kw::storage::TableDecl& t = kw::dict::pskTable();
        kw::ui::WindowDef s;
        s.title = W("Предел полной стоимости займа");
        s.add(Control::prompt(W("Действует с:")).number(kDatePrompt));
        s.add(Control::entry(kw::UseField(t, "DATA"), "D6").number(kDate));
        s.add(Control::prompt(W("Предел ПСК, % годовых:")).number(kLimitPrompt));
        s.add(Control::entry(kw::UseField(t, "LIM"), "n_9.3b").number(kLimit));
        s.add(Control::prompt(W("Печатать ПСК в билете (1 - да, 0 - нет):")).number(kTicketPrompt));
        s.add(Control::entry(kw::UseField(t, "BIL"), "n1").number(kTicket));
        s.add(Control::prompt(W("Предел 0: займы не ограничены")).number(kHint));
        s.add(Control::button("OK").number(kOk).asDefault());
        s.add(Control::button(W("Закрыть")).number(kClose));
        return s;
    }
};

}  // namespace

void UPDATEPSK() {
    UpdatePsk ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
