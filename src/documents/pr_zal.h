// PR_ZAL: the pledge ticket ("Залоговый билет №", "Форма БО-7"), two identical copies
// side by side on one A4 sheet, landscape, drawn from the print globals (the _G copy of
// the pledge; print_globals.h), the settings record KBP, the user who prints (SEC), the
// metal and the stone. A report over FIL: its one record prints the (empty) detail,
// and the whole ticket is the page header. With an empty FIL the record is created
// first. Shows the progress window and the preview, from which the user prints.
#pragma once

#include <cstdint>

#include "runtime/report.h"

void PR_ZAL();
// PR_ARX: the same ticket marked "ДУБЛИКАТ" on each copy, printed from the archive
// search.
void PR_ARX();

namespace kw::documents {

// What the ticket computes besides the globals: the day counts and the totals paid
// at each prolongation.
struct TicketValues {
    int16_t PD1 = 0, PD2 = 0, PD3 = 0;
    int16_t SD1 = 0, SD2 = 0, SD3 = 0;
    int16_t WD = 0, SDW = 0;
    double IT1 = 0, IT2 = 0, IT3 = 0;
};

// Computes them from the print globals and the settings record in KBP's buffer, and
// the amount in words of S_VID_G into S1 to S3 (S_R := S_VID_G).
void computeTicket(TicketValues& v);

// The ticket's report: both copies in the page header, fields bound to the globals, to
// the record buffers of KBP, SEC, MET and KAM of the calling thread and to `v`; a
// duplicate says so on each copy.
report::ReportDef ticketReport(TicketValues& v, bool duplicate = false);

}  // namespace kw::documents
