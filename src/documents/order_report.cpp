#include "documents/order_report.h"

#include "dictionary/zal.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace kw::documents {

OrderReport::OrderReport(std::string procedureName, OrderKind kind, std::string filter)
    : ZalReport(std::move(procedureName), std::move(filter)), kind_(kind) {}

report::ReportDef OrderReport::Define() {
    // A run starts from nothing even when the procedure object is reused.
    row_ = OrderRow{};
    totals_ = OrderTotals{};
    return orderReport(kind_, row_, totals_);
}

std::vector<std::string> OrderReport::ChoosingFields() const {
    // The overdue list looks at every pledge whole.
    if (kind_ == OrderKind::Overdue) return {};
    return {"SOST", "DATA", "DATA_PR1", "DATA_PR2", "DATA_PR3", "DATA_PRW", "DATA_R"};
}

void OrderReport::TakeRow() {
    // A pledge without an event in the period adds nothing and is no row; the others
    // are read whole (and looked at again as they are now).
    if (kind_ != OrderKind::Overdue &&
        (!hasEventInPeriod(ZAL, D1, D2) || !WholeRecord() || !hasEventInPeriod(ZAL, D1, D2)))
        return;
    const dict::ZalRecord& z = ZAL;
    row_.PP_1 = z.S_P_C1 + z.S_P_X1;
    row_.PP_2 = z.S_P_C2 + z.S_P_X2;
    row_.PP_3 = z.S_P_C3 + z.S_P_X3;
    if (kind_ != OrderKind::Overdue) {
        row_.PRIB = totals_.add(z, D1, D2);
    }
    if (kind_ == OrderKind::Operations || kind_ == OrderKind::Overdue) {
        row_.PR = z.DATA < D1 ? "*" : "";
        row_.MET_N = MetalName();
        row_.KAM_N = StoneName();
    }
    (void)Out().print(1);
}

void OrderReport::Finish() {
    if (kind_ == OrderKind::Overdue) return;
    totals_.finish();
    (void)Out().print(2);
}

}  // namespace kw::documents
