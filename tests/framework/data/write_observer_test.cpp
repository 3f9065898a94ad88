// The write observer: every write of an observed table through the file manager is told
// once, inside the frame that carries it (one of its own outside any), with the record's
// images; a write that fails is not told and leaves no entry; an entry that cannot be
// written undoes the write; taking back a number that priming took is no write.
#include "framework/data/write_observer.h"

#include <cstring>

#include "data_test_util.h"
#include "dictionary/aud.h"
#include "framework/data/audit.h"
#include "framework/data/transaction_frame.h"
#include "storage/fault_file_system.h"

namespace kw::testing {
namespace {

using Fault = storage::FaultFileSystem::Fault;

// Writes one journal entry per write told: the table, the first field's value as the
// key, and the changes.
class JournalObserver : public WriteObserver {
  public:
    explicit JournalObserver(storage::File& aud) : aud_(aud) {
        previous_ = write_observer::install(this);
    }
    ~JournalObserver() override { (void)write_observer::install(previous_); }

    bool Observes(const storage::TableDecl& t) override {
        return t.label == "PAR" || t.label == "AIT";
    }
    storage::File* Companion() override {
        if (!aud_.isOpen() && !aud_.open().ok()) return nullptr;
        return &aud_;
    }
    storage::Status Written(const WriteNotice& n) override {
        if (dieBefore) ::_exit(0);
        ops.push_back(n.operation);
        EXPECT_TRUE(transaction::Active()) << "told inside a frame";
        const std::size_t size = n.table->recordSize;
        std::vector<uint8_t> empty(size, 0);
        audit::Entry e;
        e.table = n.table->label;
        e.key = audit::fieldText(n.table->fields[0], n.after ? n.after : n.before);
        e.text = audit::changes(*n.table, n.before ? n.before : empty.data(),
                                n.after ? n.after : empty.data());
        const storage::Status st = audit::append(aud_, e);
        if (dieAfter) ::_exit(0);
        return st;
    }

    std::vector<WriteOperation> ops;
    bool dieBefore = false;  // the desk is killed once the change is written ...
    bool dieAfter = false;   // ... or once its entry is, before the frame commits

  private:
    storage::File& aud_;
    WriteObserver* previous_ = nullptr;
};

class WriteObserverTest : public DataTest {
  protected:
    // The journal's entries, read as another station would.
    std::vector<dict::AudRecord> entries() {
        std::vector<dict::AudRecord> out;
        onThread(62, [&] {
            storage::File f(dict::audTable());
            if (!f.open(storage::kAccessRead | storage::kDenyNone).ok()) return;
            (void)f.set(1);
            while (f.next().ok()) out.push_back(AUD);
            audit::Finding v = audit::verify(f);
            EXPECT_TRUE(v.ok) << v.what;
            (void)f.close();
        });
        return out;
    }
    // PAR's names in file order, read as another station would.
    std::vector<std::string> names() {
        std::vector<std::string> out;
        onThread(63, [&] {
            storage::File f(parTable());
            if (!f.open(storage::kAccessRead | storage::kDenyNone).ok()) return;
            while (f.next().ok()) out.emplace_back(PAR.NAME.clip());
            (void)f.close();
        });
        return out;
    }
    void createJournal() {
        storage::File f(dict::audTable());
        ASSERT_TRUE(f.create().ok());
    }
    static void set(int32_t id, const char* name) {
        PAR = ParRecord{};
        PAR.ID = id;
        PAR.NAME.assign(name);
    }
    static Level fetch(TestTable& par, int32_t id) {
        PAR = ParRecord{};
        PAR.ID = id;
        return par.fm.TryFetch(par.key(0));
    }
};

TEST_F(WriteObserverTest, EveryWriteIsToldOnceWithItsImagesAndLeavesOneEntryThatCommitsWithIt) {
    createJournal();
    storage::File aud(dict::audTable());
    JournalObserver observer(aud);
    TestTable par(parTable());
    TestTable chi(chiTable());
    ASSERT_EQ(par.fm.Open(), Level::Benign);
    ASSERT_EQ(chi.fm.Open(), Level::Benign);

    set(1, "first");
    ASSERT_EQ(par.fm.TryInsert(), Level::Benign);
    set(2, "second");
    ASSERT_EQ(par.fm.TryInsert(), Level::Benign);
    ASSERT_EQ(fetch(par, 1), Level::Benign);
    PAR.NAME.assign("changed");
    ASSERT_EQ(par.fm.TryUpdate(), Level::Benign);  // outside a frame: one of its own
    ASSERT_EQ(fetch(par, 2), Level::Benign);
    PAR.NAME.assign("through rm");
    ASSERT_EQ(par.rm.Update(0), Level::Benign);  // inside the relation manager's frame
    ASSERT_EQ(fetch(par, 2), Level::Benign);
    ASSERT_EQ(par.fm.DeleteRecord(), Level::Benign);
    CHI.PID = 1;
    ASSERT_EQ(chi.fm.TryInsert(), Level::Benign);  // not observed
    EXPECT_FALSE(transaction::Active()) << "every frame of its own ended";

    EXPECT_EQ(observer.ops,
              (std::vector<WriteOperation>{WriteOperation::Insert, WriteOperation::Insert,
                                           WriteOperation::Update, WriteOperation::Update,
                                           WriteOperation::Delete}));
    const auto e = entries();
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0].KEY.clip(), "1");
    EXPECT_EQ(e[0].TEXT.clip(), "ID: 0 -> 1; NAME: \"\" -> \"first\"");
    EXPECT_EQ(e[2].TEXT.clip(), "NAME: \"first\" -> \"changed\"")
        << "the image before is the stored record";
    EXPECT_EQ(e[3].TEXT.clip(), "NAME: \"second\" -> \"through rm\"");
    EXPECT_EQ(e[4].KEY.clip(), "2");
    EXPECT_EQ(e[4].TEXT.clip(), "ID: 2 -> 0; NAME: \"through rm\" -> \"\"");
    EXPECT_EQ(names(), (std::vector<std::string>{"changed"}));
    (void)chi.fm.Close();
    (void)par.fm.Close();
    (void)aud.close();
}

TEST_F(WriteObserverTest, AWriteThatFailsIsNotToldAndLeavesNoEntry) {
    createJournal();
    storage::File aud(dict::audTable());
    JournalObserver observer(aud);
    storage::FaultFileSystem fs;
    storage::FileOptions o;
    o.fs = &fs;
    TestTable par(parTable(), -1, o);
    ASSERT_EQ(par.fm.Open(), Level::Benign);
    set(1, "first");
    ASSERT_EQ(par.fm.TryInsert(), Level::Benign);
    ASSERT_EQ(entries().size(), 1u);

    // A full disk refuses the next pledge.
    fs.arm(Fault::DiskFull, 1);
    set(2, "second");
    EXPECT_NE(par.fm.TryInsert(), Level::Benign);
    fs.arm(Fault::None, 0);
    // The record was changed by another station since this one read it.
    ASSERT_EQ(fetch(par, 1), Level::Benign);
    {
        OtherStation other([] {
            storage::File f(parTable());
            ASSERT_TRUE(f.open().ok());
            PAR.ID = 1;
            ASSERT_TRUE(f.get(1).ok());
            PAR.NAME.assign("elsewhere");
            ASSERT_TRUE(f.put().ok());
            ASSERT_TRUE(f.close().ok());
        });
    }
    PAR.NAME.assign("here");
    EXPECT_NE(par.fm.TryUpdate(), Level::Benign);
    EXPECT_EQ(par.fm.SetThread().LastError, 6) << "changed by another station";
    EXPECT_FALSE(transaction::Active());
    // The caller's frame rolled back after the write: its entry goes with it.
    ASSERT_TRUE(transaction::Enrol(*par.fm.File).ok());
    ASSERT_TRUE(transaction::Begin(2).ok());
    set(3, "third");
    ASSERT_EQ(par.fm.TryInsert(), Level::Benign);
    ASSERT_TRUE(transaction::Rollback().ok());

    EXPECT_EQ(observer.ops.size(), 2u) << "the first insert and the one rolled back were told";
    EXPECT_EQ(entries().size(), 1u);
    EXPECT_EQ(names(), (std::vector<std::string>{"elsewhere"}));
    (void)par.fm.Close();
    (void)aud.close();
}

TEST_F(WriteObserverTest, AnEntryThatCannotBeWrittenUndoesItsChange) {
    createJournal();
    storage::FaultFileSystem fs;
    storage::FileOptions o;
    o.fs = &fs;
    storage::File aud(dict::audTable(), o);
    JournalObserver observer(aud);
    TestTable par(parTable());
    ASSERT_EQ(par.fm.Open(), Level::Benign);
    set(1, "first");
    ASSERT_EQ(par.fm.TryInsert(), Level::Benign);

    fs.arm(Fault::DiskFull, 1);
    set(2, "second");
    EXPECT_NE(par.fm.TryInsert(), Level::Benign);
    fs.arm(Fault::DiskFull, 1);
    ASSERT_EQ(fetch(par, 1), Level::Benign);
    PAR.NAME.assign("changed");
    EXPECT_NE(par.fm.TryUpdate(), Level::Benign);
    fs.arm(Fault::DiskFull, 1);
    ASSERT_EQ(fetch(par, 1), Level::Benign);
    PAR.NAME.assign("through rm");
    EXPECT_NE(par.rm.Update(0), Level::Benign);
    fs.arm(Fault::DiskFull, 1);
    ASSERT_EQ(fetch(par, 1), Level::Benign);
    EXPECT_NE(par.fm.DeleteRecord(), Level::Benign);
    EXPECT_FALSE(transaction::Active());
    fs.arm(Fault::None, 0);

    EXPECT_EQ(names(), (std::vector<std::string>{"first"})) << "no change without its entry";
    EXPECT_EQ(entries().size(), 1u);
    // With room again, the next change and its entry are stored together.
    ASSERT_EQ(fetch(par, 1), Level::Benign);
    PAR.NAME.assign("at last");
    ASSERT_EQ(par.fm.TryUpdate(), Level::Benign);
    EXPECT_EQ(names(), (std::vector<std::string>{"at last"}));
    EXPECT_EQ(entries().size(), 2u);
    (void)par.fm.Close();
    (void)aud.close();
}

TEST_F(WriteObserverTest, ANumberTakenByPrimingAndGivenBackIsNoChange) {
    createJournal();
    storage::File aud(dict::audTable());
    JournalObserver observer(aud);
    TestTable ait(aitTable(), 0);
    ASSERT_EQ(ait.fm.Open(), Level::Benign);
    ASSERT_EQ(ait.fm.PrimeRecord(), Level::Benign);  // adds the record that holds number 1
    ASSERT_EQ(ait.fm.CancelAutoInc(&ait.rm), Level::Benign);
    ASSERT_EQ(ait.fm.PrimeRecord(), Level::Benign);
    AIT.NAME.assign("kept");
    ASSERT_EQ(ait.fm.TryInsert(), Level::Benign);  // the primed record completed: an insert
    EXPECT_EQ(observer.ops, (std::vector<WriteOperation>{WriteOperation::Insert}));
    const auto e = entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].TAB.clip(), "AIT");
    (void)ait.fm.Close();
    (void)aud.close();
}

TEST_F(WriteObserverTest, ADeskKilledInsideTheFrameLeavesNeitherTheChangeNorItsEntry) {
    createJournal();
    {
        TestTable par(parTable());
        ASSERT_EQ(par.fm.Open(), Level::Benign);
        set(1, "first");
        ASSERT_EQ(par.fm.TryInsert(), Level::Benign);
        (void)par.fm.Close();
    }
    for (const bool afterEntry : {false, true}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            storage::File aud(dict::audTable());
            JournalObserver observer(aud);
            TestTable par(parTable());
            if (par.fm.Open() != Level::Benign || fetch(par, 1) != Level::Benign) ::_exit(2);
            (afterEntry ? observer.dieAfter : observer.dieBefore) = true;
            PAR.NAME.assign("killed");
            (void)par.fm.TryUpdate();
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0) << "the desk died inside the frame";
        // The next desk to open the tables for writing undoes the dead desk's frame.
        onThread(64, [] {
            for (const storage::TableDecl* t : {&parTable(), &dict::audTable()}) {
                storage::File f(*t);
                ASSERT_TRUE(f.open().ok());
                ASSERT_TRUE(f.close().ok());
            }
        });
        EXPECT_EQ(names(), (std::vector<std::string>{"first"})) << afterEntry;
        EXPECT_EQ(entries().size(), 0u) << afterEntry;
    }
}

}  // namespace
}  // namespace kw::testing
