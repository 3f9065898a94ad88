#include "procedures.h"

#include "pledges/pledge_procedures.h"
#include "shell/procedures.h"

namespace kw::app {

// One line per procedure of the main menu that exists. A menu item whose procedure is
// missing here tells the user it is not available yet.
void registerProcedures() {
    // Pledges: the operation lists and the inquiries.
    shell::setProcedure("ZAL_TAB", ZAL_TAB);
    shell::setProcedure("ZAL_TAB1", ZAL_TAB1);
    shell::setProcedure("ZAL_TAB2", ZAL_TAB2);
    shell::setProcedure("ZAL_TAB3", ZAL_TAB3);
    shell::setProcedure("ZAL_TABV", ZAL_TABV);
    shell::setProcedure("ZAL_TABR", ZAL_TABR);
    shell::setProcedure("SPR", SPR);
    shell::setProcedure("SPR1", SPR1);
    shell::setProcedure("P_FORM", P_FORM);
}

}  // namespace kw::app
