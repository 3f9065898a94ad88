// PR_OPER: the inquiry on operations: every money event of a pledge in D1..D2.
#include "documents/order_report.h"
#include "documents/order_reports.h"
#include "shell/globals.h"

void PR_OPER() {
    kw::documents::OrderReport ThisWindow("PR_OPER", kw::documents::OrderKind::Operations);
    GlobalResponse = ThisWindow.Run();
}
