// The program as built registers a procedure for every item of the main menu: no item
// tells the operator that its function is not available.
#include <gtest/gtest.h>

#include "../../app/procedures.h"
#include "runtime/codepage.h"
#include "shell/procedures.h"
#include "shell/sis.h"

TEST(RegisteredProcedures, EveryMainMenuItemRunsAProcedureOfTheProgram) {
    kw::shell::clearProcedures();
    kw::app::registerProcedures();
    int items = 0;
    for (const kw::shell::SisEntry& e : kw::shell::sisMenu()) {
        if (e.procedure.empty()) continue;
        ++items;
        EXPECT_TRUE(kw::shell::procedure(e.procedure))
            << e.number << " " << kw::cp::toUtf8(e.text) << " " << e.procedure;
    }
    EXPECT_EQ(items, 32);  // the 27 of the menu, the full cost's limits and register, the backups,
                           // the audit journal, the users
    kw::shell::clearProcedures();
}
