// The day totals over a prepared ZAL of several hundred pledges in every state with
// events today and on other days, computed here in whole kopecks straight from the
// closing rules and compared with the DAY record the program wrote; and the pass's
// consistency while another station writes.
#include "cashdesk/day_totals.h"

#include <atomic>
#include <cstdint>
#include <random>

#include "cashdesk/day_texts.h"
#include "cashdesk_test_util.h"

namespace kwcash {
namespace {

using kw::cashdesk::closeBoxTitle;
using kw::cashdesk::closeDayTitle;

struct Kopecks {
    int64_t obo = 0, ras = 0, pri = 0, prib = 0;
};

// A prepared day: pledges and journal entries with amounts in kopecks, the expected
// totals summed in integers as the closing rules say.
struct PreparedDay {
    std::vector<ZalRecord> pledges;
    std::vector<KlmRecord> journal;
    Kopecks expected;
    int counted[7] = {};  // pledges with an event today, per state (the deleted too)
};

PreparedDay prepare(int n, uint32_t seed) {
    std::mt19937 rng(seed);
    auto kop = [&] { return static_cast<int64_t>(rng() % 5000000 + 100); };
    // today for about half of the events, else an earlier or a later day
    auto when = [&] {
        const uint32_t r = rng() % 6;
        return r < 3    ? kToday
               : r == 3 ? kToday - 1 - static_cast<int32_t>(rng() % 400)
               : r == 4 ? kToday + 1
                        : 0;
    };
    PreparedDay p;
    for (int i = 0; i < n; ++i) {
        ZalRecord z;
        z.N_KV = 1000 + i;
        z.SOST = static_cast<uint8_t>(i % 7);
        z.FIO = W("Петров Петр");
        const int64_t vid = kop(), w = kop();
        int64_t paid[3][3];
        z.DATA = when();
        if (z.DATA == 0) z.DATA = kToday - 3;
        z.S_VID = vid / 100.0;
        z.S_CCYD = z.S_VID;
        int32_t pr[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            for (auto& v : paid[k]) v = kop();
            // the groups of the states reached, and now and then one more
            if (k < z.SOST || rng() % 5 == 0) pr[k] = when();
        }
        z.DATA_PR1 = pr[0], z.S_P_C1 = paid[0][0] / 100.0, z.S_P_X1 = paid[0][1] / 100.0,
        z.S_ST1 = paid[0][2] / 100.0;
        z.DATA_PR2 = pr[1], z.S_P_C2 = paid[1][0] / 100.0, z.S_P_X2 = paid[1][1] / 100.0,
        z.S_ST2 = paid[1][2] / 100.0;
        z.DATA_PR3 = pr[2], z.S_P_C3 = paid[2][0] / 100.0, z.S_P_X3 = paid[2][1] / 100.0,
        z.S_ST3 = paid[2][2] / 100.0;
        if (z.SOST == 4 || rng() % 4 == 0) {
            z.DATA_PRW = when();
            z.S_W = w / 100.0;
        }
        if (z.SOST == 5 || rng() % 4 == 0) {
            z.DATA_R = when();
            z.S_R = kop() / 100.0;
        }
        p.pledges.push_back(z);

        const bool eventToday = z.DATA == kToday || pr[0] == kToday || pr[1] == kToday ||
                                pr[2] == kToday || z.DATA_PRW == kToday;
        if (eventToday) ++p.counted[z.SOST];
        if (z.SOST == 6) continue;
        if (z.SOST < 4) p.expected.obo += vid;
        if (z.DATA == kToday) p.expected.ras += vid;
        for (int k = 0; k < 3; ++k) {
            if (pr[k] != kToday) continue;
            const int64_t sum = paid[k][0] + paid[k][1] + paid[k][2];
            p.expected.pri += sum;
            p.expected.prib += sum;
        }
        if (z.DATA_PRW == kToday) {
            p.expected.pri += w;
            p.expected.prib += w - vid;
        }
    }
    for (int i = 0; i < 60; ++i) {
        KlmRecord k;
        k.DATA = i % 2 == 0 ? kToday : kToday - 1 - i;
        const int64_t pri = kop(), ras = kop();
        k.PRI = pri / 100.0;
        k.RAS = ras / 100.0;
        p.journal.push_back(k);
        if (k.DATA == kToday) p.expected.pri += pri, p.expected.ras += ras;
    }
    return p;
}

double rub(int64_t kopecks) {
    return kopecks / 100.0;
}

TEST(DayTotalsRules, PreparedDaysCoverEveryStateWithEventsToday) {
    const PreparedDay p = prepare(700, 7);
    for (int s = 0; s <= 6; ++s) EXPECT_GT(p.counted[s], 10) << "state " << s;
}

TEST_F(CashdeskTest, ClosingTotalsOfSeveralHundredPledgesAreThoseOfTheRules) {
    const PreparedDay p = prepare(700, 7);
    const int64_t opening = 123456789;  // 1 234 567.89
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(rub(opening))});
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, rub(opening))});
    addRecords(kw::dict::zalTable(), p.pledges);
    addRecords(kw::dict::klmTable(), p.journal);

    const int t = run(ZAC_D);
    WindowDriver w = window(closeDayTitle());
    const int64_t balance = opening + p.expected.pri - p.expected.ras;
    EXPECT_EQ(w.shown("T_PRI"), shownAs(rub(p.expected.pri), "n_15.2"));
    EXPECT_EQ(w.shown("T_RAS"), shownAs(rub(p.expected.ras), "n_15.2"));
    EXPECT_EQ(w.shown("OBO"), shownAs(rub(p.expected.obo), "n_15.2"));
    EXPECT_EQ(w.shown("TEK_O"), shownAs(rub(balance), "n-_12.2"));
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    closeWith(w, W("Выход"), t);

    const std::vector<DayRecord> d = days();
    ASSERT_EQ(d.size(), 1u);
    // sums of a few hundred amounts, exact in kopecks
    EXPECT_EQ(d[0].OBO, rub(p.expected.obo));
    EXPECT_EQ(d[0].KAS, rub(balance));
    EXPECT_EQ(d[0].PRIB, rub(p.expected.prib));
    EXPECT_EQ(d[0].KAS_N, rub(opening));
    const KbpRecord k = settings();
    EXPECT_EQ(k.KAS_N, rub(balance));
    EXPECT_EQ(k.KAS_P, rub(balance));
}

// Amounts stored with a binary residue or a third decimal (written by hand or by an
// older version) count as the ticket shows them, rounded half away from zero; on the
// server the server adds them up, so this is where its rounding must be the program's.
TEST_F(CashdeskTest, ClosingTotalsTakeEachAmountAsTheTicketShowsIt) {
    ZalRecord issued;  // OBO and T_RAS 1.01
    issued.N_KV = 1, issued.SOST = 0, issued.DATA = kToday, issued.S_VID = 1.005;
    ZalRecord prolonged;  // OBO 2.68; PRIBI and T_PRI 0.30 + 0.33 + 0.01
    prolonged.N_KV = 2, prolonged.SOST = 1, prolonged.DATA = kToday - 30;
    prolonged.S_VID = 2.675, prolonged.DATA_PR1 = kToday, prolonged.S_P_C1 = 0.1 + 0.2;
    prolonged.S_P_X1 = 1.0 / 3, prolonged.S_ST1 = 0.005;
    ZalRecord redeemed;  // T_PRI 110.12; PRIBI 110.12 - 100.01
    redeemed.N_KV = 3, redeemed.SOST = 4, redeemed.DATA = kToday - 20;
    redeemed.S_VID = 100.005, redeemed.DATA_PRW = kToday, redeemed.S_W = 110.115;
    ZalRecord deleted;  // nothing
    deleted.N_KV = 4, deleted.SOST = 6, deleted.DATA = kToday, deleted.S_VID = 5.555;
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(1000)});
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 1000)});
    addRecords(kw::dict::zalTable(), std::vector{issued, prolonged, redeemed, deleted});

    const int t = run(ZAC_D);
    WindowDriver w = window(closeDayTitle());
    EXPECT_EQ(w.shown("OBO"), shownAs(3.69, "n_15.2"));
    EXPECT_EQ(w.shown("T_RAS"), shownAs(1.01, "n_15.2"));
    EXPECT_EQ(w.shown("T_PRI"), shownAs(110.76, "n_15.2"));
    EXPECT_EQ(w.shown("TEK_O"), shownAs(1109.75, "n-_12.2"));
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    closeWith(w, W("Выход"), t);
    const std::vector<DayRecord> d = days();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].OBO, 3.69);
    EXPECT_EQ(d[0].PRIB, 10.75);
    EXPECT_EQ(d[0].KAS, 1109.75);
}

// Every pledge is issued today for 100.00; a redeemed one brought 150.00 back. So
// whatever another station changes during the pass, a consistent pass gives
//   T_RAS = 100 x pledges read,  T_PRI = 150 x redeemed read,
//   OBO + T_RAS of the redeemed (T_PRI x 2/3) = T_RAS,
// and a pledge counted twice or read half-written breaks one of them.
ZalRecord issuedToday(int32_t ticket, bool redeemed) {
    ZalRecord z;
    z.N_KV = ticket;
    z.DATA = kToday;
    z.S_VID = 100;
    if (redeemed) {
        z.SOST = 4;
        z.DATA_PRW = kToday;
        z.S_W = 150;
    }
    return z;
}

// Rewrites record `record` of ZAL as another station.
void rewrite(uint32_t record, bool redeemed, int32_t ticket) {
    onThread(63, [&] {
        kw::storage::File f(kw::dict::zalTable());
        ASSERT_TRUE(f.open().ok());
        ASSERT_TRUE(f.getRecord(record).ok());
        const ZalRecord z = issuedToday(ticket, redeemed);
        std::memcpy(f.buffer(), &z, sizeof z);
        ASSERT_TRUE(f.put().ok());
        ASSERT_TRUE(f.close().ok());
    });
}

TEST_F(CashdeskTest, APledgeWrittenByAnotherStationDuringTheClosingPassCountsOnce) {
    std::vector<ZalRecord> all;
    for (int i = 1; i <= 1000; ++i) all.push_back(issuedToday(i, false));
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(0)});
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 50000)});
    addRecords(kw::dict::zalTable(), all);
    // halfway through the pass another station redeems record 10 (already read) and
    // record 900 (not yet read), and changes ticket 901 to a number that sorts first
    std::atomic<int> passes{0};
    kw::cashdesk::setPassObserver(500, [&](uint32_t) {
        if (passes++ != 0) return;
        rewrite(10, true, 10);
        rewrite(900, true, 900);
        rewrite(901, false, -5);
    });
    const int t = run(ZAC_D);
    WindowDriver w = window(closeDayTitle());
    kw::cashdesk::setPassObserver(0, nullptr);
    EXPECT_EQ(w.shown("T_RAS"), "100000.00") << "each pledge once";
    EXPECT_EQ(w.shown("T_PRI"), "150.00") << "only the redemption not yet read";
    EXPECT_EQ(w.shown("OBO"), "99900.00");
    closeWith(w, "OK", t);
}

TEST_F(CashdeskTest, TheClosingPassIsConsistentWhileAnotherStationKeepsWriting) {
    std::vector<ZalRecord> all;
    for (int i = 1; i <= 2000; ++i) all.push_back(issuedToday(i, false));
    addRecords(kw::dict::zalTable(), all);
    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    std::thread writer([&] {
        kw::proc::setCurrentThread(63);
        kw::storage::File f(kw::dict::zalTable());
        ASSERT_TRUE(f.open().ok());
        std::mt19937 rng(3);
        while (!stop) {
            const uint32_t r = rng() % 2000 + 1;
            if (!f.getRecord(r).ok()) continue;
            const ZalRecord z = issuedToday(static_cast<int32_t>(r), rng() % 2 == 0);
            std::memcpy(f.buffer(), &z, sizeof z);
            if (f.put().ok()) ++writes;
        }
        (void)f.close();
    });
    ASSERT_TRUE(eventually([&] { return writes > 0; }));
    onThread(5, [&] {
        ASSERT_EQ(Relate::ZAL->Open(), kw::Level::Benign);
        const int start = writes;
        for (int pass = 0; pass < 5000 && writes < start + 40; ++pass) {
            kw::cashdesk::DayTotals t;
            ASSERT_TRUE(kw::cashdesk::addPledges(t, kToday));
            EXPECT_EQ(t.T_RAS, 200000.0) << "pass " << pass;
            const double redeemed = t.T_PRI / 150;
            EXPECT_EQ(redeemed, std::floor(redeemed)) << "pass " << pass;
            EXPECT_EQ(t.OBO + redeemed * 100, t.T_RAS) << "pass " << pass;
            EXPECT_EQ(t.PRIBI, redeemed * 50) << "pass " << pass;
        }
        (void)Relate::ZAL->Close();
    });
    const int during = writes;
    stop = true;
    writer.join();
    EXPECT_GE(during, 40) << "the other station wrote during the passes";
}

}  // namespace
}  // namespace kwcash
