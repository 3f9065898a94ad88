#include "documents/order_reports.h"
#include "documents/parameter_window.h"
#include "shell/globals.h"

namespace {

class ThisWindowClass : public kw::documents::ParameterWindow {
public:
    ThisWindowClass() : ParameterWindow("O_ME", "справка по операциям", "Печать", PR_OPER) {}

protected:
    void AddEntries(kw::ui::WindowDef& s) override { kw::documents::addPeriodEntries(s, 1); }
};

}  // namespace

void O_ME() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
