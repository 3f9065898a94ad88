#include "procedures.h"

#include "cashdesk/cashdesk.h"
#include "shell/procedures.h"

namespace kw::app {

// One line per procedure of the main menu that exists, e.g.
//     shell::setProcedure("ZAL_TAB", ZAL_TAB);
// A menu item whose procedure is missing here tells the user it is not available yet.
void registerProcedures() {
    // The cash desk: business day (items 2, 20, 21, 22), roll-back (9), cash journal (19).
    shell::setProcedure("O_DAY", O_DAY);
    shell::setProcedure("OTK_TAB", OTK_TAB);
    shell::setProcedure("KAS_ME", KAS_ME);
    shell::setProcedure("ZAC_D", ZAC_D);
    shell::setProcedure("AVA_D", AVA_D);
    shell::setProcedure("DAY_TAB", DAY_TAB);
}

}  // namespace kw::app
