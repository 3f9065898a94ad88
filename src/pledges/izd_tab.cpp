// IZD_TAB: the list of typical items; hands the chosen kind's code back in K_IZD.
#include "dictionary/izd.h"
#include "framework/data/dct_init.h"
#include "pledges/reference_list.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

class IzdTab : public kw::pledges::ReferenceList {
  public:
    IzdTab() : ReferenceList("IZD_TAB", {&Relate::IZD}, &Relate::IZD, kw::dict::izdTable) {}

  protected:
    kw::pledges::RefListLook Look() override {
        using kw::W;
        using kw::pledges::columnWidth;
        const kw::storage::TableDecl& t = kw::dict::izdTable();
        kw::pledges::RefListLook l;
        l.title = W("Справочник типовых изделий");
        l.columns = {
            {W("Код"), columnWidth(W("Код"), "n3"), "n3", {&t, 1}, {}},
            {W("Наименование"), columnWidth(W("Наименование"), "s80"), "s80", {&t, 2}, {}}};
        l.insertText = W("&Добавить");
        l.changeText = W("&Изменить");
        l.deleteText = W("&Удалить");
        return l;
    }
    void HandBack() override { K_IZD = IZD.KOD; }
    void ClearHandBack() override { K_IZD = 0; }
    FormProcedure Form() const override { return UPDATEIZD; }
};

}  // namespace

void IZD_TAB() {
    IzdTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
