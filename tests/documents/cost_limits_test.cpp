// The limit of the full cost in force on a date, as PSK holds the limits.
#include "documents/cost_limits.h"

#include <gtest/gtest.h>

#include "dictionary/psk.h"
#include "ticket_test_util.h"

namespace {

using kw::documents::CostLimit;
using kwticket::day;

class CostLimits : public kwticket::TicketTest {};

TEST_F(CostLimits, TheRowInForceIsTheLatestNotAfterTheDateAndNoRowMeansNone) {
    EXPECT_FALSE(kw::documents::costLimitOn(day(1, 1, 2026)).found);  // created empty
    kw::dict::PskRecord r;
    r.DATA = day(1, 10, 2025);
    r.LIM = 292.8;
    r.BIL = 1;
    kwticket::addRecord(kw::dict::pskTable(), r);
    r.DATA = day(1, 1, 2026);
    r.LIM = 250.125;
    r.BIL = 0;
    kwticket::addRecord(kw::dict::pskTable(), r);
    EXPECT_FALSE(kw::documents::costLimitOn(day(30, 9, 2025)).found);
    const CostLimit oct = kw::documents::costLimitOn(day(1, 10, 2025));
    EXPECT_TRUE(oct.found);
    EXPECT_DOUBLE_EQ(oct.limit, 292.8);
    EXPECT_TRUE(oct.ticket);
    const CostLimit dec = kw::documents::costLimitOn(day(31, 12, 2025));
    EXPECT_DOUBLE_EQ(dec.limit, 292.8);
    const CostLimit jan = kw::documents::costLimitOn(day(15, 2, 2026));
    EXPECT_DOUBLE_EQ(jan.limit, 250.125);
    EXPECT_FALSE(jan.ticket);
}

}  // namespace
