// MET_ZEN_TAB: the prices per gram of every metal and fineness, for maintenance; it
// hands nothing back.
#include "pledges/price_list.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

class MetZenTab : public kw::pledges::PriceList {
  public:
    MetZenTab() : PriceList("MET_ZEN_TAB") {}

  protected:
    kw::pledges::RefListLook Look() override {
        kw::pledges::RefListLook l = PriceLook();
        l.insertText = kw::W("&Добавить");
        l.changeText = kw::W("&Изменить");
        l.deleteText = kw::W("&Удалить");
        return l;
    }
    FormProcedure Form() const override { return UPDATEPRB; }
};

}  // namespace

void MET_ZEN_TAB() {
    MetZenTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
