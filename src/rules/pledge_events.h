// The arithmetic of a pledge's later events, on the ZAL record being edited: the three
// prolongations, the redemption and the hand-over for sale. Each runs at every refresh
// of its form and computes from the fields as they are now: the days charged are found
// afresh each time (a corrected date is never charged for the days of an earlier one),
// a date on or before the start of the current period charges nothing, and the penalty
// follows the PenaltyMemo rule.
#pragma once

#include <cstdint>

#include "dictionary/kbp.h"
#include "dictionary/zal.h"
#include "rules/charge.h"

namespace kw::pledges {

// Prolongation `stage` (1 to 3): the new period from the date it starts for its days,
// and what the client pays now for the current period (the term for stage 1, the
// previous prolongation otherwise): interest and storage for the days used, with the
// stage's coefficient, and a penalty for the days past its end.
EventDays prolong(int stage, dict::ZalRecord& z, const dict::KbpRecord& k, int32_t today,
                  PenaltyMemo& memo);

// The redemption: the amount paid out, interest and storage for the days used of the
// current period (the latest that exists), and a penalty when the client is late.
EventDays redeem(dict::ZalRecord& z, const dict::KbpRecord& k, int32_t today, PenaltyMemo& memo);

// The hand-over for sale: what was collected over the pledge's life, the sale price
// (the loan less what was collected; the appraisal when that leaves nothing), and the
// days since the end of the last period (the overdue days of the result).
EventDays sell(dict::ZalRecord& z, int32_t today);

// The common steps of the event forms' refresh: the loan data filled where it is zero
// (ticket number, date, note, term, rates, appraisal), never recomputed otherwise.
// `records`: the number of records of ZAL.
void fillLoanData(dict::ZalRecord& z, const dict::KbpRecord& k, int32_t today, uint32_t records);

}  // namespace kw::pledges
