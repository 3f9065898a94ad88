// The day counts of prolongations and redemptions as the forms charge them and the
// ticket prints them; each expected count worked out by hand from the dates.
#include "rules/pledge_days.h"

#include <gtest/gtest.h>

namespace {

using kw::documents::EarlyReturn;
using kw::documents::PledgeDates;

constexpr int32_t kIssued = 80000;

PledgeDates term30() {
    PledgeDates d;
    d.DATA = kIssued;
    d.DATA_K = kIssued + 30;
    return d;
}

PledgeDates prolonged(int k, int32_t start, int days) {
    PledgeDates d = term30();
    d.PR[k - 1] = start;
    d.START[k - 1] = start;
    d.END[k - 1] = start + days;
    return d;
}

const EarlyReturn kSmall{4000, 5000, 10};
const EarlyReturn kLarge{6000, 5000, 10};

}  // namespace

TEST(PledgeDays, TheFirstProlongationKeepsTheEarlyReturnRule) {
    PledgeDates d = term30();
    d.PR[0] = kIssued + 4;
    EXPECT_EQ(prolongationDays(1, d, kSmall), 10);
    d.PR[0] = kIssued + 12;
    EXPECT_EQ(prolongationDays(1, d, kSmall), 30);
    EXPECT_EQ(prolongationDays(1, d, kLarge), 12);
    d.PR[0] = kIssued;  // on the day of issue, above the limit
    EXPECT_EQ(prolongationDays(1, d, kLarge), 0);
    d.PR[0] = kIssued + 30;  // exactly on the end date: the whole term, no penalty
    EXPECT_EQ(prolongationDays(1, d, kLarge), 30);
    EXPECT_EQ(prolongationOverdue(1, d), 0);
    d.PR[0] = kIssued + 33;
    EXPECT_EQ(prolongationDays(1, d, kSmall), 30);
    EXPECT_EQ(prolongationOverdue(1, d), 3);
}

TEST(PledgeDays, AVisitOnOrBeforeThePeriodStartChargesNoDay) {
    PledgeDates d = term30();
    d.PR[0] = kIssued - 5;  // a mistyped date before the issue
    EXPECT_EQ(prolongationDays(1, d, kLarge), 0);
    d = prolonged(1, kIssued + 30, 20);
    d.PR[1] = kIssued + 30;  // stage 2 on the day the first prolongation started
    EXPECT_EQ(prolongationDays(2, d, kLarge), 0);
    d.PR[1] = kIssued + 25;  // before it
    EXPECT_EQ(prolongationDays(2, d, kLarge), 0);
    EXPECT_EQ(prolongationOverdue(2, d), 0);
    d.PR[1] = kIssued + 41;
    EXPECT_EQ(prolongationDays(2, d, kLarge), 11);
    d.PR[1] = kIssued + 55;  // five days after the period's end
    EXPECT_EQ(prolongationDays(2, d, kLarge), 20);
    EXPECT_EQ(prolongationOverdue(2, d), 5);
}

TEST(PledgeDays, RedemptionWithinTheTermChargesAtLeastOneDay) {
    PledgeDates d = term30();
    d.PRW = kIssued + 3;
    EXPECT_EQ(redemptionDays(d, kSmall), 10);
    d.PRW = kIssued + 11;
    EXPECT_EQ(redemptionDays(d, kSmall), 11);
    d.PRW = kIssued;
    EXPECT_EQ(redemptionDays(d, kSmall), 10);
    EXPECT_EQ(redemptionDays(d, EarlyReturn{8000, 5000, 10}), 1);
    d.PRW = kIssued + 35;
    EXPECT_EQ(redemptionDays(d, kLarge), 30);
    EXPECT_EQ(redemptionOverdue(d), 5);
}

TEST(PledgeDays, RedemptionSettlesTheLatestProlongation) {
    // Prolonged once on day 30 for 30 days, redeemed 20 days after it ended.
    PledgeDates d = prolonged(1, kIssued + 30, 30);
    d.PRW = kIssued + 80;
    EXPECT_EQ(kw::documents::redemptionPeriod(d), 1);
    EXPECT_EQ(redemptionDays(d, kSmall), 30);
    EXPECT_EQ(redemptionOverdue(d), 20);
    d.PRW = kIssued + 60;  // on its end date
    EXPECT_EQ(redemptionDays(d, kSmall), 30);
    EXPECT_EQ(redemptionOverdue(d), 0);
    // A prolongation ending before the loan's own end date is still the current period.
    d = prolonged(1, kIssued + 5, 10);
    d.PRW = kIssued + 12;
    EXPECT_EQ(redemptionDays(d, kLarge), 7);
    // A zero-length third period redeemed on its start: nothing.
    d = prolonged(1, kIssued + 30, 30);
    d.START[1] = kIssued + 60;
    d.END[1] = kIssued + 90;
    d.START[2] = kIssued + 90;
    d.END[2] = kIssued + 90;
    d.PRW = kIssued + 90;
    EXPECT_EQ(kw::documents::redemptionPeriod(d), 3);
    EXPECT_EQ(redemptionDays(d, kLarge), 0);
    EXPECT_EQ(redemptionOverdue(d), 0);
}

TEST(PledgeDays, TheTicketShowsOnlyEventsThatHappened) {
    PledgeDates d = term30();
    auto t = kw::documents::ticketDays(d, kSmall);
    EXPECT_EQ(t.PD[0] + t.PD[1] + t.PD[2] + t.SD[0] + t.SD[1] + t.SD[2] + t.WD + t.SDW, 0);
    d = prolonged(1, kIssued + 33, 30);
    d.PRW = kIssued + 73;
    t = kw::documents::ticketDays(d, kLarge);
    EXPECT_EQ(t.PD[0], 30);
    EXPECT_EQ(t.SD[0], 3);
    EXPECT_EQ(t.PD[1], 0);
    EXPECT_EQ(t.WD, 30);
    EXPECT_EQ(t.SDW, 10);
    // Redeemed before the date of issue (a mistyped date): the one day the form charged.
    d = term30();
    d.PRW = kIssued - 2;
    EXPECT_EQ(kw::documents::ticketDays(d, kLarge).WD, 1);
}
