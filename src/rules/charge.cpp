#include "rules/charge.h"

#include "runtime/money.h"
#include "runtime/real.h"

namespace kw::pledges {

namespace {

// The daily amount rounded to kopecks, times the days, in whole kopecks: no binary
// residue of the rounded amount is multiplied.
double forDays(double daily, int days) {
    return money::roubles(money::kopecks(daily) * days);
}

}  // namespace

double interest(const dict::ZalRecord& z, int days, double c) {
    return forDays(z.S_CCYD * z.P_CC_D * c / 100, days);
}

double storage(const dict::ZalRecord& z, int days, double c) {
    return forDays(z.S_OZEN * z.P_XR_D * c / 100, days);
}

double penalty(const dict::ZalRecord& z, int days, double c) {
    return money::add(interest(z, days, c), storage(z, days, c));
}

void PenaltyMemo::apply(double& field, bool late, double value) {
    if (late) {
        field = value;
        ours_ = true;
        value_ = value;
    } else if (ours_ && real::equal(field, value_)) {
        field = 0;
        ours_ = false;
    }
}

}  // namespace kw::pledges
