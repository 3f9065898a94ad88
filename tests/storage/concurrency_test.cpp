// Several stations at once: two processes and two threads of one process add, change
// and delete in the same files; nothing is lost or damaged.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <random>
#include <set>
#include <thread>

#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;
using testing::zal;

// Adds `count` pledges numbered from `first`; returns the number of failures.
int addMany(const TempDir& d, int first, int count) {
    File f(kw::dict::table("ZAL"), testing::in(d));
    if (!f.open().ok()) return count;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        zal(first + i, "Клиент", 72687 + (first + i) % 300, 0);
        if (!f.add().ok()) ++failures;
    }
    if (!f.close().ok()) ++failures;
    return failures;
}

void expectComplete(const TempDir& d, std::size_t count, const std::set<int>& absent = {}) {
    File f(kw::dict::table("ZAL"), testing::in(d));
    ASSERT_EQ(f.open().code, 0);
    std::vector<std::string> problems;
    ASSERT_EQ(f.check(problems).code, 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
    uint32_t n = 0;
    ASSERT_EQ(f.records(n).code, 0);
    EXPECT_EQ(n, count);
    std::set<int> tickets;
    ASSERT_EQ(f.set(1).code, 0);
    int last = -1;
    while (f.next().ok()) {
        EXPECT_GT(ZAL.N_KV, last);
        last = ZAL.N_KV;
        tickets.insert(ZAL.N_KV);
        EXPECT_EQ(ZAL.S_VID, ZAL.N_KV * 10.5);
    }
    EXPECT_EQ(tickets.size(), count);
    for (int t : absent) EXPECT_EQ(tickets.count(t), 0u) << t;
}

TEST(Stations, TwoProcessesAddTenThousandRecordsEach) {
    TempDir d;
    {
        File f(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(f.create().code, 0);
    }
    constexpr int kEach = 10000;
    pid_t pids[2];
    for (int p = 0; p < 2; ++p) {
        pids[p] = ::fork();
        ASSERT_GE(pids[p], 0);
        if (pids[p] == 0) {
            const int failures = addMany(d, 1 + p * kEach, kEach);
            ::_exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    expectComplete(d, 2 * kEach);
}

TEST(Stations, TwoThreadsAddChangeAndDeleteTogether) {
    TempDir d;
    {
        File f(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(f.create().code, 0);
    }
    File shared(kw::dict::table("ZAL"), testing::in(d));  // one global FILE, a state per thread
    auto work = [&](int base) {
        ASSERT_EQ(shared.open().code, 0);
        for (int i = 0; i < 600; ++i) {
            zal(base + i);
            ASSERT_EQ(shared.add().code, 0);
            if (i % 3 == 2) {
                // Change the record added two steps ago, then delete the one before it.
                zal(base + i - 1);
                ASSERT_EQ(shared.get(1).code, 0);
                ZAL.PROB = 585;
                ZAL.SOST = static_cast<uint8_t>(4 + i % 2);  // out of the key of the open pledges
                ASSERT_EQ(shared.put().code, 0);
                zal(base + i - 2);
                ASSERT_EQ(shared.get(1).code, 0);
                ASSERT_EQ(shared.remove().code, 0);
            }
        }
        ASSERT_EQ(shared.close().code, 0);
    };
    std::thread a(work, 1), b(work, 100001);
    a.join();
    b.join();
    std::set<int> deleted;
    for (int base : {1, 100001})
        for (int i = 2; i < 600; i += 3) deleted.insert(base + i - 2);
    expectComplete(d, 2 * 600 - deleted.size(), deleted);
    File f(kw::dict::table("ZAL"), testing::in(d));
    ASSERT_EQ(f.open().code, 0);
    zal(2);
    ASSERT_EQ(f.get(1).code, 0);
    EXPECT_EQ(ZAL.PROB, 585);
}

TEST(Stations, ReaderSeesEveryRecordOnceWhileAnotherStationWrites) {
    TempDir d;
    {
        File f(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(f.create().code, 0);
        ASSERT_EQ(f.open().code, 0);
        f.setDurable(false);
        for (int t = 1; t <= 2000; ++t) {
            zal(t * 2);
            ASSERT_EQ(f.add().code, 0);
        }
        f.setDurable(true);
    }
    std::atomic<bool> done{false};
    std::thread writer([&] {
        File w(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(w.open().code, 0);
        w.setDurable(false);
        for (int t = 1; t <= 1500; ++t) {  // odd tickets in between: splits everywhere
            zal(t * 2 + 1);
            ASSERT_EQ(w.add().code, 0);
        }
        done = true;
    });
    File r(kw::dict::table("ZAL"), testing::in(d));
    ASSERT_EQ(r.open().code, 0);
    int passes = 0;
    do {
        std::set<int> even;
        int last = 0;
        ASSERT_EQ(r.set(1).code, 0);
        while (r.next().ok()) {
            ASSERT_GT(ZAL.N_KV, last);  // key order never goes back
            last = ZAL.N_KV;
            if (ZAL.N_KV % 2 == 0) even.insert(ZAL.N_KV);
        }
        EXPECT_EQ(even.size(), 2000u);  // the records that were there all along
        ++passes;
    } while (!done);
    writer.join();
    EXPECT_GE(passes, 1);
}

// A station that opens the table while another writes must not keep the header or the
// keys as they were before a write that ends during its open: its first read looks
// again. Run on a memory file system where there is one, so that writes come fast.
TEST(Stations, AStationOpeningWhileAnotherWritesSeesEveryWriteThatEnded) {
    struct MemoryDir {
        std::string path;
        MemoryDir() {
            std::string p = "/dev/shm/kwopenXXXXXX";
            if (std::filesystem::is_directory("/dev/shm") && ::mkdtemp(p.data())) path = p;
        }
        ~MemoryDir() {
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove_all(path, ec);
        }
    } memory;
    TempDir tmp;
    const std::string dir = memory.path.empty() ? tmp.path() : memory.path;
    FileOptions at;
    at.directory = dir;
    {
        File f(kw::dict::table("ZAL"), at);
        ASSERT_EQ(f.create().code, 0);
    }
    // Rounds: a station opens while another adds one record; once both are done the
    // opened station must see that record. The adds are spread over the open.
    constexpr int kRounds = 2000;
    std::atomic<int> go{0}, added{0};
    std::thread writer([&] {
        File w(kw::dict::table("ZAL"), at);
        ASSERT_EQ(w.open().code, 0);
        for (int t = 1; t <= kRounds; ++t) {
            while (go.load() < t) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(t % 40));
            zal(t);
            ASSERT_EQ(w.add().code, 0);
            added = t;
        }
    });
    int stale = 0;
    for (int t = 1; t <= kRounds; ++t) {
        File r(kw::dict::table("ZAL"), at);
        go = t;
        ASSERT_EQ(r.open(kAccessRead | kDenyNone).code, 0);
        while (added.load() < t) std::this_thread::yield();
        std::vector<std::string> problems;
        uint32_t n = 0;
        ASSERT_EQ(r.check(problems).code, 0);
        ASSERT_EQ(r.records(n).code, 0);
        if (!problems.empty() || n != static_cast<uint32_t>(t)) ++stale;
    }
    writer.join();
    EXPECT_EQ(stale, 0) << "of " << kRounds << " opens";
}

TEST(Stations, BulkLoadHasTheTableToItselfUntilItEnds) {
    TempDir d;
    File loader(kw::dict::table("ZAL"), testing::in(d));
    ASSERT_EQ(loader.create().code, 0);
    ASSERT_EQ(loader.open().code, 0);
    loader.setDurable(false);
    for (int t = 1; t <= 100; ++t) {
        zal(t);
        ASSERT_EQ(loader.add().code, 0);
    }
    File reader(kw::dict::table("ZAL"), testing::in(d));
    auto count = [&](uint32_t& n) {
        Status s;
        std::thread t([&] {
            ASSERT_EQ(reader.open().code, 0);
            EXPECT_EQ(reader.send("RECOVER=1"), "");
            s = reader.records(n);
            ASSERT_EQ(reader.close().code, 0);
        });
        t.join();
        return s.code;
    };
    uint32_t n = 0;
    EXPECT_EQ(count(n), kAccessDenied);  // the load is still gathering
    loader.setDurable(true);             // ends the load: everything reaches the files
    EXPECT_EQ(count(n), 0);
    EXPECT_EQ(n, 100u);
}

// Stations that open the table while bulk loads begin and end never take a healthy
// load for one that died (46): the file manager would rebuild the keys of a sound table.
TEST(Stations, OpensDuringBulkLoadsThatBeginAndEndNeverSeeADeadLoad) {
    TempDir d;
    {
        File f(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(f.create().code, 0);
    }
    constexpr int kLoads = 40;
    std::atomic<bool> loading{true};
    std::thread loader([&] {
        File f(kw::dict::table("ZAL"), testing::in(d));
        for (int l = 0; l < kLoads; ++l) {
            ASSERT_EQ(f.open().code, 0);
            f.setDurable(false);
            for (int i = 1; i <= 20; ++i) {
                zal(l * 100 + i);
                ASSERT_EQ(f.add().code, 0);
            }
            f.setDurable(true);
            ASSERT_EQ(f.close().code, 0);
        }
        loading = false;
    });
    int opens = 0, dead = 0, writableDead = 0;
    while (loading) {
        File r(kw::dict::table("ZAL"), testing::in(d));
        EXPECT_EQ(r.send("RECOVER=2"), "");
        // Read-only as check opens, and for writing as a cash desk does, in turn.
        const bool writable = opens % 2 == 1;
        const Status s = r.open(writable ? kDefaultOpenMode : (kAccessRead | kDenyNone));
        if (s.code == kKeyFileMustBeRebuilt) ++(writable ? writableDead : dead);
        ++opens;
        (void)r.close();
    }
    loader.join();
    EXPECT_EQ(dead + writableDead, 0)
        << dead << " read-only and " << writableDead << " writing opens of " << opens;
    expectComplete(d, kLoads * 20);
}

// Desks issue loans, each a pledge and its audit entry in one transaction, and are
// killed one after another at random moments (many of them inside a transaction or its
// commit) while the others go on: every pledge left has its entry and every entry its
// pledge, and both tables check sound. Every other loan's entry is added with the
// commit, its record carrying the decision, as the program adds them.
[[noreturn]] void issueLoansForever(const TempDir& d, int first) {
    File z(kw::dict::table("ZAL"), testing::in(d));
    File a(kw::dict::audTable(), testing::in(d));
    if (!z.open().ok() || !a.open().ok()) ::_exit(1);
    for (int t = first;; ++t) {
        if (!File::logout(10, {&z, &a}).ok()) ::_exit(2);
        Status st = Status::okay();
        if (t % 2 == 0) {
            zal(t);
            st = z.add();
            AUD = kw::dict::AudRecord{};
            AUD.N = t;
            if (st.ok()) st = a.addAndCommit();
        } else {
            st = testing::addPledgeAndEntry(z, a, t, t);
            if (st.ok()) st = File::commit();
        }
        if (!st.ok()) ::_exit(3);
    }
}

TEST(Stations, DesksKilledAtRandomLeaveEveryPledgeWithItsAuditEntry) {
    TempDir d;
    {
        File f(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(f.create().code, 0);
        File a(kw::dict::audTable(), testing::in(d));
        ASSERT_EQ(a.create().code, 0);
    }
    // This station keeps both tables open throughout: no desk is ever the last one out
    // of them, whose closing would put right what the dead left behind.
    File z(kw::dict::table("ZAL"), testing::in(d));
    File a(kw::dict::audTable(), testing::in(d));
    ASSERT_EQ(z.open().code, 0);
    ASSERT_EQ(a.open().code, 0);
    std::mt19937 random(20261210);
    int started = 0;
    auto start = [&] {
        const pid_t pid = ::fork();
        if (pid == 0) issueLoansForever(d, 1 + 1000000 * started);
        ++started;
        return pid;
    };
    std::vector<pid_t> desks;
    for (int i = 0; i < 3; ++i) desks.push_back(start());
    for (int kill = 0; kill < 40; ++kill) {
        std::this_thread::sleep_for(std::chrono::microseconds(20000 + random() % 30000));
        const std::size_t victim = random() % desks.size();
        ASSERT_EQ(::kill(desks[victim], SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(desks[victim], &status, 0), desks[victim]);
        // A desk that ended by itself failed to store a loan.
        ASSERT_TRUE(WIFSIGNALED(status)) << "a desk stopped with " << WEXITSTATUS(status);
        desks[victim] = start();
    }
    for (pid_t pid : desks) {
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    // A loan of this station's own, as a desk that goes on working issues it.
    ASSERT_EQ(File::logout(10, {&z, &a}).code, 0);
    ASSERT_EQ(testing::addPledgeAndEntry(z, a, 999999, 999999).code, 0);
    ASSERT_EQ(File::commit().code, 0);
    std::set<int> pledges, entries;
    for (bool audit : {false, true}) {
        File& f = audit ? a : z;
        std::vector<std::string> problems;
        ASSERT_EQ(f.check(problems).code, 0);
        EXPECT_TRUE(problems.empty()) << problems.front();
        ASSERT_EQ(f.set(0).code, 0);
        while (f.next().ok()) (audit ? entries : pledges).insert(audit ? AUD.N : ZAL.N_KV);
    }
    EXPECT_GT(pledges.size(), 40u);
    std::vector<int> onlyPledge, onlyEntry;
    std::set_difference(pledges.begin(), pledges.end(), entries.begin(), entries.end(),
                        std::back_inserter(onlyPledge));
    std::set_difference(entries.begin(), entries.end(), pledges.begin(), pledges.end(),
                        std::back_inserter(onlyEntry));
    EXPECT_TRUE(onlyPledge.empty()) << "a pledge without its entry: " << onlyPledge.front();
    EXPECT_TRUE(onlyEntry.empty()) << "an entry without its pledge: " << onlyEntry.front();
}

}  // namespace
}  // namespace kw::storage
