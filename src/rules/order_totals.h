// The money events of a pledge in a period, as the summary order and the period reports
// count them. A period is D1..D2, both days included; each event of a pledge (issue,
// the three prolongations, redemption) is tested on its own date, so a pledge issued
// before the period and redeemed in it adds only to the redemption totals. Deleted
// pledges (state 6) count nowhere. A hand-over for sale puts a pledge on the order's
// list but adds to no total.
#pragma once

#include <cstdint>

#include "dictionary/zal.h"

namespace kw::documents {

inline bool inPeriod(int32_t date, int32_t d1, int32_t d2) {
    return d1 <= date && date <= d2;
}

// Whether the pledge is a row of the summary order (and of the operations and profit
// reports): not deleted, and issued, prolonged, redeemed or handed over for sale in the
// period.
bool hasEventInPeriod(const dict::ZalRecord& z, int32_t d1, int32_t d2);

// What the pledge earned in the period: for each prolongation in it the interest,
// storage and penalty received, and for a redemption in it what the client paid less
// what was paid out at issue (negative when the client paid back less). 0 for a
// deleted pledge.
double profitInPeriod(const dict::ZalRecord& z, int32_t d1, int32_t d2);

// The period's totals; the field names are the documents' own.
struct OrderTotals {
    int32_t T_CC_K = 0;  // pledges issued
    double T_CC_S = 0, T_OZ_S = 0, T_PP_S = 0, T_PP_X = 0, T_VID = 0;
    double T_PER_1 = 0, T_PER_2 = 0, T_PER_3 = 0;  // interest and storage at prolongation k
    double T_ST1 = 0, T_ST2 = 0, T_ST3 = 0;        // penalties at prolongation k
    double T_W_PS = 0, T_W_PX = 0, T_W_S = 0, T_W_W = 0;
    double T_PRIB = 0;
    // The sums of the sums, set by finish().
    double T_PP_I = 0, T_PER_I = 0, T_ST_I = 0, SS_PER = 0, SS_WW = 0;

    // Adds the pledge's events in the period (nothing for a deleted one); its profit in
    // the period (profitInPeriod), which T_PRIB adds up.
    double add(const dict::ZalRecord& z, int32_t d1, int32_t d2);
    void finish();
};

}  // namespace kw::documents
