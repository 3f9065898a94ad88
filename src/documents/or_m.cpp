// OR_M: asks for the period of the summary order and prints it (PR_ORDER).
#include "documents/order_reports.h"
#include "documents/parameter_window.h"

void OR_M() {
    kw::documents::runPeriodWindow("OR_M", "Подготовка и печать сводного ордера", "Печать",
                                   PR_ORDER);
}
