// The audit journal: entries numbered without gaps and chained, also when several desks
// append at once; an entry inside a transaction frame goes with the change it records;
// and the check finds an entry altered with a hex editor, a removed entry and a swapped
// pair.
#include "framework/data/audit.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <set>

#include "framework/data/transaction_frame.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/sha256.h"
#include "storage/storage_test_util.h"

namespace kw::audit {
namespace {

using storage::File;
using storage::testing::TempDir;

storage::FileOptions at(const TempDir& d) {
    storage::FileOptions o;
    o.directory = d.path();
    return o;
}

Entry entry(int n, Kind kind = Kind::NewPledge) {
    Entry e;
    e.kind = kind;
    e.user = 6;
    e.userName = W("Соколов Андрей Викторович");
    e.host = "desk-1";
    e.table = "ZAL";
    e.key = std::to_string(1000 + n);
    e.text = W("S_VID: 0 -> ") + std::to_string(n * 100);
    e.date = 82160;
    e.time = 3600 * 100 * 9 + n * 100 + 1;
    return e;
}

class Audit : public ::testing::Test {
  protected:
    void SetUp() override {
        File f(dict::audTable(), at(dir_));
        ASSERT_TRUE(f.create().ok());
    }
    // Appends `n` entries through a File of its own.
    void appendSome(int from, int to) {
        File aud(dict::audTable(), at(dir_));
        ASSERT_TRUE(aud.open().ok());
        for (int n = from; n <= to; ++n) ASSERT_TRUE(append(aud, entry(n)).ok()) << n;
    }
    Finding check() {
        File aud(dict::audTable(), at(dir_));
        EXPECT_TRUE(aud.open(storage::kAccessRead | storage::kDenyNone).ok());
        return verify(aud);
    }
    // The raw slot of entry `n` in the data file (entries are added in order, so entry
    // n is slot n).
    std::size_t slotOffset(int n) {
        const auto bytes = storage::testing::readAll(dir_.file("AUD.DAT"));
        const uint32_t dataOffset =
            bytes[21] | bytes[22] << 8 | bytes[23] << 16 | uint32_t{bytes[24]} << 24;
        return dataOffset + static_cast<std::size_t>(n - 1) * (sizeof(dict::AudRecord) + 5) + 5;
    }
    void rebuildKeys() {
        File aud(dict::audTable(), at(dir_));
        ASSERT_TRUE(aud.build().ok());
    }
    TempDir dir_;
};

TEST_F(Audit, EntriesAreNumberedAndChainedAndTheChainHolds) {
    appendSome(1, 5);
    const Finding f = check();
    EXPECT_TRUE(f.ok) << f.entry << " " << f.what;
    EXPECT_EQ(f.entries, 5u);
    // The chain is the rule of the header: entry 2's digest from entry 1's, worked here.
    File aud(dict::audTable(), at(dir_));
    ASSERT_TRUE(aud.open().ok());
    AUD.N = 1;
    ASSERT_TRUE(aud.get(1).ok());
    const std::string first(AUD.HASH.view());
    Sha256 h;
    const std::string zeros(64, '0');
    h.update(zeros.data(), zeros.size());
    h.update(&AUD, offsetof(dict::AudRecord, HASH));
    EXPECT_EQ(first, h.hex());
    AUD.N = 2;
    ASSERT_TRUE(aud.get(1).ok());
    EXPECT_EQ(AUD.HASH.view(), chainHash(first, AUD));
    EXPECT_EQ(AUD.KEY.view().substr(0, 4), "1002");
    EXPECT_EQ(kindText(AUD.KIND), "Новый залог");
}

TEST_F(Audit, SeveralDesksAppendingAtOnceLeaveNoGapAndNoNumberTwice) {
    constexpr int kDesks = 3, kEach = 40;
    std::vector<pid_t> desks;
    for (int d = 0; d < kDesks; ++d) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            File aud(dict::audTable(), at(dir_));
            if (!aud.open().ok()) ::_exit(1);
            for (int n = 0; n < kEach; ++n)
                if (storage::Status s = append(aud, entry(d * 100 + n)); !s.ok()) ::_exit(s.code);
            ::_exit(0);
        }
        desks.push_back(pid);
    }
    for (pid_t pid : desks) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "a desk ended with " << WEXITSTATUS(status);
    }
    const Finding f = check();
    EXPECT_TRUE(f.ok) << f.entry << " " << f.what;
    EXPECT_EQ(f.entries, static_cast<uint32_t>(kDesks * kEach));
}

TEST_F(Audit, AnEntryInsideAFrameGoesWithTheChangeItRecords) {
    File aud(dict::audTable(), at(dir_));
    ASSERT_TRUE(aud.open().ok());
    ASSERT_TRUE(append(aud, entry(1)).ok());
    ASSERT_TRUE(transaction::Enrol(aud).ok());
    ASSERT_TRUE(transaction::Begin(5).ok());
    ASSERT_TRUE(append(aud, entry(2)).ok());
    ASSERT_TRUE(transaction::Rollback().ok());  // the change failed: no entry is left
    ASSERT_TRUE(transaction::Enrol(aud).ok());
    ASSERT_TRUE(transaction::Begin(5).ok());
    ASSERT_TRUE(append(aud, entry(3)).ok());
    ASSERT_TRUE(transaction::Commit().ok());
    const Finding f = check();
    EXPECT_TRUE(f.ok) << f.entry << " " << f.what;
    EXPECT_EQ(f.entries, 2u);  // 1 and the committed one, numbered 2
}

TEST_F(Audit, AnEntryAlteredWithAHexEditorIsFound) {
    appendSome(1, 6);
    auto bytes = storage::testing::readAll(dir_.file("AUD.DAT"));
    // One character of entry 4's text, in the file's code page: "S_VID: 0 -> 400" to 900.
    const std::size_t text = slotOffset(4) + offsetof(dict::AudRecord, TEXT);
    const std::size_t digit = text + std::string("S_VID: 0 -> ").size();
    ASSERT_EQ(bytes[digit], '4');
    bytes[digit] = '9';
    storage::testing::writeAll(dir_.file("AUD.DAT"), bytes);
    const Finding f = check();
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.entry, 4);
    EXPECT_NE(f.what.find("altered"), std::string::npos) << f.what;
}

TEST_F(Audit, ARemovedEntryIsFound) {
    appendSome(1, 6);
    File aud(dict::audTable(), at(dir_));
    ASSERT_TRUE(aud.open().ok());
    AUD.N = 3;
    ASSERT_TRUE(aud.get(1).ok());
    ASSERT_TRUE(aud.remove().ok());
    ASSERT_TRUE(aud.close().ok());
    const Finding f = check();
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.entry, 3);
    EXPECT_NE(f.what.find("missing"), std::string::npos) << f.what;
}

TEST_F(Audit, ASwappedPairIsFound) {
    appendSome(1, 6);
    // Entries 2 and 5 change places: their numbers are swapped in the file by hand and
    // the keys rebuilt, as someone covering a change would do.
    auto bytes = storage::testing::readAll(dir_.file("AUD.DAT"));
    const std::size_t a = slotOffset(2) + offsetof(dict::AudRecord, N),
                      b = slotOffset(5) + offsetof(dict::AudRecord, N);
    for (int i = 0; i < 4; ++i) std::swap(bytes[a + i], bytes[b + i]);
    storage::testing::writeAll(dir_.file("AUD.DAT"), bytes);
    rebuildKeys();
    const Finding f = check();
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.entry, 2);
}

TEST(AuditChanges, NameEveryChangedFieldWithItsValuesBeforeAndAfter) {
    dict::KlmRecord before{}, after{};
    before.DATA = kw::date::fromYmd(2025, 12, 8);
    before.FIO.assign(W("Иванов"));
    before.RAS = 100.5;
    after = before;
    after.RAS = 250;
    after.DATA = kw::date::fromYmd(2025, 12, 9);
    const std::string text = changes(dict::klmTable(), reinterpret_cast<const uint8_t*>(&before),
                                     reinterpret_cast<const uint8_t*>(&after));
    EXPECT_EQ(text, "DATA: 08.12.2025 -> 09.12.2025; RAS: 100.5 -> 250");
    EXPECT_EQ(changes(dict::klmTable(), reinterpret_cast<const uint8_t*>(&before),
                      reinterpret_cast<const uint8_t*>(&before)),
              "");
}

}  // namespace
}  // namespace kw::audit
