// The day's totals, pledge by pledge and entry by entry, each figure worked out by hand
// in the comments.
#include "rules/day_totals.h"

#include <gtest/gtest.h>

namespace {

using kw::cashdesk::DayTotals;
using kw::dict::KlmRecord;
using kw::dict::ZalRecord;

constexpr int32_t kToday = 82160;

// Paid out 6 500.10 on a pledge issued three days ago.
ZalRecord pledge(uint8_t state) {
    ZalRecord z;
    z.SOST = state;
    z.DATA = kToday - 3;
    z.S_VID = 6500.10;
    return z;
}

TEST(DayTotals, EachRuleThatAppliesToAPledgeAdds) {
    DayTotals t;
    // Issued today, still active: in circulation and paid out today.
    ZalRecord issued = pledge(0);
    issued.DATA = kToday;
    kw::cashdesk::addPledge(t, issued, kToday);
    // Prolonged twice, the second time today: 120.01 + 30.02 + 0.07 received; the first
    // prolongation, yesterday, adds nothing.
    ZalRecord prolonged = pledge(2);
    prolonged.DATA_PR1 = kToday - 1;
    prolonged.S_P_C1 = 999;
    prolonged.DATA_PR2 = kToday;
    prolonged.S_P_C2 = 120.01;
    prolonged.S_P_X2 = 30.02;
    prolonged.S_ST2 = 0.07;
    kw::cashdesk::addPledge(t, prolonged, kToday);
    // Redeemed today for 7 000.30: profit 7 000.30 - 6 500.10 = 500.20; no longer
    // in circulation.
    ZalRecord redeemed = pledge(4);
    redeemed.DATA_PRW = kToday;
    redeemed.S_W = 7000.30;
    kw::cashdesk::addPledge(t, redeemed, kToday);
    // Deleted: nothing, whatever its dates say.
    ZalRecord deleted = pledge(6);
    deleted.DATA = kToday;
    deleted.DATA_PRW = kToday;
    deleted.S_W = 50;
    kw::cashdesk::addPledge(t, deleted, kToday);
    // Handed over for sale today: not part of the day, and out of circulation.
    ZalRecord sold = pledge(5);
    sold.DATA_R = kToday;
    sold.S_R = 4000;
    kw::cashdesk::addPledge(t, sold, kToday);

    EXPECT_DOUBLE_EQ(t.OBO, 13000.20);   // issued + prolonged
    EXPECT_DOUBLE_EQ(t.T_RAS, 6500.10);  // issued
    EXPECT_DOUBLE_EQ(t.T_PRI, 7150.40);  // 150.10 + 7 000.30
    EXPECT_DOUBLE_EQ(t.PRIBI, 650.30);   // 150.10 + 500.20
}

TEST(DayTotals, JournalEntriesOfTodayAddTheirExpenseAndReceiptInKopecksAndMoveTheClosingBalance) {
    DayTotals t;
    KlmRecord e;
    e.DATA = kToday;
    e.RAS = 0.10;
    e.PRI = 0.20;
    for (int i = 0; i < 3; ++i) kw::cashdesk::addEntry(t, e, kToday);
    e.DATA = kToday - 1;
    e.RAS = 100;
    kw::cashdesk::addEntry(t, e, kToday);
    // 0.10 x 3 and 0.20 x 3 exactly, as the journal shows them (not 0.30000000000000004).
    EXPECT_EQ(t.T_RAS, 0.30);
    EXPECT_EQ(t.T_PRI, 0.60);
    EXPECT_EQ(t.OBO, 0);
    // 1 000.05 + 0.60 - 0.30 = 1 000.35; with no movement the opening balance stays.
    EXPECT_EQ(kw::cashdesk::closingBalance(1000.05, t), 1000.35);
    EXPECT_EQ(kw::cashdesk::closingBalance(1000.05, DayTotals{}), 1000.05);
}

}  // namespace
