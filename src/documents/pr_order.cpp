// PR_ORDER: the summary order of the period D1..D2 ("Сводный ордер").
#include "documents/order_report.h"
#include "documents/order_reports.h"
#include "shell/globals.h"

void PR_ORDER() {
    kw::documents::OrderReport ThisWindow("PR_ORDER", kw::documents::OrderKind::Order);
    GlobalResponse = ThisWindow.Run();
}
