// A full disk. A loan's add fails at each of its write steps in turn with "No space left
// on device" (that step alone, or the disk full from that step on): a desk told of the
// failure finds no trace of the loan after a restart, one told of success finds it once,
// the program starts on the full disk, and OK pressed again once space is freed stores
// the loan once. The same on a real small tmpfs where this machine lets root mount one.
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "storage/fault_file_system.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;
using testing::zal;
using Fault = FaultFileSystem::Fault;

constexpr int32_t kTicket = 6;

int copies(File& f, int32_t ticket) {
    int n = 0;
    EXPECT_EQ(f.set(0).code, 0);
    while (f.next().ok()) n += ZAL.N_KV == ticket;
    return n;
}

void expectSound(File& f) {
    std::vector<std::string> problems;
    ASSERT_EQ(f.check(problems).code, 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
}

void makeBase(const std::string& dir) {
    FileOptions o;
    o.directory = dir;
    File f(kw::dict::table("ZAL"), o);
    ASSERT_EQ(f.create().code, 0);
    ASSERT_EQ(f.open().code, 0);
    for (int t = 1; t < kTicket; ++t) {
        zal(t);
        ASSERT_EQ(f.add().code, 0);
    }
    ASSERT_EQ(f.close().code, 0);
}

// The new-loan form's OK: the ticket number must be free, then the record is added.
Status pressOk(File& f) {
    zal(kTicket);
    bool taken = false;
    Status s = f.duplicate(1, taken);
    if (!s.ok()) return s;
    if (taken) return Status::error(kDuplicateKey);
    return f.add();
}

void failEveryStep(Fault fault) {
    bool reachedEnd = false;
    for (uint64_t step = 1; step < 100 && !reachedEnd; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        TempDir d;
        makeBase(d.path());
        FaultFileSystem ffs;
        Status first;
        {
            File f(kw::dict::table("ZAL"), testing::in(d, &ffs));
            ASSERT_EQ(f.open().code, 0);
            ffs.arm(fault, step);
            first = pressOk(f);
            reachedEnd = !ffs.fired();
            if (!first.ok()) {
                EXPECT_EQ(first.sysError, ENOSPC) << first.describe();
            }
            // The close's checkpoint may meet the fault too; the journal still holds all.
            const Status closed = f.close();
            EXPECT_TRUE(closed.ok() || ffs.fired()) << closed.describe();
        }
        // A restart, the disk still as full as it was: the program starts, and the loan is
        // there exactly when the desk was told it was stored.
        {
            File f(kw::dict::table("ZAL"), testing::in(d, &ffs));
            const Status opened = f.open();
            ASSERT_EQ(opened.code, 0) << opened.describe();
            EXPECT_EQ(copies(f, kTicket), first.ok() ? 1 : 0) << first.describe();
            expectSound(f);
            if (!first.ok()) {
                // The form stays open; OK again while the disk is full, then once space
                // was freed.
                const Status again = pressOk(f);
                if (!again.ok()) {
                    EXPECT_EQ(copies(f, kTicket), 0) << again.describe();
                    ffs.arm(Fault::None, 0);
                    EXPECT_EQ(pressOk(f).code, 0);
                }
            }
            EXPECT_EQ(f.close().code, 0);
        }
        File f(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(f.open().code, 0);
        EXPECT_EQ(copies(f, kTicket), 1);
        expectSound(f);
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_TRUE(reachedEnd) << "the add never completed";
}

TEST(FullDisk, ALoanFailedAtOneWriteStepIsStoredOnceOrNotAtAll) {
    failEveryStep(Fault::NoSpace);
}
TEST(FullDisk, ALoanMeetingAFullDiskAtAnyStepIsStoredOnceOrNotAtAll) {
    failEveryStep(Fault::DiskFull);
}

// A table made on a full disk says the disk is full (the system's error behind "File
// System Error"), not "Access Denied".
TEST(FullDisk, CreateSaysTheDiskIsFull) {
    TempDir d;
    FaultFileSystem ffs;
    File f(kw::dict::table("ZAL"), testing::in(d, &ffs));
    ffs.arm(Fault::DiskFull, 1);
    const Status s = f.create();
    EXPECT_EQ(s.code, kFileSystemError) << s.describe();
    EXPECT_EQ(s.sysError, ENOSPC);
}

// A small tmpfs mounted for the test (root only; skipped where mounting is refused).
class Tmpfs : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
        if (::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, "size=3m") != 0)
            GTEST_SKIP() << "tmpfs cannot be mounted here: " << std::strerror(errno);
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) ::umount(dir_.path().c_str());
    }
    // Fills the file system with a file of its own, page by page to the last one.
    void fill() {
        FILE* p = std::fopen(filler().c_str(), "wb");
        ASSERT_NE(p, nullptr);
        std::setvbuf(p, nullptr, _IONBF, 0);
        const std::vector<char> page(4096, 'x');
        while (std::fwrite(page.data(), 1, page.size(), p) == page.size()) {
        }
        std::fclose(p);
    }
    std::string filler() const { return dir_.file("filler"); }
    TempDir dir_;
    bool mounted_ = false;
};

TEST_F(Tmpfs, LoansOnAFullDiskAreStoredOnceOrNotAtAll) {
    makeBase(dir_.path());
    fill();
    int told = 0;
    Status failed;
    {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        const Status opened = f.open();  // the program starts on the full disk
        ASSERT_EQ(opened.code, 0) << opened.describe();
        // Adds fill what the last pages of the files have left, until one fails.
        for (int t = 100; t < 400 && failed.ok(); ++t) {
            zal(t);
            failed = f.add();
            told += failed.ok();
        }
        ASSERT_FALSE(failed.ok()) << "the disk never filled";
        EXPECT_EQ(failed.sysError, ENOSPC) << failed.describe();
        uint32_t n = 0;
        ASSERT_EQ(f.records(n).code, 0);
        EXPECT_EQ(n, static_cast<uint32_t>(kTicket - 1 + told));
        EXPECT_EQ(f.close().code, 0);
    }
    const int32_t lost = 100 + told;  // the ticket whose add failed
    {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        ASSERT_EQ(f.open().code, 0);
        EXPECT_EQ(copies(f, lost), 0);
        expectSound(f);
        // A new table on the full disk says so.
        File klm(kw::dict::table("KLM"), testing::in(dir_));
        const Status made = klm.create();
        EXPECT_EQ(made.code, kFileSystemError) << made.describe();
        EXPECT_EQ(made.sysError, ENOSPC);
        // Space freed, OK again: stored once.
        ASSERT_EQ(::unlink(filler().c_str()), 0);
        zal(lost);
        bool taken = true;
        ASSERT_EQ(f.duplicate(1, taken).code, 0);
        EXPECT_FALSE(taken);
        EXPECT_EQ(f.add().code, 0);
        EXPECT_EQ(f.close().code, 0);
    }
    File f(kw::dict::table("ZAL"), testing::in(dir_));
    ASSERT_EQ(f.open().code, 0);
    EXPECT_EQ(copies(f, lost), 1);
    uint32_t n = 0;
    ASSERT_EQ(f.records(n).code, 0);
    EXPECT_EQ(n, static_cast<uint32_t>(kTicket + told));
    expectSound(f);
}

}  // namespace
}  // namespace kw::storage
