#include "documents/order_reports.h"
#include "documents/parameter_window.h"
#include "shell/globals.h"

namespace {

class ThisWindowClass : public kw::documents::ParameterWindow {
public:
    ThisWindowClass() : ParameterWindow("OR_M", "Подготовка и печать сводного ордера", "Печать", PR_ORDER) {}

protected:
    void AddEntries(kw::ui::WindowDef& s) override { kw::documents::addPeriodEntries(s, 1); }
};

}  // namespace

void OR_M() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
