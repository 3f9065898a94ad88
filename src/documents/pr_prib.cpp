#include "documents/order_report.h"
#include "documents/order_reports.h"
#include "shell/globals.h"

void PR_PRIB() {
    kw::documents::OrderReport ThisWindow("PR_PRIB", kw::documents::OrderKind::Profit);
    GlobalResponse = ThisWindow.Run();
}
