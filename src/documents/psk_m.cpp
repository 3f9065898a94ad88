#include "documents/cost_register.h"
#include "documents/parameter_window.h"

void PSK_M() {
    kw::documents::runPeriodWindow("PSK_M", "Реестр ПСК", "Печать", PR_PSK);
}
