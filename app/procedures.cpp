#include "procedures.h"

#include "pledges/reference_procedures.h"
#include "shell/procedures.h"
#include "shell/small_forms.h"

namespace kw::app {

// One line per procedure of the main menu that exists, e.g.
//     shell::setProcedure("ZAL_TAB", ZAL_TAB);
// A menu item whose procedure is missing here tells the user it is not available yet.
void registerProcedures() {
    // Reference tables and settings (main-menu items 27 to 31).
    shell::setProcedure("KBP_FORM", KBP_FORM);
    shell::setProcedure("MET_TAB", MET_TAB);
    shell::setProcedure("MET_ZEN_TAB", MET_ZEN_TAB);
    shell::setProcedure("KAM_TAB", KAM_TAB);
    shell::setProcedure("IZD_TAB", IZD_TAB);
}

}  // namespace kw::app
