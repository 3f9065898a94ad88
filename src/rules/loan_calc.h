// The appraisal and loan arithmetic of a new pledge, step by step, on the ZAL record
// being edited and the settings record. The money that changes hands (the loan, the
// interest and storage for the term, the amount paid out) is rounded to whole kopecks
// as it is computed (kw::money), and the amount paid out is the loan less the rounded
// interest and storage, so the ticket's lines add up. Weights, prices, rates and the
// appraisal keep full precision. "Zero" is the comparison of reals of kw::real.
#pragma once

#include <string>

#include "dictionary/kbp.h"
#include "dictionary/zal.h"

namespace kw::pledges::loan {

// ZAL:VEC_CH = ZAL:VEC - ZAL:VEC_K / 5 (a carat is 0.2 gram). Negative when the stones
// weigh more than the whole: shown as it is, for the operator to see.
void netWeight(dict::ZalRecord& z);
// ZAL:OZ_K = ZAL:Z1K x ZAL:VEC_K while the stone appraisal is zero (a typed one stays).
void stoneAppraisal(dict::ZalRecord& z);
// ZAL:S_OZEN = ZAL:OZ_K + ZAL:Z1G x ZAL:VEC_CH.
void appraisal(dict::ZalRecord& z);
// The daily interest rate of the appraisal's band, while ZAL:P_CC_D is zero and the
// appraisal is above zero (before any weight is typed there is nothing to place in a
// band). Bands 1 to 5 are tested in order, bounds inclusive; the last that matches
// wins; none leaves the rate zero. True when a band's rate was taken.
bool bandRate(dict::ZalRecord& z, const dict::KbpRecord& k);
// From the appraisal to the amount paid out, while ZAL:S_VID is zero: the loan, the
// end of the term, interest and storage for the whole term deducted in advance.
void forward(dict::ZalRecord& z);
// From the amount paid out (ZAL:S_VID above zero) back to the loan and its percentage
// of the appraisal: the loan in whole kopecks whose loan less interest and storage
// pays out exactly the amount typed (in kopecks). When it cannot be done (no
// appraisal, or interest over the term that takes the whole loan) nothing is computed
// and the reason is returned, CP1251; "" when done.
std::string reverse(dict::ZalRecord& z);
// Whether the loan amounts of the record are whole kopecks that follow from its inputs: the end of
// the term is DATA + KOL_D, the loan PROZ_CC % of the appraisal, interest and storage
// those of the rates for the term, the amount paid out the loan less both. False once
// an input changed after the amounts were computed (they are computed once).
bool amountsMatch(const dict::ZalRecord& z);

}  // namespace kw::pledges::loan
