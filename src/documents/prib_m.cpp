// PRIB_M: asks for the period of the profit report and prints it (PR_PRIB).
#include "documents/order_reports.h"
#include "documents/parameter_window.h"

void PRIB_M() {
    kw::documents::runPeriodWindow("PRIB_M", "Справка по прибыли", "Печать", PR_PRIB);
}
