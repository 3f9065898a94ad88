// The day's cash movement, computed when the day is closed (and shown while it is
// open) from the pledges and the cash journal; pledge operations write no cash record.
//
// Over every pledge of ZAL, read once in file order, a pledge in state 6 (deleted)
// counts for nothing; for every other one each rule that applies adds (several may):
//   state below 4 (active)           OBO   += S_VID
//   issued today (DATA)              T_RAS += S_VID
//   prolongation k paid today        PRIBI, T_PRI += S_P_Ck + S_P_Xk + S_STk  (k = 1..3)
//   redeemed today (DATA_PRW)        T_PRI += S_W;  PRIBI += S_W - S_VID
// Sales are not part of the day. Every journal entry dated today adds its expense to
// T_RAS and its receipt to T_PRI. Every amount is added in whole kopecks, so the totals
// are the exact sums of what the tickets and the journal show.
#pragma once

#include <cstdint>
#include <vector>

#include "dictionary/klm.h"
#include "dictionary/zal.h"
#include "storage/file.h"

namespace kw::cashdesk {

struct DayTotals {
    double OBO = 0;    // in circulation: paid out on the active pledges
    double PRIBI = 0;  // profit of the day
    double T_RAS = 0;  // expenses of the day
    double T_PRI = 0;  // receipts of the day
};

// Adds what one pledge brings to the totals of day `today`.
void addPledge(DayTotals& totals, const dict::ZalRecord& pledge, int32_t today);
// The same rules for a back end that adds the pledges up itself (File::sumKopecks): the
// terms over ZAL for day `today`, and what their sums (in that order) add to the totals.
std::vector<storage::File::SumTerm> pledgeSumTerms(int32_t today);
void addPledgeSums(DayTotals& totals, const std::vector<int64_t>& sums);

// Adds one journal entry when it is dated `today`.
void addEntry(DayTotals& totals, const dict::KlmRecord& entry, int32_t today);

// The cash at the end of the day: the opening balance plus the receipts less the
// expenses, in whole kopecks.
double closingBalance(double opening, const DayTotals& totals);

}  // namespace kw::cashdesk
