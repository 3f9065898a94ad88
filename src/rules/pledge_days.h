// The day counts of a pledge's events, as the forms that charge them count them and as
// the ticket prints them: the days of interest charged at each prolongation and at the
// redemption, and the days past the end of the period before each. One set of rules,
// so a printed ticket never shows other days than those charged.
//
// A day count is a plain difference of dates: the day a period starts is not counted,
// the day the client comes is. A date the client came on or before the start of the
// current period charges no day (except the one-day minimum of a redemption within the
// loan's own term); a date after its end charges the whole period.
#pragma once

#include <cstdint>

namespace kw::dict {
struct ZalRecord;
}

namespace kw::documents {

struct PledgeDates {
    int32_t DATA = 0;       // taken in
    int32_t DATA_K = 0;     // end of the loan's term
    int32_t PR[3] = {};     // the client came for prolongation 1, 2, 3
    int32_t START[3] = {};  // start of prolongation period 1, 2, 3
    int32_t END[3] = {};    // its end
    int32_t PRW = 0;        // the client came to redeem

    static PledgeDates of(const dict::ZalRecord& r);
};

// The early-return rule of the loan's own term: a loan not above `limit` returned
// within `days` days is charged `days` days.
struct EarlyReturn {
    double loan = 0;   // ZAL:S_CCYD
    double limit = 0;  // KBP:SW
    int days = 0;      // KBP:SD
};

// Prolongation k (1 to 3), the client having come on d.PR[k-1]: the days of interest
// of the period it ends (the term for k = 1, prolongation k-1 otherwise), and the days
// past that period's end (0 when not late).
int prolongationDays(int k, const PledgeDates& d, const EarlyReturn& rule);
int prolongationOverdue(int k, const PledgeDates& d);

// The period a redemption settles: 0 the loan's term, else the latest prolongation
// that took place (its start date set).
int redemptionPeriod(const PledgeDates& d);
// The days of interest charged at the redemption on d.PRW (within the term at least
// one), and the days past the end of that period.
int redemptionDays(const PledgeDates& d, const EarlyReturn& rule);
int redemptionOverdue(const PledgeDates& d);

// What the ticket prints: each event's counts, 0 for events that did not happen.
struct TicketDays {
    int16_t PD[3] = {};  // PD1..PD3
    int16_t SD[3] = {};  // SD1..SD3
    int16_t WD = 0;
    int16_t SDW = 0;
};
TicketDays ticketDays(const PledgeDates& d, const EarlyReturn& rule);

}  // namespace kw::documents
