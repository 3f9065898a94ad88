// PR_PROC: the overdue-loan report at the control date D1.
#include "documents/order_report.h"
#include "documents/order_reports.h"
#include "shell/globals.h"

// Active pledges (states 0 to 3) whose term and every prolongation ended at least
// D_PRR days before the control date D1; a prolongation that never happened has the
// date 0, far in the past, and so never keeps a pledge off the list.
void PR_PROC() {
    kw::documents::OrderReport ThisWindow(
        "PR_PROC", kw::documents::OrderKind::Overdue,
        "(d1-zal:data_k)>=d_prr  and (d1-zal:data_p12)>=d_prr and (d1-zal:data_p22)>=d_prr and  "
        "(d1-zal:data_p32)>=d_prr and zal:sost<4");
    GlobalResponse = ThisWindow.Run();
}
