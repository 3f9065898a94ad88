// MET_TAB: the list of metals; hands the chosen metal's code back in KOD_M.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "pledges/reference_list.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

class MetTab : public kw::pledges::ReferenceList {
  public:
    MetTab() : ReferenceList("MET_TAB", {&Relate::MET}, &Relate::MET, kw::dict::metTable) {}

  protected:
    kw::pledges::RefListLook Look() override {
        using kw::W;
        const kw::storage::TableDecl& t = kw::dict::metTable();
        kw::pledges::RefListLook l;
        l.title = W("Справочник драгметаллов");
        l.columns = {{W("Код"), kw::pledges::columnWidth(W("Код"), "n3"), "n3", {&t, 1}, {}},
                     {W("Наименование"),
                      kw::pledges::columnWidth(W("Наименование"), "s10"),
                      "s10",
                      {&t, 2},
                      {}}};
        l.insertText = W("Добавить");
        l.changeText = W("&Изменить");
        l.deleteText = W("&Удалить");
        return l;
    }
    void HandBack() override { KOD_M = MET.KOD; }
    void ClearHandBack() override { KOD_M = 0; }
    FormProcedure Form() const override { return UPDATEMET; }
};

}  // namespace

void MET_TAB() {
    MetTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
