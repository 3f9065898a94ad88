// The file manager's opening: lazy and counted, creation of a missing file, a file
// locked by another station, key rebuild, and the fatal messages of a file that
// cannot be brought into use.
#include <fstream>

#include "data_test_util.h"
#include "dictionary/tables.h"
#include "storage/file_system.h"

namespace kw::testing {
namespace {

using kw::Level;
const storage::KeyDecl& zalKey1() {
    return dict::zalTable().keys[0];
}

void addZal(int32_t ticket, const char* fio = "") {
    ZAL = dict::ZalRecord{};
    ZAL.N_KV = ticket;
    ZAL.FIO = fio;
    ASSERT_EQ(Access::ZAL->Insert(), Level::Benign);
}

using OpenTest = DictTest;

TEST_F(OpenTest, OpenOnlyCountsAndTheFirstUseCreatesAndOpensTheFile) {
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    EXPECT_TRUE(dirEmpty());
    FileThreadInfo info = Access::ZAL->SetThread();
    EXPECT_EQ(info.Opened, 1);
    EXPECT_EQ(info.Used, 0);
    EXPECT_FALSE(Access::ZAL->File->isOpen());

    ZAL.N_KV = 5;
    EXPECT_EQ(Access::ZAL->TryFetch(zalKey1()), Level::Notify);  // opened, but no such record
    EXPECT_TRUE(exists("ZAL.DAT"));
    EXPECT_TRUE(exists("ZAL.K01"));
    EXPECT_EQ(Access::ZAL->SetThread().Used, 1);
    EXPECT_TRUE(Access::ZAL->File->isOpen());
    EXPECT_EQ(ZAL.N_KV, 5);  // the buffer survives the open
    EXPECT_EQ(boxes.count(), 0u);
    Access::ZAL->Close();
}

TEST_F(OpenTest, TwoOpensNeedTwoCloses) {
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    addZal(1);
    EXPECT_EQ(Access::ZAL->SetThread().Opened, 2);
    Access::ZAL->Close();
    EXPECT_TRUE(Access::ZAL->File->isOpen());
    EXPECT_EQ(Access::ZAL->SetThread().Opened, 1);
    Access::ZAL->Close();
    EXPECT_FALSE(Access::ZAL->File->isOpen());
    EXPECT_EQ(Access::ZAL->SetThread().Opened, 0);
    EXPECT_EQ(Access::ZAL->SetThread().Used, 0);
    // a further Close finds nothing to close
    Access::ZAL->Close();
    EXPECT_EQ(Access::ZAL->SetThread().Opened, 0);
    EXPECT_EQ(assertion::reportCount(), 0u);
}

TEST_F(OpenTest, EveryTableIsCreatedEmptyWhenMissing) {
    const std::vector<kw::RelationManager*> all = {
        Relate::SEC, Relate::DAY, Relate::KLM, Relate::FIL, Relate::IZD, Relate::ZAL,
        Relate::MET, Relate::PRB, Relate::KAM, Relate::KBP, Relate::PKL};
    for (kw::RelationManager* rm : all) {
        SCOPED_TRACE(rm->Me->GetName());
        ASSERT_EQ(rm->Open(0), Level::Benign);
        EXPECT_TRUE(rm->Me->File->isOpen());
        EXPECT_EQ(rm->Me->TryNext(), Level::Notify);
        EXPECT_EQ(rm->Me->GetEOF(), 1);
        EXPECT_EQ(rm->Close(0), Level::Benign);
        EXPECT_FALSE(rm->Me->File->isOpen());
        EXPECT_TRUE(exists(rm->Me->Table().diskName + ".DAT"));
    }
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(assertion::reportCount(), 0u);
}

TEST_F(OpenTest, MissingFileWithoutCreateEndsTheProgramWithMessage23) {
    Access::ZAL->Create = 0;
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Fatal);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "File Access Error");
    EXPECT_EQ(boxes.last().text,
              "File zal could not be opened.  Error: File Not Found (2).  Press OK to end this "
              "application");
    EXPECT_EQ(halts.codes(), std::vector<int>{0});
    EXPECT_EQ(Access::ZAL->SetThread().LastError, 23);
    EXPECT_TRUE(dirEmpty());
    Access::ZAL->Close();
}

TEST_F(OpenTest, UseBeforeOpenIsMessage39AndEndsTheProgram) {
    ZAL.N_KV = 1;
    EXPECT_EQ(Access::ZAL->TryFetch(zalKey1()), Level::Fatal);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "File Usage Error");
    EXPECT_EQ(boxes.last().text,
              "Attempt to use file (zal) before it was opened  Press OK to end this application");
    EXPECT_EQ(halts.count(), 1u);
    EXPECT_TRUE(dirEmpty());
    EXPECT_TRUE(FilesManager.Status(1).empty());  // nothing noted for a file not open
}

TEST_F(OpenTest, FileThatIsNotADataFileGivesMessage23OrNotifyWhenTried) {
    { std::ofstream("ZAL.DAT", std::ios::binary) << std::string(200, 'x'); }
    // the Try form, forced to open at once, shows nothing
    EXPECT_EQ(Access::ZAL->OpenServer(0, 1), Level::Notify);
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(Access::ZAL->SetThread().LastError, 23);
    EXPECT_EQ(Access::ZAL->SetThread().Opened, 0);
    // the plain form at first use reports it
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Fatal);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "File Access Error");
    EXPECT_EQ(boxes.last().text.rfind("File zal could not be opened.  Error: ", 0), 0u);
    EXPECT_EQ(halts.count(), 1u);
    Access::ZAL->Close();
}

TEST_F(OpenTest, MissingKeyFileIsRebuiltAfterMessage27) {
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    addZal(1, "A");
    addZal(2, "B");
    Access::ZAL->Close();
    std::filesystem::remove("ZAL.K01");

    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    ZAL = dict::ZalRecord{};
    ZAL.N_KV = 2;
    EXPECT_EQ(Access::ZAL->TryFetch(zalKey1()), Level::Benign);
    EXPECT_EQ(ZAL.FIO.clip(), "B");
    EXPECT_EQ(captions(), std::vector<std::string>{"Invalid Key"});
    EXPECT_EQ(boxes.last().text, "zal key file is invalid. Key must be rebuilt.");
    EXPECT_TRUE(exists("ZAL.K01"));
    EXPECT_EQ(halts.count(), 0u);
    Access::ZAL->Close();
}

TEST_F(OpenTest, KeyThatCannotBeRebuiltIsMessage26AndEndsTheProgram) {
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    addZal(1);
    Access::ZAL->Close();
    storage::File& file = *Access::ZAL->File;
    // another station has the table open, so the rebuild cannot have it to itself
    OtherStation other([&] { ASSERT_TRUE(file.open().ok()); }, [&] { (void)file.close(); });
    std::filesystem::remove("ZAL.K01");

    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Fatal);
    EXPECT_EQ(captions(), (std::vector<std::string>{"Invalid Key", "Key was not built"}));
    EXPECT_EQ(
        boxes.last().text,
        "Error: (Access Denied (5)) repairing key for zal.  Press OK to end this application");
    EXPECT_EQ(halts.count(), 1u);
    Access::ZAL->Close();
}

// --- a file locked by another process ------------------------------------------------------

TEST_F(OpenTest, FileLockedByAnotherProcessIsOpenedReadOnlyAfterMessage2) {
    ASSERT_EQ(Access::DAY->Open(), Level::Benign);
    DAY = dict::DayRecord{};
    DAY.DATA = 100;
    ASSERT_EQ(Access::DAY->Insert(), Level::Benign);
    Access::DAY->Close();

    OtherProcess other(dict::dayTable(), storage::kAccessReadWrite | storage::kDenyWrite);
    ASSERT_EQ(other.code(), 0);

    ASSERT_EQ(Access::DAY->Open(), Level::Benign);
    DAY = dict::DayRecord{};
    EXPECT_EQ(Access::DAY->TryNext(), Level::Benign);
    EXPECT_EQ(DAY.DATA, 100);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Access Denied");
    EXPECT_EQ(boxes.last().text, "Could not get write access to day so trying read-only.");
    // read-only: writing is refused
    DAY.DATA = 200;
    EXPECT_EQ(Access::DAY->Insert(), Level::Notify);
    EXPECT_EQ(boxes.last().caption, "Record Insert Error");
    EXPECT_EQ(boxes.last().text,
              "An error was experienced during the creation of a record.|File: day|Error: Access "
              "Denied (5).");
    Access::DAY->Close();
    // the next open tries for writing again
    EXPECT_EQ(Access::DAY->OpenMode, storage::kDefaultOpenMode);
    EXPECT_EQ(halts.count(), 0u);
}

TEST_F(OpenTest, FileLockedAgainstReadingTooEndsWithMessage23) {
    ASSERT_EQ(Access::DAY->Open(), Level::Benign);
    EXPECT_EQ(Access::DAY->TryNext(), Level::Notify);  // creates it
    Access::DAY->Close();

    OtherProcess other(dict::dayTable(), storage::kAccessReadWrite | storage::kDenyAll);
    ASSERT_EQ(other.code(), 0);
    ASSERT_EQ(Access::DAY->Open(), Level::Benign);
    EXPECT_EQ(Access::DAY->TryNext(), Level::Fatal);
    EXPECT_EQ(captions(), (std::vector<std::string>{"Access Denied", "File Access Error"}));
    EXPECT_EQ(boxes.last().text,
              "File day could not be opened.  Error: Access Denied (5).  Press OK to end this "
              "application");
    EXPECT_EQ(halts.count(), 1u);
    Access::DAY->Close();
}

// Counts the opens of the data file and their access.
class CountingFileSystem : public storage::FileSystem {
  public:
    std::vector<bool> dataOpens;  // true: read/write
    storage::FileSystem& in = storage::posixFileSystem();

    int open(const std::string& path, unsigned flags, storage::Handle& h) override {
        if (path.size() > 4 && path.compare(path.size() - 4, 4, ".DAT") == 0)
            dataOpens.push_back((flags & storage::kOpenReadWrite) != 0);
        return in.open(path, flags, h);
    }
    int close(storage::Handle h) override { return in.close(h); }
    int read(storage::Handle h, void* b, std::size_t n, uint64_t off, std::size_t& got) override {
        return in.read(h, b, n, off, got);
    }
    int write(storage::Handle h, const void* b, std::size_t n, uint64_t off) override {
        return in.write(h, b, n, off);
    }
    int sync(storage::Handle h) override { return in.sync(h); }
    int truncate(storage::Handle h, uint64_t n) override { return in.truncate(h, n); }
    int size(storage::Handle h, uint64_t& n) override { return in.size(h, n); }
    int rename(const std::string& a, const std::string& b) override { return in.rename(a, b); }
    int unlink(const std::string& p) override { return in.unlink(p); }
    int exists(const std::string& p) override { return in.exists(p); }
    int syncDirectory(const std::string& d) override { return in.syncDirectory(d); }
    int lock(storage::Handle h, uint64_t off, uint64_t len, storage::LockKind k) override {
        return in.lock(h, off, len, k);
    }
    int testLock(storage::Handle h, uint64_t off, uint64_t len, storage::LockKind k,
                 bool& c) override {
        return in.testLock(h, off, len, k, c);
    }
    int map(storage::Handle h, uint64_t len, const uint8_t*& p) override {
        return in.map(h, len, p);
    }
    void unmap(const uint8_t* p, uint64_t len) override { in.unmap(p, len); }
    int mapWritable(storage::Handle h, uint64_t len, uint8_t*& p) override {
        return in.mapWritable(h, len, p);
    }
    void prefetch(const uint8_t* p, uint64_t len) override { in.prefetch(p, len); }
    int store(uint8_t* dst, const void* src, std::size_t n) override {
        return in.store(dst, src, n);
    }
};

TEST_F(DataTest, LockedFileIsRetriedOnceForWritingBeforeTheReadOnlyOpen) {
    CountingFileSystem fs;
    storage::FileOptions options;
    options.fs = &fs;
    TestTable par(parTable(), -1, options);
    ASSERT_TRUE(par.file.create().ok());
    OtherProcess other(parTable(), storage::kAccessReadWrite | storage::kDenyWrite);
    ASSERT_EQ(other.code(), 0);
    fs.dataOpens.clear();
    EXPECT_EQ(par.file.send("RECOVER=0"), "");

    ASSERT_EQ(par.fm.Open(), Level::Benign);
    EXPECT_EQ(par.fm.TryNext(), Level::Notify);  // empty, but open
    EXPECT_EQ(fs.dataOpens, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(captions(), std::vector<std::string>{"Access Denied"});
    EXPECT_EQ(par.fm.SetThread().Used, 1);
    // the retry gave the driver the table's lock-recover time
    EXPECT_EQ(par.file.send("RECOVER"), "10");
    par.fm.Close();
}

}  // namespace
}  // namespace kw::testing
