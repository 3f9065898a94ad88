// Backups: a copy of every table taken while another desk issues loans holds every
// loan the desk had stored at one moment, whole, and none after it; the copy verifies
// and restores into an empty directory record for record; a changed byte, an edited
// manifest or a missing file fails the check and nothing is restored; a disk that
// fills up leaves no backup folder behind and the tables free.
#include "framework/data/backup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "storage/fault_file_system.h"
#include "storage/storage_test_util.h"

namespace kw::backup {
namespace {

using namespace std::chrono_literals;
using storage::File;
using storage::FileOptions;
using storage::testing::TempDir;

FileOptions at(const std::string& dir) {
    FileOptions o;
    o.directory = dir;
    return o;
}

// Every live record of a table in the directory, raw, in physical order.
std::vector<std::vector<uint8_t>> records(const storage::TableDecl& t, const std::string& dir) {
    File f(t, at(dir));
    std::vector<std::vector<uint8_t>> out;
    if (!f.open(storage::kAccessRead | storage::kDenyNone).ok()) return out;
    storage::Status s = f.set(0);
    while (s.ok() && (s = f.next()).ok()) out.emplace_back(f.buffer(), f.buffer() + t.recordSize);
    (void)f.close();
    return out;
}

// A small pawnshop: settings, two days, and `loans` pledges.
void makeTables(const std::string& dir, int loans) {
    for (const char* label : {"ZAL", "KBP", "DAY", "KLM"}) {
        File f(dict::table(label), at(dir));
        ASSERT_TRUE(f.create().ok()) << label;
    }
    File zal(dict::table("ZAL"), at(dir));
    ASSERT_TRUE(zal.open().ok());
    for (int n = 1; n <= loans; ++n) {
        storage::testing::zal(n, "Клиент " + std::to_string(n), 82000 + n, 82030 + n);
        ZAL.S_OZEN = n * 100.25;
        ASSERT_TRUE(zal.add().ok());
    }
    File day(dict::table("DAY"), at(dir));
    ASSERT_TRUE(day.open().ok());
    for (int d : {82001, 82002}) {
        DAY = dict::DayRecord{};
        DAY.DATA = d;
        DAY.KAS_N = 1000.5 * d;
        ASSERT_TRUE(day.add().ok());
    }
}

std::string onlyBackupFolder(const std::string& under) {
    std::string found;
    for (const auto& e : std::filesystem::directory_iterator(under)) found = e.path().string();
    return found;
}

TEST(Backup, TakenVerifiedAndRestoredGivesTheSameRecords) {
    TempDir data, under, target;
    makeTables(data.path(), 40);
    Options o;
    o.dataDirectory = data.path();
    const Result taken = take(under.path(), o);
    ASSERT_TRUE(taken.ok) << taken.problem;
    EXPECT_EQ(taken.tables, 4);
    EXPECT_EQ(taken.files,
              4 + 4 + 1 + 1 + 0);  // ZAL 3 keys and its open pledges', DAY 1, KLM 1, KBP none
    EXPECT_EQ(onlyBackupFolder(under.path()), taken.folder);

    // The manifest names the count and the money of the pledges, worked out here.
    std::ifstream in(taken.folder + "/MANIFEST");
    std::string manifest((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(manifest.find("table ZAL 40 "), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(" S_OZEN=82205.00 "), std::string::npos)
        << manifest;  // 100.25 * (1 + ... + 40)

    const Result checked = verify(taken.folder);
    EXPECT_TRUE(checked.ok) << checked.problem;
    EXPECT_EQ(checked.files, taken.files);
    Options into;
    into.dataDirectory = target.path();
    const Result restored = restore(taken.folder, into);
    ASSERT_TRUE(restored.ok) << restored.problem;
    for (const char* label : {"ZAL", "KBP", "DAY", "KLM"}) {
        const auto& t = dict::table(label);
        EXPECT_EQ(records(t, target.path()), records(t, data.path())) << label;
    }
    EXPECT_EQ(records(dict::table("ZAL"), target.path()).size(), 40u);
    // The restored tables work: a desk can add to them.
    File zal(dict::table("ZAL"), at(target.path()));
    ASSERT_TRUE(zal.open().ok());
    storage::testing::zal(41);
    EXPECT_TRUE(zal.add().ok());
}

TEST(Backup, ADamagedCopyFailsItsCheckAndIsNotRestored) {
    TempDir data, under;
    makeTables(data.path(), 10);
    Options o;
    o.dataDirectory = data.path();
    const Result taken = take(under.path(), o);
    ASSERT_TRUE(taken.ok) << taken.problem;
    const std::string pristine = under.file("pristine");
    std::filesystem::copy(taken.folder, pristine);

    auto restoredInto = [&](const std::string& folder) {
        TempDir target;
        Options into;
        into.dataDirectory = target.path();
        const Result r = restore(folder, into);
        EXPECT_TRUE(std::filesystem::is_empty(target.path()))
            << "something was restored from " << folder;
        return r.ok;
    };

    // One byte of a pledge changed.
    const std::string zalCopy = taken.folder + "/ZAL.DAT";
    auto bytes = storage::testing::readAll(zalCopy);
    bytes[bytes.size() - 100] ^= 0x01;
    storage::testing::writeAll(zalCopy, bytes);
    Result r = verify(taken.folder);
    EXPECT_FALSE(r.ok);
    ASSERT_FALSE(r.mismatches.empty());
    EXPECT_NE(r.mismatches.front().find("ZAL.DAT"), std::string::npos) << r.mismatches.front();
    EXPECT_FALSE(restoredInto(taken.folder));

    // The manifest edited to fit a changed file.
    std::filesystem::remove_all(taken.folder);
    std::filesystem::copy(pristine, taken.folder);
    {
        std::ifstream in(taken.folder + "/MANIFEST");
        std::string text((std::istreambuf_iterator<char>(in)), {});
        const auto at = text.find("table ZAL 10");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, 12, "table ZAL 11");
        std::ofstream(taken.folder + "/MANIFEST", std::ios::trunc) << text;
    }
    r = verify(taken.folder);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.problem.find("manifest"), std::string::npos) << r.problem;
    EXPECT_FALSE(restoredInto(taken.folder));

    // A key file missing.
    std::filesystem::remove_all(taken.folder);
    std::filesystem::copy(pristine, taken.folder);
    std::filesystem::remove(taken.folder + "/ZAL.K02");
    EXPECT_FALSE(verify(taken.folder).ok);
    EXPECT_FALSE(restoredInto(taken.folder));

    // The untouched copy still restores.
    EXPECT_TRUE(verify(pristine).ok);
}

TEST(Backup, RestoreRefusesADirectoryThatHoldsData) {
    TempDir data, under;
    makeTables(data.path(), 3);
    Options o;
    o.dataDirectory = data.path();
    const Result taken = take(under.path(), o);
    ASSERT_TRUE(taken.ok);
    const auto before = storage::testing::snapshotDir(data.path());
    const Result r = restore(taken.folder, o);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.problem.find("not empty"), std::string::npos) << r.problem;
    EXPECT_EQ(storage::testing::snapshotDir(data.path()), before);
}

// A desk in a process of its own that issues loans with tickets 1, 2, 3 ... until told
// to stop; `stored` is the number of loans it was told were stored.
class IssuingDesk {
  public:
    explicit IssuingDesk(const std::string& dir) {
        shared_ = static_cast<Shared*>(::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE,
                                              MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        new (shared_) Shared{};
        pid_ = ::fork();
        if (pid_ != 0) return;
        File zal(dict::table("ZAL"), at(dir));
        if (!zal.open().ok()) ::_exit(1);
        for (int n = 1; !shared_->stop.load(); ++n) {
            storage::testing::zal(n, "Клиент " + std::to_string(n), 82000, 82030);
            ZAL.S_OZEN = n * 3.5;
            if (!zal.add().ok()) ::_exit(2);
            shared_->stored.store(n);
        }
        ::_exit(0);
    }
    ~IssuingDesk() {
        stop();
        ::munmap(shared_, sizeof(Shared));
    }
    int stored() const { return shared_->stored.load(); }
    bool waitFor(int n) {
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (stored() < n)
            if (std::chrono::steady_clock::now() > until)
                return false;
            else
                std::this_thread::sleep_for(1ms);
        return true;
    }
    int stop() {
        if (pid_ <= 0) return -1;
        shared_->stop = true;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    struct Shared {
        std::atomic<bool> stop{false};
        std::atomic<int> stored{0};
    };
    Shared* shared_ = nullptr;
    pid_t pid_ = -1;
};

TEST(Backup, ACopyTakenWhileAnotherDeskIssuesLoansHoldsThemUpToOneMomentWhole) {
    TempDir data, under, target;
    makeTables(data.path(), 0);
    IssuingDesk desk(data.path());
    ASSERT_TRUE(desk.waitFor(50));
    Options o;
    o.dataDirectory = data.path();
    const int before = desk.stored();
    const Result taken = take(under.path(), o);
    const int after = desk.stored();
    ASSERT_TRUE(taken.ok) << taken.problem;
    ASSERT_TRUE(desk.waitFor(after + 20));  // the desk goes on once the copy is taken
    ASSERT_EQ(desk.stop(), 0);

    const Result checked = verify(taken.folder);
    ASSERT_TRUE(checked.ok) << checked.problem;
    Options into;
    into.dataDirectory = target.path();
    ASSERT_TRUE(restore(taken.folder, into).ok);

    // The copy holds the loans 1..k, each exactly as the desk stored it, for a k between
    // what the desk had stored when the copy began and when it ended; none after k.
    const auto& t = dict::table("ZAL");
    std::map<int32_t, std::vector<uint8_t>> original;
    for (auto& r : records(t, data.path())) {
        dict::ZalRecord z;
        std::memcpy(&z, r.data(), sizeof z);
        original[z.N_KV] = std::move(r);
    }
    std::set<int32_t> tickets;
    for (const auto& r : records(t, target.path())) {
        dict::ZalRecord z;
        std::memcpy(&z, r.data(), sizeof z);
        EXPECT_TRUE(tickets.insert(z.N_KV).second) << "ticket " << z.N_KV << " twice";
        ASSERT_TRUE(original.count(z.N_KV));
        EXPECT_EQ(r, original[z.N_KV]) << "ticket " << z.N_KV << " differs from the desk's";
    }
    const int k = static_cast<int>(tickets.size());
    EXPECT_GE(k, before);
    EXPECT_LE(k, after);
    ASSERT_FALSE(tickets.empty());
    EXPECT_EQ(*tickets.begin(), 1);
    EXPECT_EQ(*tickets.rbegin(), k) << "a loan is missing in the middle";
    EXPECT_GT(static_cast<int>(original.size()), k) << "the desk stored nothing after the copy";
}

TEST(Backup, ADiskThatFillsUpLeavesNoBackupAndTheTablesFree) {
    TempDir data;
    makeTables(data.path(), 5);
    // Every table has been opened for writing by a desk (its counters made), then the
    // disk fills up at the first write the backup makes, or at a later one, when some
    // files are copied and hashed already and others wait: the bytes the tables
    // already hold can still be written, nothing can grow.
    for (const char* label : {"ZAL", "KBP", "DAY", "KLM"}) {
        File f(dict::table(label), at(data.path()));
        ASSERT_TRUE(f.open().ok()) << label;
    }
    for (int step : {1, 4, 8}) {
        SCOPED_TRACE("the disk fills up at write " + std::to_string(step));
        TempDir under;
        storage::FaultFileSystem fs;
        fs.arm(storage::FaultFileSystem::Fault::DiskFull, static_cast<uint64_t>(step));
        Options o;
        o.dataDirectory = data.path();
        o.fs = &fs;
        const Result r = take(under.path(), o);
        EXPECT_TRUE(fs.fired()) << "the backup made fewer writes than that";
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.problem.find("the disk is full"), std::string::npos) << r.problem;
        EXPECT_TRUE(std::filesystem::is_empty(under.path())) << "a half backup was left";
        // No lock is left behind: another desk takes the pledge file's lock at once.
        File zal(dict::table("ZAL"), at(data.path()));
        ASSERT_TRUE(zal.open().ok());
        EXPECT_TRUE(zal.lock(0).ok());
        EXPECT_TRUE(zal.unlock().ok());
    }
}

TEST(Backup, PruneKeepsTheNewestFolders) {
    TempDir under;
    for (const char* name :
         {"kestrowd-20261201-100000", "kestrowd-20261202-100000", "kestrowd-20261202-100000-2",
          "kestrowd-20261203-090000", "other-folder"})
        std::filesystem::create_directory(under.file(name));
    EXPECT_EQ(prune(under.path(), 2), 2);
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(under.path()))
        left.insert(e.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{"kestrowd-20261203-090000", "kestrowd-20261202-100000-2",
                                           "other-folder"}));
}

}  // namespace
}  // namespace kw::backup
