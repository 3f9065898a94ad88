// PRB_TAB: the prices per gram of the metal of the pledge being edited (ZAL:MET of the
// calling thread's ZAL record), to choose a fineness and its price: PROBA and Z1G.
// Its delete button is connected to nothing.
#include "dictionary/reference.h"
#include "pledges/price_list.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace {

class PrbTab : public kw::pledges::PriceList {
  public:
    PrbTab() : PriceList("PRB_TAB") {}

  protected:
    kw::pledges::RefListLook Look() override {
        kw::pledges::RefListLook l = PriceLook();
        l.deleteText = kw::W("&Удалить");
        l.updates = false;
        l.filter = "(prb:kod=zal:met)";
        return l;
    }
    void HandBack() override {
        PROBA = PRB.PROB;
        Z1G = PRB.ZEN;
    }
    void ClearHandBack() override {
        PROBA = 0;
        Z1G = 0;
    }
};

}  // namespace

void PRB_TAB() {
    PrbTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
