// The journal and its counters file: where the next record goes after the counters were
// lost or belong to another journal, room that never costs a record, and the growth of
// a busy table's journal.
#include "storage/journal.h"

#include <filesystem>

#include "storage/file_system.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;

std::vector<Change> oneChange(uint8_t fill, std::size_t n = 100) {
    Change c;
    c.file = 0;
    c.offset = 4096;
    c.bytes.assign(n, fill);
    return {c};
}

// Appends `count` records at the journal's end and writes the head, as a writer does.
uint64_t appendRecords(Journal& j, int count) {
    JournalHead h = j.head();
    for (int i = 0; i < count; ++i) {
        uint64_t next = 0;
        EXPECT_TRUE(j.append(h.end, h.generation, RecordKind::Op, 0,
                             oneChange(static_cast<uint8_t>(i)), next, true)
                        .ok());
        h.end = next;
    }
    h.sequence += 2;
    EXPECT_TRUE(j.writeHead(h).ok());
    return h.end;
}

// A journal and its counters file in a directory of their own.
class JournalFiles : public ::testing::Test {
  protected:
    TempDir dir;
    const std::string log = dir.file("T.LOG"), counters = dir.file("T.LGC");
    FileSystem& fs = posixFileSystem();
};

TEST_F(JournalFiles, TheEndComesFromTheCountersOrFromTheLiveRecords) {
    uint64_t end = 0;
    {
        Journal j;
        ASSERT_TRUE(j.open(fs, log, true, counters).ok());
        EXPECT_EQ(j.head().end, kJournalStart);
        EXPECT_EQ(j.sequence() % 2, 0u);
        end = appendRecords(j, 3);
        EXPECT_GT(end, kJournalStart);
    }
    {
        // Reopened: the counters say where the records end.
        Journal j;
        ASSERT_TRUE(j.open(fs, log, true, counters).ok());
        EXPECT_EQ(j.head().end, end);
    }
    // Counters lost: the end is found by reading the live records.
    std::filesystem::remove(counters);
    {
        Journal j;
        ASSERT_TRUE(j.open(fs, log, true, counters).ok());
        EXPECT_EQ(j.head().end, end);
        EXPECT_EQ(j.liveEnd(j.head().generation), end);
    }
    // A read-only station without counters reads under the writers' lock (odd counter).
    std::filesystem::remove(counters);
    {
        Journal j;
        ASSERT_TRUE(j.open(fs, log, false, counters).ok());
        EXPECT_EQ(j.sequence() % 2, 1u);
        EXPECT_EQ(j.holds(), UINT32_MAX);
    }
}

// A table made again gets a new journal; counters left from the old one must not put
// the next record far from the start, where recovery would never find it.
TEST_F(JournalFiles, CountersOfAnEarlierJournalDoNotPlaceRecords) {
    {
        Journal j;
        ASSERT_TRUE(j.open(fs, log, true, counters).ok());
        appendRecords(j, 5);
    }
    std::filesystem::remove(log);
    Journal j;
    ASSERT_TRUE(j.open(fs, log, true, counters).ok());
    EXPECT_EQ(j.head().generation, 1u);
    EXPECT_EQ(j.head().end, kJournalStart);
    const uint64_t end = appendRecords(j, 1);
    EXPECT_TRUE(j.hasLiveRecords(j.head().generation));
    EXPECT_EQ(j.liveEnd(j.head().generation), end);
}

// A journal shorter than its room (cut short, or made small) keeps every byte it has
// when it is given the rest: a record not yet applied survives.
TEST_F(JournalFiles, RoomIsAddedWithoutTouchingWhatIsThere) {
    uint64_t end = 0;
    {
        Journal j;
        ASSERT_TRUE(j.open(fs, log, true, counters).ok());
        end = appendRecords(j, 2);
    }
    std::filesystem::resize_file(log, 8192);
    Journal j;
    ASSERT_TRUE(j.open(fs, log, true, counters).ok());
    EXPECT_EQ(std::filesystem::file_size(log), kJournalPreallocated);
    EXPECT_TRUE(j.hasLiveRecords(j.head().generation));
    std::vector<uint8_t> seen;
    uint64_t replayedEnd = 0;
    ASSERT_TRUE(j.replay(
                     j.head().generation,
                     [&](uint16_t, uint64_t, const uint8_t* p, std::size_t) {
                         seen.push_back(p[0]);
                         return Status::okay();
                     },
                     replayedEnd)
                    .ok());
    EXPECT_EQ(seen, (std::vector<uint8_t>{0, 1}));
    EXPECT_EQ(replayedEnd, end);
    // Growing keeps the records too.
    ASSERT_TRUE(j.grow(kJournalLimit).ok());
    EXPECT_EQ(std::filesystem::file_size(log), kJournalLimit);
    EXPECT_EQ(j.liveEnd(j.head().generation), end);
}

// A busy table's journal grows to its limit once, then starts over at checkpoints; the
// records written on the way are all there.
TEST(Journal, ABusyTableGrowsItsJournalOnceAndKeepsEveryRecord) {
    TempDir dir;
    File f(kw::dict::table("ZAL"), testing::in(dir));
    ASSERT_EQ(f.create().code, 0);
    ASSERT_EQ(f.open().code, 0);
    const std::string log = dir.file("ZAL.LOG");
    EXPECT_EQ(std::filesystem::file_size(log), kJournalPreallocated);
    int added = 0;
    while (std::filesystem::file_size(log) == kJournalPreallocated && added < 5000) {
        testing::zal(++added);
        ASSERT_EQ(f.add().code, 0);
    }
    EXPECT_EQ(std::filesystem::file_size(log), kJournalLimit);
    for (int i = 0; i < 1500; ++i) {
        testing::zal(++added);
        ASSERT_EQ(f.add().code, 0);
    }
    EXPECT_EQ(std::filesystem::file_size(log), kJournalLimit);  // started over, did not grow
    uint32_t n = 0;
    ASSERT_EQ(f.records(n).code, 0);
    EXPECT_EQ(n, static_cast<uint32_t>(added));
    ASSERT_EQ(f.close().code, 0);
    File again(kw::dict::table("ZAL"), testing::in(dir));
    ASSERT_EQ(again.open().code, 0);
    ASSERT_EQ(again.records(n).code, 0);
    EXPECT_EQ(n, static_cast<uint32_t>(added));
}

}  // namespace
}  // namespace kw::storage
