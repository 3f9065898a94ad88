#include "rules/pledge_days.h"

#include <algorithm>
#include <limits>

#include "dictionary/zal.h"
#include "runtime/real.h"

namespace kw::documents {

namespace {

int16_t shortOf(int v) {
    return static_cast<int16_t>(std::clamp(v, int{std::numeric_limits<int16_t>::min()},
                                           int{std::numeric_limits<int16_t>::max()}));
}

// Days used of the period (start, end] by a visit on `came`: none on or before its
// start, the whole period after its end.
int daysUsed(int32_t came, int32_t start, int32_t end) {
    if (came <= start) return 0;
    if (came > end) return std::max(0, end - start);
    return came - start;
}

bool small(const EarlyReturn& r) {
    return r.loan < r.limit || real::equal(r.loan, r.limit);
}

}  // namespace

PledgeDates PledgeDates::of(const dict::ZalRecord& r) {
    PledgeDates d;
    d.DATA = r.DATA;
    d.DATA_K = r.DATA_K;
    d.PR[0] = r.DATA_PR1;
    d.PR[1] = r.DATA_PR2;
    d.PR[2] = r.DATA_PR3;
    d.START[0] = r.DATA_P11;
    d.START[1] = r.DATA_P21;
    d.START[2] = r.DATA_P31;
    d.END[0] = r.DATA_P12;
    d.END[1] = r.DATA_P22;
    d.END[2] = r.DATA_P32;
    d.PRW = r.DATA_PRW;
    return d;
}

int prolongationDays(int k, const PledgeDates& d, const EarlyReturn& rule) {
    if (k < 1 || k > 3) return 0;
    const int32_t came = d.PR[k - 1];
    if (k > 1) return daysUsed(came, d.START[k - 2], d.END[k - 2]);
    const int term = d.DATA_K - d.DATA;
    if (came < d.DATA) return 0;
    if (came >= d.DATA_K) return term;
    if (!small(rule)) return came - d.DATA;
    return came - d.DATA <= rule.days ? rule.days : term;
}

int prolongationOverdue(int k, const PledgeDates& d) {
    if (k < 1 || k > 3) return 0;
    const int32_t end = k == 1 ? d.DATA_K : d.END[k - 2];
    return std::max(0, d.PR[k - 1] - end);
}

int redemptionPeriod(const PledgeDates& d) {
    for (int k = 3; k >= 1; --k)
        if (d.START[k - 1] != 0) return k;
    return 0;
}

int redemptionDays(const PledgeDates& d, const EarlyReturn& rule) {
    const int k = redemptionPeriod(d);
    if (k > 0) return daysUsed(d.PRW, d.START[k - 1], d.END[k - 1]);
    if (d.PRW > d.DATA_K) return d.DATA_K - d.DATA;
    int n = 0;
    if (d.PRW >= d.DATA)
        n = small(rule) && d.PRW - d.DATA <= rule.days ? rule.days : d.PRW - d.DATA;
    return n == 0 ? 1 : n;  // at least one day is charged
}

int redemptionOverdue(const PledgeDates& d) {
    const int k = redemptionPeriod(d);
    return std::max(0, d.PRW - (k > 0 ? d.END[k - 1] : d.DATA_K));
}

TicketDays ticketDays(const PledgeDates& d, const EarlyReturn& rule) {
    TicketDays t;
    for (int k = 1; k <= 3; ++k) {
        if (d.PR[k - 1] == 0) continue;
        t.PD[k - 1] = shortOf(prolongationDays(k, d, rule));
        t.SD[k - 1] = shortOf(prolongationOverdue(k, d));
    }
    if (d.PRW != 0) {
        t.WD = shortOf(redemptionDays(d, rule));
        t.SDW = shortOf(redemptionOverdue(d));
    }
    return t;
}

}  // namespace kw::documents
