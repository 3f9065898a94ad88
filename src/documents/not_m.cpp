// NOT_M: asks for the period of the list for the notary and forms it (PR_NOT); a
// message line (ACTIONMESSAGE) under the dates.
#include "documents/parameter_window.h"
#include "documents/sale_reports.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"

namespace {

using kw::W;
using kw::ui::Binding;
using kw::ui::Control;

class ThisWindowClass : public kw::documents::ParameterWindow {
public:
    ThisWindowClass()
        : ParameterWindow("NOT_M", "Формирование перечня для нотариата", "Сформировать", PR_NOT) {}

protected:
    void AddEntries(kw::ui::WindowDef& s) override {
        kw::documents::addOneLinePeriodEntries(s, 1);
        Control message = Control::prompt("");
        message.use = Binding::of(ACTIONMESSAGE).named("ACTIONMESSAGE");
        message.picture = "S40";
        s.add(message.number(5));
    }

private:
    kw::FixedString<40> ACTIONMESSAGE;
};

}  // namespace

void NOT_M() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
