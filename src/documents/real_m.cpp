// REAL_M: asks for the period of the act of hand-over for sale and prints it (PR_REAL).
#include "documents/parameter_window.h"
#include "documents/sale_reports.h"

namespace {

class ThisWindowClass : public kw::documents::ParameterWindow {
public:
    ThisWindowClass() : ParameterWindow("REAL_M", "Акт прелачи на реализацию", "Печать", PR_REAL) {}

protected:
    void AddEntries(kw::ui::WindowDef& s) override { kw::documents::addPeriodEntries(s, 1); }
};

}  // namespace

void REAL_M() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
