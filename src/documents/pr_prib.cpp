// PR_PRIB: the profit report: each pledge's profit in D1..D2, with the totals.
#include "documents/order_report.h"
#include "documents/order_reports.h"
#include "shell/globals.h"

void PR_PRIB() {
    kw::documents::OrderReport ThisWindow("PR_PRIB", kw::documents::OrderKind::Profit);
    GlobalResponse = ThisWindow.Run();
}
