// PR_ZAL: the pledge ticket ("Залоговый билет №", "Форма БО-7"), two identical copies
// side by side on one A4 sheet, landscape, drawn from the print globals (the _G copy of
// the pledge; print_globals.h), the settings record KBP, the user who prints (SEC), the
// metal and the stone. A report over FIL: its one record prints the (empty) detail,
// and the whole ticket is the page header. With an empty FIL the record is created
// first. Shows the progress window and the preview, from which the user prints.
#pragma once

#include <cstdint>

#include "dictionary/zal.h"
#include "runtime/fixed_string.h"
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
    // The full cost of the loan's last period (the loan, or its last prolongation),
    // printed in a box on each copy when the limits row in force on that period's
    // start says so (full_cost.h).
    bool costBox = false;
    FixedString<20> PSK_P;  // "280.769 % годовых"
    FixedString<20> PSK_S;  // "1500.00 руб."
};

// Computes them from the print globals and the settings record in KBP's buffer, and
// the amount in words of S_VID_G into S1 to S3 (S_R := S_VID_G). `costBox`: whether
// the limits say the ticket carries the full cost (costLimitOn); false leaves the
// ticket as it always was.
void computeTicket(TicketValues& v, bool costBox = false);

// Whether the limits row in force on the start of the last period of the pledge in the
// print globals says the ticket carries the full cost. Reads PSK.
bool ticketCarriesCost();

// The print globals as a pledge record, for the full cost of its last period.
dict::ZalRecord pledgeOfPrintGlobals();

// The ticket's report: both copies in the page header, fields bound to the globals, to
// the record buffers of KBP, SEC, MET and KAM of the calling thread and to `v`; a
// duplicate says so on each copy. With v.costBox each copy carries the full cost in a
// box in its upper right corner; to make room, the code box moves to the bottom right
// of the copy, the row's "Количество дней:" under the pledger's address, and the
// pawnshop's name and the pledger's lines stop short of the box.
report::ReportDef ticketReport(TicketValues& v, bool duplicate = false);

}  // namespace kw::documents
