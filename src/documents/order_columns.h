// The page of the summary order and of the three period reports that share its
// columns: ticket, issue and end dates, appraisal, loan, interest and storage deducted,
// paid out, the three prolongations (date, interest and storage received, penalty) on
// three lines of one cell, and the redemption (date, interest, storage, penalty, total
// received). The layout is drawn once, in millimetres on A4 landscape; the period
// reports take it in thousandths of an inch.
//
// Bands: the page header (title line, column headings), detail 1 the pledge (the row,
// or the row with the client and the article below it), detail 2 the totals block
// (none for the overdue list), the footer with the page number.
#pragma once

#include <cstdint>

#include "rules/order_totals.h"
#include "runtime/fixed_string.h"
#include "runtime/report.h"

namespace kw::documents {

enum class OrderKind : uint8_t {
    Order,       // the summary order: row and totals
    Operations,  // the row, the client and the article; totals
    Overdue,     // as Operations, no totals, the control date in the title
    Profit,      // the row with the pledge's profit; totals without the issue lines
};

// What a row shows besides ZAL's fields.
struct OrderRow {
    double PP_1 = 0, PP_2 = 0, PP_3 = 0;  // interest and storage received at prolongation k
    double PRIB = 0;                      // the pledge's profit in the period
    FixedString<1> PR;                    // "*": issued before the period
    FixedString<15> MET_N, KAM_N;         // names of the metal and the stone
};

// The report of `kind`, its fields bound to `row`, `totals`, D1, D2 and the calling
// thread's buffers of ZAL, KBP and SEC.
report::ReportDef orderReport(OrderKind kind, OrderRow& row, OrderTotals& totals);

}  // namespace kw::documents
