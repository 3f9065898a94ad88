#include "documents/order_reports.h"
#include "documents/parameter_window.h"

void O_ME() {
    kw::documents::runPeriodWindow("O_ME", "справка по операциям", "Печать", PR_OPER);
}
