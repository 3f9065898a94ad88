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
#include <functional>

#include "dictionary/zal.h"

namespace kw::cashdesk {

struct DayTotals {
    double OBO = 0;    // in circulation: paid out on the active pledges
    double PRIBI = 0;  // profit of the day
    double T_RAS = 0;  // expenses of the day
    double T_PRI = 0;  // receipts of the day
};

// Adds what one pledge brings to the totals of day `today`.
void addPledge(DayTotals& totals, const dict::ZalRecord& pledge, int32_t today);

// One pass over ZAL in file order (the slots once each, whatever other stations write
// meanwhile: a pledge they change is read either before or after the change, never
// twice or half-written), through Access::ZAL, which the caller has opened; the
// thread's ZAL buffer and position are left alone. False when a read failed (the
// error manager has shown message 1): the totals are then incomplete.
bool addPledges(DayTotals& totals, int32_t today);

// The journal entries of `today` through KLM:KEY_1 (Access::KLM, opened by the
// caller). False when a read failed.
bool addJournal(DayTotals& totals, int32_t today);

// Test seam: called on the pass's thread after every `every` pledges read (0 or an
// empty function: never), so a test can write as another station in mid-pass.
void setPassObserver(uint32_t every, std::function<void(uint32_t readSoFar)> observer);

}  // namespace kw::cashdesk
