#include "documents/order_reports.h"
#include "documents/parameter_window.h"
#include "shell/globals.h"

namespace {

class ThisWindowClass : public kw::documents::ParameterWindow {
public:
    ThisWindowClass() : ParameterWindow("PRIB_M", "Справка по прибыли", "Печать", PR_PRIB) {}

protected:
    void AddEntries(kw::ui::WindowDef& s) override { kw::documents::addPeriodEntries(s, 1); }
};

}  // namespace

void PRIB_M() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
