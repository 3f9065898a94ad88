#include "procedures.h"

#include "shell/procedures.h"

namespace kw::app {

// One line per procedure of the main menu that exists, e.g.
//     shell::setProcedure("ZAL_TAB", ZAL_TAB);
// A menu item whose procedure is missing here tells the user it is not available yet.
void registerProcedures() {}

}  // namespace kw::app
