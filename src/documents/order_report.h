// OrderReport: the report procedure behind the summary order and the period reports
// over its columns. For every pledge in ticket order: the interest received at each
// prolongation (PP_1..PP_3), the marker and the metal and stone names, then by kind:
//   Order, Operations  the period's totals; the row when the pledge has an event in
//                      the period;
//   Profit             as above, and the pledge's profit;
//   Overdue            the row of every pledge the view filter lets through; no totals.
// After the last pledge the totals block, before the preview.
#pragma once

#include <string>

#include "documents/order_columns.h"
#include "documents/zal_report.h"

namespace kw::documents {

class OrderReport : public ZalReport {
  public:
    OrderReport(std::string procedureName, OrderKind kind, std::string filter = {});

  protected:
    report::ReportDef Define() override;
    std::vector<std::string> ChoosingFields() const override;
    void TakeRow() override;
    void Finish() override;

  private:
    OrderKind kind_;
    OrderRow row_;
    OrderTotals totals_;
};

}  // namespace kw::documents
