// File::scan: every live record once, in physical order, its texts as on disk, the
// position and the buffer left alone; a record another station writes meanwhile is
// seen either before or after the write.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "storage/file.h"
#include "storage_test_util.h"

namespace kw::storage::testing {
namespace {

int32_t ticketOf(const uint8_t* record) {
    int32_t n = 0;
    std::memcpy(&n, record + offsetof(dict::ZalRecord, N_KV), sizeof n);
    return n;
}

TEST(FileScan, ReadsEveryLiveRecordOnceInFileOrderAndMovesNothing) {
    TempDir d;
    File f(dict::zalTable(), in(d));
    ASSERT_TRUE(f.create().ok());
    ASSERT_TRUE(f.open().ok());
    for (int t = 1; t <= 600; ++t) {
        zal(1000 - t, "Иванов");
        ASSERT_TRUE(f.add().ok());
    }
    // delete every third record
    for (uint32_t r = 3; r <= 600; r += 3) {
        ASSERT_TRUE(f.getRecord(r).ok());
        ASSERT_TRUE(f.remove().ok());
    }
    ASSERT_TRUE(f.getRecord(7).ok());
    const uint32_t current = f.currentRecord();
    std::vector<int32_t> seen;
    std::string fio;
    ASSERT_TRUE(
        f.scan([&](const uint8_t* rec) {
             seen.push_back(ticketOf(rec));
             if (fio.empty())
                 fio.assign(reinterpret_cast<const char*>(rec + offsetof(dict::ZalRecord, FIO)), 6);
         }).ok());
    std::vector<int32_t> expected;
    for (int t = 1; t <= 600; ++t)
        if (t % 3 != 0) expected.push_back(1000 - t);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(fio, cp::ansiToOem(W("Иванов"))) << "texts as the file holds them";
    EXPECT_EQ(f.currentRecord(), current);
    EXPECT_EQ(ZAL.N_KV, 1000 - 7) << "the buffer keeps the record read";
    ASSERT_TRUE(f.next().ok());
    EXPECT_EQ(ZAL.N_KV, 1000 - 8) << "the sequential position is where it was";
    ASSERT_TRUE(f.close().ok());
}

TEST(FileScan, OnlyTheByteRangesAskedForAreNeededToBeRight) {
    TempDir d;
    File f(dict::zalTable(), in(d));
    ASSERT_TRUE(f.create().ok());
    ASSERT_TRUE(f.open().ok());
    for (int t = 1; t <= 300; ++t) {
        zal(t, "Петров", 80000 + t);
        ASSERT_TRUE(f.add().ok());
    }
    const std::vector<File::Span> only = {{offsetof(dict::ZalRecord, N_KV), 4},
                                          {offsetof(dict::ZalRecord, S_VID), 8}};
    std::vector<std::pair<int32_t, double>> seen;
    ASSERT_TRUE(f.scan(
                     [&](const uint8_t* rec) {
                         double vid = 0;
                         std::memcpy(&vid, rec + offsetof(dict::ZalRecord, S_VID), 8);
                         seen.emplace_back(ticketOf(rec), vid);
                     },
                     only)
                    .ok());
    ASSERT_EQ(seen.size(), 300u);
    for (int t = 1; t <= 300; ++t) {
        EXPECT_EQ(seen[static_cast<std::size_t>(t - 1)].first, t);
        EXPECT_EQ(seen[static_cast<std::size_t>(t - 1)].second, t * 10.5);
    }
    ASSERT_TRUE(f.close().ok());
}

TEST(FileScan, AnEncipheredFileIsDeciphered) {
    TempDir d;
    File f(dict::secTable(), in(d));
    ASSERT_TRUE(f.create().ok());
    ASSERT_TRUE(f.open().ok());
    SEC = dict::SecRecord{};
    SEC.K_POL = 42;
    SEC.FIO = "Smith";
    ASSERT_TRUE(f.add().ok());
    for (const std::vector<File::Span>& only :
         {std::vector<File::Span>{}, std::vector<File::Span>{{0, 1}}}) {
        std::vector<int> codes;
        std::string name;
        ASSERT_TRUE(
            f.scan(
                 [&](const uint8_t* rec) {
                     codes.push_back(rec[offsetof(dict::SecRecord, K_POL)]);
                     name.assign(
                         reinterpret_cast<const char*>(rec + offsetof(dict::SecRecord, FIO)), 5);
                 },
                 only)
                .ok());
        EXPECT_EQ(codes, std::vector<int>{42});
        EXPECT_EQ(name, "Smith") << "an enciphered record comes whole";
    }
}

TEST(FileScan, ARecordChangedByAnotherStationDuringTheScanIsSeenWholeOnce) {
    TempDir d;
    {
        File f(dict::zalTable(), in(d));
        ASSERT_TRUE(f.create().ok());
        ASSERT_TRUE(f.open().ok());
        f.setDurable(false);
        for (int t = 1; t <= 3000; ++t) {
            zal(t);
            ZAL.S_VID = 100;
            ZAL.S_W = 0;
            ASSERT_TRUE(f.add().ok());
        }
        f.setDurable(true);
        ASSERT_TRUE(f.close().ok());
    }
    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    std::thread writer([&] {
        File w(dict::zalTable(), in(d));
        ASSERT_TRUE(w.open().ok());
        uint32_t r = 1;
        while (!stop) {
            r = r % 3000 + 1;
            if (!w.getRecord(r).ok()) continue;
            // S_VID and S_W always sum to 100 in a whole record
            const bool flip = ZAL.S_VID == 100;
            ZAL.S_VID = flip ? 40 : 100;
            ZAL.S_W = flip ? 60 : 0;
            if (w.put().ok()) ++writes;
        }
        (void)w.close();
    });
    File f(dict::zalTable(), in(d));
    ASSERT_TRUE(f.open().ok());
    while (writes == 0) std::this_thread::yield();
    for (int pass = 0; pass < 50 && writes < 100; ++pass) {
        int records = 0, torn = 0;
        ASSERT_TRUE(f.scan([&](const uint8_t* rec) {
                         double vid = 0, w = 0;
                         std::memcpy(&vid, rec + offsetof(dict::ZalRecord, S_VID), 8);
                         std::memcpy(&w, rec + offsetof(dict::ZalRecord, S_W), 8);
                         ++records;
                         if (vid + w != 100) ++torn;
                     }).ok());
        EXPECT_EQ(records, 3000);
        EXPECT_EQ(torn, 0);
    }
    stop = true;
    writer.join();
    EXPECT_GT(writes, 0);
    (void)f.close();
}

}  // namespace
}  // namespace kw::storage::testing
