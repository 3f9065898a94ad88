// PSK_TAB: the limits of the full cost of the loan, by the date they come into force.
#include "dictionary/psk.h"
#include "framework/data/dct_init.h"
#include "pledges/full_cost_procedures.h"
#include "pledges/reference_list.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

class PskTab : public kw::pledges::ReferenceList {
  public:
    PskTab() : ReferenceList("PSK_TAB", {&Relate::PSK}, &Relate::PSK, kw::dict::pskTable) {}

  protected:
    kw::pledges::RefListLook Look() override {
        using kw::W;
        using kw::pledges::columnWidth;
        const kw::storage::TableDecl& t = kw::dict::pskTable();
        kw::pledges::RefListLook l;
        l.title = W("Полная стоимость займа: пределы");
        l.columns = {{W("Действует с"), columnWidth(W("Действует с"), "D6"), "D6", {&t, 1}, {}},
                     {W("Предел, % годовых"),
                      columnWidth(W("Предел, % годовых"), "n_9.3b"),
                      "n_9.3b",
                      {&t, 2},
                      {}},
                     {W("В билете"), columnWidth(W("В билете"), "n1"), "n1", {&t, 3}, {}}};
        l.insertText = W("Добавить");
        l.changeText = W("&Изменить");
        l.deleteText = W("&Удалить");
        return l;
    }
    FormProcedure Form() const override { return UPDATEPSK; }
};

}  // namespace

void PSK_TAB() {
    PskTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
