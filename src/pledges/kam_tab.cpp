// KAM_TAB: the list of stones with their price per carat; hands the chosen stone's
// code back in KOD_K.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "pledges/reference_list.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

class KamTab : public kw::pledges::ReferenceList {
  public:
    KamTab() : ReferenceList("KAM_TAB", {&Relate::KAM}, &Relate::KAM, kw::dict::kamTable) {}

  protected:
    kw::pledges::RefListLook Look() override {
        using kw::W;
        using kw::pledges::columnWidth;
        const kw::storage::TableDecl& t = kw::dict::kamTable();
        const std::string price = W("Цена за карат (0.2 грамма)");
        kw::pledges::RefListLook l;
        l.title = W("Цены за карат драг.комней");
        l.columns = {{W("Код"), columnWidth(W("Код"), "n3"), "n3", {&t, 1}, {}},
                     {W("Наименование"), columnWidth(W("Наименование"), "s15"), "s15", {&t, 2}, {}},
                     {price, columnWidth(price, "n_15.2"), "n_15.2", {&t, 3}, {}}};
        l.insertText = W("&Добавить");
        l.changeText = W("&Изменить");
        l.deleteText = W("&Удалить");
        return l;
    }
    void HandBack() override { KOD_K = KAM.KOD; }
    void ClearHandBack() override { KOD_K = 0; }
    FormProcedure Form() const override { return UPDATEKAM; }
};

}  // namespace

void KAM_TAB() {
    KamTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
