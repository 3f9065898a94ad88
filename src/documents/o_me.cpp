// O_ME: asks for the period of the inquiry on operations and prints it (PR_OPER).
#include "documents/order_reports.h"
#include "documents/parameter_window.h"

void O_ME() {
    kw::documents::runPeriodWindow("O_ME", "справка по операциям", "Печать", PR_OPER);
}
