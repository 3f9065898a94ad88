// Durability: a write interrupted at any step (crash, failed write, short write) leaves
// files that open consistent with the record either fully there or not there at all;
// transactions roll back, also when the program died inside one.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "storage/fault_file_system.h"
#include "storage/journal.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;
using testing::zal;
using Fault = FaultFileSystem::Fault;
using Content = std::multimap<int32_t, double>;  // ticket -> S_VID of every live record

Content content(File& f) {
    Content c;
    EXPECT_EQ(f.set(0).code, 0);
    while (f.next().ok()) c.emplace(ZAL.N_KV, ZAL.S_VID);
    return c;
}

void makeBase(const TempDir& d) {
    File f(kw::dict::table("ZAL"), testing::in(d));
    ASSERT_EQ(f.create().code, 0);
    ASSERT_EQ(f.open().code, 0);
    for (int t = 1; t <= 5; ++t) {
        zal(t);
        ASSERT_EQ(f.add().code, 0);
    }
    ASSERT_EQ(f.close().code, 0);
}

// Opens the table as a program started afterwards would, rebuilding the keys when the
// driver asks for it, and returns what it holds. Fails the test on any inconsistency.
Content reopen(const TempDir& d) {
    File f(kw::dict::table("ZAL"), testing::in(d));
    Status s = f.open();
    if (s.code == kKeyFileMustBeRebuilt) {
        EXPECT_EQ(f.build().code, 0);
        s = f.open();
    }
    EXPECT_EQ(s.code, 0) << s.describe();
    std::vector<std::string> problems;
    EXPECT_EQ(f.check(problems).code, 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
    Content c = content(f);
    std::vector<int> byKey;
    EXPECT_EQ(f.set(1).code, 0);
    while (f.next().ok()) byKey.push_back(ZAL.N_KV);
    EXPECT_EQ(byKey.size(), c.size());
    return c;
}

enum class Op { Add, Put, Delete };

Content expected(Op op) {
    Content c;
    for (int t = 1; t <= 5; ++t) c.emplace(t, t * 10.5);
    if (op == Op::Add) c.emplace(99, 99 * 10.5);
    if (op == Op::Put) {
        c.erase(2);
        c.emplace(2, 7777);
    }
    if (op == Op::Delete) c.erase(3);
    return c;
}

Status runOp(File& f, Op op) {
    switch (op) {
        case Op::Add:
            zal(99);
            return f.add();
        case Op::Put: {
            Status s = f.getRecord(2);
            if (!s.ok()) return s;
            ZAL.S_VID = 7777;
            ZAL.SOST = 4;  // redeemed: it leaves the key of the open pledges
            return f.put();
        }
        case Op::Delete: {
            Status s = f.getRecord(3);
            if (!s.ok()) return s;
            return f.remove();
        }
    }
    return Status::error(kUnsupportedFunction);
}

void faultAtEveryStep(Op op, Fault fault) {
    Content old;
    for (int t = 1; t <= 5; ++t) old.emplace(t, t * 10.5);
    const Content after = expected(op);
    bool reachedEnd = false;
    for (uint64_t step = 1; step < 200 && !reachedEnd; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        TempDir d;
        makeBase(d);
        FaultFileSystem ffs;
        Status result;
        {
            File f(kw::dict::table("ZAL"), testing::in(d, &ffs));
            ASSERT_EQ(f.open().code, 0);
            ffs.arm(fault, step);
            result = runOp(f, op);
            reachedEnd = !ffs.fired();
            if (fault != Fault::Crash && !reachedEnd) {
                // The program lives on: what it sees must agree with what it was told.
                std::vector<std::string> problems;
                Status c = f.check(problems);
                if (c.ok()) {
                    EXPECT_TRUE(problems.empty()) << problems.front();
                }
                EXPECT_EQ(content(f), result.ok() ? after : old);
            }
        }
        const Content now = reopen(d);
        if (fault == Fault::Crash) {
            if (result.ok() && !ffs.crashed()) {
                EXPECT_EQ(now, after);
            }
            EXPECT_TRUE(now == old || now == after);
        } else {
            EXPECT_EQ(now, result.ok() ? after : old) << result.describe();
        }
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_TRUE(reachedEnd) << "the operation never completed";
}

TEST(CrashRecovery, AddInterruptedAtEveryWriteStep) {
    faultAtEveryStep(Op::Add, Fault::Crash);
}
TEST(CrashRecovery, PutInterruptedAtEveryWriteStep) {
    faultAtEveryStep(Op::Put, Fault::Crash);
}
TEST(CrashRecovery, DeleteInterruptedAtEveryWriteStep) {
    faultAtEveryStep(Op::Delete, Fault::Crash);
}
TEST(CrashRecovery, AddWithAFailedWriteAtEveryStep) {
    faultAtEveryStep(Op::Add, Fault::Error);
}
TEST(CrashRecovery, PutWithAShortWriteAtEveryStep) {
    faultAtEveryStep(Op::Put, Fault::ShortWrite);
}
TEST(CrashRecovery, DeleteWithAFailedWriteAtEveryStep) {
    faultAtEveryStep(Op::Delete, Fault::Error);
}

// The journal's record check: the zip CRC-32, the same whether computed in one piece or
// continued over pieces of any length (the fast path takes eight bytes at a time).
TEST(JournalCheck, CrcIsTheZipCrcInOneOrManyPieces) {
    const std::string nine = "123456789";
    EXPECT_EQ(crc32(reinterpret_cast<const uint8_t*>(nine.data()), nine.size()), 0xCBF43926u);
    EXPECT_EQ(crc32(nullptr, 0), 0u);
    std::vector<uint8_t> bytes(1000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    const uint32_t whole = crc32(bytes.data(), bytes.size());
    for (std::size_t cut : {1, 3, 7, 8, 9, 500, 999}) {
        const uint32_t first = crc32(bytes.data(), cut);
        EXPECT_EQ(crc32(bytes.data() + cut, bytes.size() - cut, first), whole) << cut;
    }
    bytes[517] ^= 0x10;
    EXPECT_NE(crc32(bytes.data(), bytes.size()), whole);
}

TEST(Transactions, RollbackUndoesEveryChange) {
    TempDir d;
    makeBase(d);
    File f(kw::dict::table("ZAL"), testing::in(d));
    ASSERT_EQ(f.open().code, 0);
    const Content old = content(f);
    ASSERT_EQ(File::logout(1, {&f}).code, 0);
    EXPECT_EQ(File::logout(1, {&f}).code, kLogoutAlreadyActive);
    for (int t = 50; t < 120; ++t) {  // enough to split key nodes
        zal(t);
        ASSERT_EQ(f.add().code, 0);
    }
    ASSERT_EQ(f.getRecord(2).code, 0);
    ZAL.S_VID = 1;
    ASSERT_EQ(f.put().code, 0);
    ASSERT_EQ(f.getRecord(4).code, 0);
    ASSERT_EQ(f.remove().code, 0);
    EXPECT_NE(content(f), old);  // the station sees its own changes
    ASSERT_EQ(File::rollback().code, 0);
    EXPECT_EQ(content(f), old);
    std::vector<std::string> problems;
    ASSERT_EQ(f.check(problems).code, 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(File::commit().code, kLogoutNotActive);
    ASSERT_EQ(f.close().code, 0);
    EXPECT_EQ(reopen(d), old);

    // Committed changes stay.
    ASSERT_EQ(f.open().code, 0);
    ASSERT_EQ(File::logout(1, {&f}).code, 0);
    zal(60);
    ASSERT_EQ(f.add().code, 0);
    ASSERT_EQ(File::commit().code, 0);
    ASSERT_EQ(f.close().code, 0);
    Content withAdd = old;
    withAdd.emplace(60, 60 * 10.5);
    EXPECT_EQ(reopen(d), withAdd);
}

TEST(Transactions, InterruptedTransactionIsRolledBackAtTheNextOpen) {
    TempDir d;
    makeBase(d);
    Content old;
    for (int t = 1; t <= 5; ++t) old.emplace(t, t * 10.5);
    FaultFileSystem ffs;
    {
        File f(kw::dict::table("ZAL"), testing::in(d, &ffs));
        ASSERT_EQ(f.open().code, 0);
        ASSERT_EQ(File::logout(1, {&f}).code, 0);
        for (int t = 50; t < 60; ++t) {
            zal(t);
            ASSERT_EQ(f.add().code, 0);
        }
        ASSERT_EQ(f.getRecord(1).code, 0);
        ASSERT_EQ(f.remove().code, 0);
        ffs.arm(Fault::Crash, 1);  // the program dies before it commits
        (void)File::commit();
    }
    EXPECT_EQ(reopen(d), old);
}

TEST(BulkMode, CrashWithoutJournalAsksForARebuild) {
    TempDir d;
    makeBase(d);
    FaultFileSystem ffs;
    {
        File f(kw::dict::table("ZAL"), testing::in(d, &ffs));
        ASSERT_EQ(f.open().code, 0);
        f.setDurable(false);
        for (int t = 10; t < 40; ++t) {
            zal(t);
            ASSERT_EQ(f.add().code, 0);
        }
        // The gathered adds reach the files at the close; the program dies in the middle.
        ffs.arm(Fault::Crash, 2);
    }
    File g(kw::dict::table("ZAL"), testing::in(d));
    EXPECT_EQ(g.open().code, kKeyFileMustBeRebuilt);
    const Content c = reopen(d);  // builds, and finds the files consistent
    EXPECT_GE(c.size(), 5u);
    EXPECT_LE(c.size(), 35u);
    // Leaving bulk mode in an orderly way needs no rebuild.
    {
        File f(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(f.open().code, 0);
        f.setDurable(false);
        zal(500);
        ASSERT_EQ(f.add().code, 0);
        f.setDurable(true);
        ASSERT_EQ(f.close().code, 0);
    }
    ASSERT_EQ(g.open().code, 0);
}

// A bulk load killed midway leaves slots past the last record that the header counts;
// check tells of such space (no disagreement: the next adds write over it), and build
// (as after the 46 of the killed load) and pack give it back.
TEST(BulkMode, SpaceAKilledLoadLeftPastTheLastRecordIsReportedAndGivenBack) {
    TempDir d;
    makeBase(d);
    const std::string dat = d.file("ZAL.DAT");
    const uint64_t sound = std::filesystem::file_size(dat);  // 5 slots
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        File f(kw::dict::table("ZAL"), testing::in(d));
        if (!f.open().ok()) ::_exit(1);
        f.setDurable(false);
        for (int t = 100; t < 8100; ++t) {  // past the 4 MiB of slots written in one piece
            zal(t);
            if (!f.add().ok()) ::_exit(2);
        }
        ::_exit(0);  // killed: no close
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_GT(std::filesystem::file_size(dat), sound + (4u << 20));
    File f(kw::dict::table("ZAL"), testing::in(d));
    ASSERT_EQ(f.open().code, kKeyFileMustBeRebuilt);
    ASSERT_EQ(f.build().code, 0);
    const uint64_t built = std::filesystem::file_size(dat);
    ASSERT_EQ(f.open().code, 0);
    uint32_t n = 0;
    ASSERT_EQ(f.records(n).code, 0);
    EXPECT_EQ(built, sound + uint64_t{n - 5} * 717) << n << " records";
    std::vector<std::string> problems;
    uint64_t unused = 1;
    ASSERT_EQ(f.check(problems, &unused).code, 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(unused, 0u);
    ASSERT_EQ(f.close().code, 0);

    // Space past the end, however it came there, is told of until a pack.
    {
        std::ofstream out(dat, std::ios::binary | std::ios::app);
        out << std::string(3000, 'x');
    }
    ASSERT_EQ(f.open().code, 0);
    ASSERT_EQ(f.check(problems, &unused).code, 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(unused, 3000u);
    ASSERT_EQ(f.close().code, 0);
    ASSERT_EQ(f.pack().code, 0);
    EXPECT_EQ(std::filesystem::file_size(dat), built);
    ASSERT_EQ(f.open().code, 0);
    ASSERT_EQ(f.check(problems, &unused).code, 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(unused, 0u);
    EXPECT_EQ(content(f).size(), n);
}

}  // namespace
}  // namespace kw::storage

// Transactions over two tables (a pledge and its audit entry): the whole transaction
// stays or goes, wherever the program dies or the disk fails, and a station that died
// inside one leaves nothing of it to the stations that go on.
namespace kw::storage {
namespace {

std::vector<int32_t> audNumbers(const TempDir& d) {
    File f(kw::dict::audTable(), testing::in(d));
    Status s = f.open();
    if (s.code == kKeyFileMustBeRebuilt) {
        EXPECT_EQ(f.build().code, 0);
        s = f.open();
    }
    EXPECT_EQ(s.code, 0) << s.describe();
    std::vector<int32_t> out;
    EXPECT_EQ(f.set(0).code, 0);
    while (f.next().ok()) out.push_back(AUD.N);
    return out;
}

void makeAud(const TempDir& d) {
    File a(kw::dict::audTable(), testing::in(d));
    ASSERT_EQ(a.create().code, 0);
}

// Pledge 99 and audit entry 1 in one transaction; the commit's result. `deciding`: the
// entry is added with the commit (its record is the decision), as the program does.
Status pledgeWithEntry(File& zalFile, File& audFile, bool deciding) {
    Status st = File::logout(1, {&zalFile, &audFile});
    if (!st.ok()) return st;
    if (deciding) {
        zal(99);
        st = zalFile.add();
        AUD = kw::dict::AudRecord{};
        AUD.N = 1;
        if (st.ok()) st = audFile.addAndCommit();
    } else {
        st = testing::addPledgeAndEntry(zalFile, audFile, 99, 1);
        if (st.ok()) st = File::commit();
    }
    if (!st.ok()) (void)File::rollback();
    return st;
}

void frameFaultAtEveryStep(Fault fault, bool deciding) {
    SCOPED_TRACE(deciding ? "the entry's record decides" : "a commit record decides");
    bool reachedEnd = false;
    for (uint64_t step = 1; step < 200 && !reachedEnd; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        TempDir d;
        makeBase(d);
        makeAud(d);
        FaultFileSystem ffs;
        Status result;
        {
            File f(kw::dict::table("ZAL"), testing::in(d, &ffs));
            File a(kw::dict::audTable(), testing::in(d, &ffs));
            ASSERT_EQ(f.open().code, 0);
            ASSERT_EQ(a.open().code, 0);
            ffs.arm(fault, step);
            result = pledgeWithEntry(f, a, deciding);
            reachedEnd = !ffs.fired();
        }
        const bool zalHas = reopen(d).count(99) == 1;
        const bool audHas = audNumbers(d).size() == 1;
        EXPECT_EQ(zalHas, audHas) << "pledge " << zalHas << ", entry " << audHas;
        // What the program was told holds (a crash tells it nothing).
        if (fault != Fault::Crash || !ffs.crashed()) {
            EXPECT_EQ(zalHas, result.ok()) << result.describe();
        }
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_TRUE(reachedEnd);
}

TEST(Frames, TwoTablesKilledAtEveryStepKeepBothOrNeither) {
    frameFaultAtEveryStep(Fault::Crash, false);
    frameFaultAtEveryStep(Fault::Crash, true);
}
TEST(Frames, TwoTablesWithAFailedWriteAtEveryStepKeepWhatTheProgramWasTold) {
    frameFaultAtEveryStep(Fault::Error, false);
    frameFaultAtEveryStep(Fault::Error, true);
    frameFaultAtEveryStep(Fault::DiskFull, true);
}

// Tables written only inside transactions (a pledge and its entry, all day long) keep
// their journals within their room: they checkpoint as tables written one record at a
// time do, and what they hold stays whole.
TEST(Frames, TablesWrittenOnlyInTransactionsKeepTheirJournalsInTheirRoom) {
    TempDir d;
    makeBase(d);
    makeAud(d);
    File f(kw::dict::table("ZAL"), testing::in(d));
    File a(kw::dict::audTable(), testing::in(d));
    ASSERT_EQ(f.open().code, 0);
    ASSERT_EQ(a.open().code, 0);
    uint64_t largest = 0;
    constexpr int kFrames = 1200;
    for (int i = 1; i <= kFrames; ++i) {
        ASSERT_EQ(File::logout(1, {&f, &a}).code, 0);
        zal(1000 + i);
        ASSERT_EQ(f.add().code, 0);
        AUD = kw::dict::AudRecord{};
        AUD.N = i;
        ASSERT_EQ(a.addAndCommit().code, 0);
        for (const char* log : {"ZAL.LOG", "AUD.LOG"})
            largest = std::max(largest, std::filesystem::file_size(d.file(log)));
    }
    // Without checkpoints the frames' records would take several times the room.
    EXPECT_LE(largest, kJournalLimit + kJournalSlack);
    ASSERT_EQ(f.close().code, 0);
    ASSERT_EQ(a.close().code, 0);
    const Content c = reopen(d);
    for (int i = 1; i <= kFrames; ++i) ASSERT_EQ(c.count(1000 + i), 1u) << i;
    EXPECT_EQ(audNumbers(d).size(), static_cast<std::size_t>(kFrames));
}

// A desk (a process of its own) writes pledge 77 and audit entry 7 in one transaction
// and dies: before the commit, or after the decision (the commit record of the audit
// table, the last of the transaction and its coordinator: the commit's first write), so
// that the pledge table's commit is never written.
void deskKilledInAFrame(const TempDir& d, bool afterDecision) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        FaultFileSystem ffs;
        File f(kw::dict::table("ZAL"), testing::in(d, &ffs));
        File a(kw::dict::audTable(), testing::in(d, &ffs));
        if (!f.open().ok() || !a.open().ok()) ::_exit(1);
        if (!File::logout(1, {&f, &a}).ok()) ::_exit(2);
        if (!testing::addPledgeAndEntry(f, a, 77, 7).ok()) ::_exit(3);
        if (!afterDecision) ::_exit(0);
        ffs.arm(Fault::Crash, 2);
        (void)File::commit();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Another desk keeps both tables open all along: the dead station's tables are put
// right by the next station that writes them, as a desk goes on working.
TEST(Frames, ADeskKilledInsideATransactionLeavesNothingOfIt) {
    const char* const stages[] = {"killed before the commit", "killed after the decision",
                                  "killed after the decision; the coordinator checkpoints"};
    for (int stage = 0; stage < 3; ++stage) {
        SCOPED_TRACE(stages[stage]);
        TempDir d;
        makeBase(d);
        makeAud(d);
        File keepZal(kw::dict::table("ZAL"), testing::in(d));
        File keepAud(kw::dict::audTable(), testing::in(d));
        ASSERT_EQ(keepZal.open().code, 0);
        ASSERT_EQ(keepAud.open().code, 0);
        deskKilledInAFrame(d, stage > 0);
        if (::testing::Test::HasFatalFailure()) return;
        if (stage == 2) {
            // The last station out of the audit table checkpoints its journal before the
            // pledges have been put right: the decision must outlive it.
            ASSERT_EQ(keepAud.close().code, 0);
            ASSERT_EQ(keepAud.open().code, 0);
        }
        // The desk that goes on writes both tables in a transaction of its own.
        ASSERT_EQ(File::logout(1, {&keepZal, &keepAud}).code, 0);
        ASSERT_EQ(testing::addPledgeAndEntry(keepZal, keepAud, 78, 8).code, 0);
        ASSERT_EQ(File::commit().code, 0);
        const Content c = content(keepZal);
        EXPECT_EQ(c.count(77), stage == 0 ? 0u : 1u);
        EXPECT_EQ(c.count(78), 1u);
        std::vector<int32_t> n;
        ASSERT_EQ(keepAud.set(0).code, 0);
        while (keepAud.next().ok()) n.push_back(AUD.N);
        const std::vector<int32_t> entries =
            stage == 0 ? std::vector<int32_t>{8} : std::vector<int32_t>{7, 8};
        EXPECT_EQ(n, entries);
        ASSERT_EQ(keepZal.close().code, 0);
        ASSERT_EQ(keepAud.close().code, 0);
        EXPECT_EQ(reopen(d).count(77), stage == 0 ? 0u : 1u);
        EXPECT_EQ(audNumbers(d).size(), stage == 0 ? 1u : 2u);
    }
}

// A desk dies between the audit table's decision and the pledges' commit; the next
// station out of the audit table, which puts its journal right, dies at every step of
// it in turn. The decision outlives it: the station that goes on keeps the dead desk's
// pledge and its entry both.
TEST(Frames, TheDecisionOutlivesAStationKilledPuttingTheCoordinatorRight) {
    bool reachedEnd = false;
    for (uint64_t step = 1; step < 100 && !reachedEnd; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        TempDir d;
        makeBase(d);
        makeAud(d);
        deskKilledInAFrame(d, true);
        if (::testing::Test::HasFatalFailure()) return;
        {
            FaultFileSystem ffs;
            File a(kw::dict::audTable(), testing::in(d, &ffs));
            ASSERT_EQ(a.open().code, 0);
            ffs.arm(Fault::Crash, step);
            (void)a.close();  // the last station out: recovery and checkpoint
            reachedEnd = !ffs.fired();
        }
        File z(kw::dict::table("ZAL"), testing::in(d));
        File a(kw::dict::audTable(), testing::in(d));
        ASSERT_EQ(z.open().code, 0);
        ASSERT_EQ(a.open().code, 0);
        ASSERT_EQ(File::logout(1, {&z, &a}).code, 0);
        ASSERT_EQ(testing::addPledgeAndEntry(z, a, 78, 8).code, 0);
        ASSERT_EQ(File::commit().code, 0);
        ASSERT_EQ(z.close().code, 0);
        ASSERT_EQ(a.close().code, 0);
        EXPECT_EQ(reopen(d).count(77), 1u);
        EXPECT_EQ(audNumbers(d), (std::vector<int32_t>{7, 8}));
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_TRUE(reachedEnd);
}

}  // namespace
}  // namespace kw::storage
