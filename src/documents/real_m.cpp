// REAL_M: asks for the period of the act of hand-over for sale and prints it (PR_REAL).
#include "documents/parameter_window.h"
#include "documents/sale_reports.h"

void REAL_M() {
    kw::documents::runPeriodWindow("REAL_M", "Акт прелачи на реализацию", "Печать", PR_REAL);
}
