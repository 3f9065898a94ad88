#include "documents/order_report.h"
#include "documents/order_reports.h"
#include "shell/globals.h"

void PR_OPER() {
    kw::documents::OrderReport ThisWindow("PR_OPER", kw::documents::OrderKind::Operations);
    GlobalResponse = ThisWindow.Run();
}
