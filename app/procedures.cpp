#include "procedures.h"

#include "cashdesk/auditor.h"
#include "cashdesk/cashdesk.h"
#include "documents/cost_register.h"
#include "documents/order_reports.h"
#include "documents/sale_reports.h"
#include "pledges/full_cost_procedures.h"
#include "pledges/pledge_procedures.h"
#include "pledges/reference_procedures.h"
#include "shell/procedures.h"
#include "shell/small_forms.h"
#include "shell/users.h"

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

    // Reference tables and settings (main-menu items 27 to 31).
    shell::setProcedure("KBP_FORM", KBP_FORM);
    shell::setProcedure("MET_TAB", MET_TAB);
    shell::setProcedure("MET_ZEN_TAB", MET_ZEN_TAB);
    shell::setProcedure("KAM_TAB", KAM_TAB);
    shell::setProcedure("IZD_TAB", IZD_TAB);
    // The full cost of the loan: its limits (settings) and its register (reports).
    shell::setProcedure("PSK_TAB", PSK_TAB);
    shell::setProcedure("PSK_M", PSK_M);
    shell::setProcedure("REZ_KOP", REZ_KOP);
    shell::setProcedure("AUD_TAB", AUD_TAB);
    shell::setProcedure("SEC_TAB", SEC_TAB);

    // The cash desk: business day (items 2, 20, 21, 22), roll-back (9), cash journal (19).
    shell::setProcedure("O_DAY", O_DAY);
    shell::setProcedure("OTK_TAB", OTK_TAB);
    shell::setProcedure("KAS_ME", KAS_ME);
    shell::setProcedure("ZAC_D", ZAC_D);
    shell::setProcedure("AVA_D", AVA_D);
    shell::setProcedure("DAY_TAB", DAY_TAB);

    // The summary order and the period reports (items 14 to 17).
    shell::setProcedure("OR_M", OR_M);
    shell::setProcedure("O_ME", O_ME);
    shell::setProcedure("PR_M", PR_M);
    shell::setProcedure("PRIB_M", PRIB_M);

    // The lists of the pledges handed over for sale.
    shell::setProcedure("REAL_M", REAL_M);
    shell::setProcedure("NOT_M", NOT_M);
    shell::setProcedure("LOT_M", LOT_M);

    // Every change of money or clients' data is written to the audit journal.
    cashdesk::installAuditor();
}

}  // namespace kw::app
