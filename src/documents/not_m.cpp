// NOT_M: asks for the period of the list for the notary and forms it (PR_NOT); a
// message line (ACTIONMESSAGE) under the dates.
#include "documents/parameter_window.h"
#include "documents/sale_reports.h"
#include "runtime/fixed_string.h"

void NOT_M() {
    kw::FixedString<40> ACTIONMESSAGE;
    auto addEntries = [&ACTIONMESSAGE](kw::ui::WindowDef& s) {
        kw::documents::addOneLinePeriodEntries(s, 1);
        kw::ui::Control message = kw::ui::Control::prompt("");
        message.use = kw::ui::Binding::of(ACTIONMESSAGE).named("ACTIONMESSAGE");
        message.picture = "S40";
        s.add(message.number(5));
    };
    kw::documents::runParameterWindow("NOT_M", "Формирование перечня для нотариата", "Сформировать",
                                      PR_NOT, addEntries);
}
