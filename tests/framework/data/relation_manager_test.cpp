// The relation manager on three test tables, PAR (parents), CHI (children of PAR by
// PID) and GCH (children of CHI by CNO): the delete and update rules, the transaction
// frame, confirmation and retry, cascade opening and quick-scan.
#include <algorithm>
#include <chrono>

#include "data_test_util.h"
#include "framework/data/transaction_frame.h"

namespace kw::testing {
namespace {

using kw::Level;

class RelationTest : public DataTest {
  protected:
    void SetUp() override {
        DataTest::SetUp();
        par = std::make_unique<TestTable>(parTable());
        chi = std::make_unique<TestTable>(chiTable());
        gch = std::make_unique<TestTable>(gchTable());
        for (TestTable* t : {par.get(), chi.get(), gch.get()})
            ASSERT_EQ(t->rm.Open(0), Level::Benign);
        addPar(1, "one");
        addPar(2, "two");
        addChi(1, 11);
        addChi(1, 12);
        addChi(2, 21);
        addGch(11, 1);
        addGch(11, 2);
        addGch(12, 1);
        addGch(21, 1);
    }
    void TearDown() override {
        for (TestTable* t : {gch.get(), chi.get(), par.get()}) t->rm.Close(0);
        gch.reset();
        chi.reset();
        par.reset();
        DataTest::TearDown();
    }

    void addPar(int32_t id, const char* name) {
        PAR = ParRecord{};
        PAR.ID = id;
        PAR.NAME = name;
        ASSERT_EQ(par->fm.Insert(), Level::Benign);
    }
    void addChi(int32_t pid, int32_t no) {
        CHI = ChiRecord{};
        CHI.PID = pid;
        CHI.NO = no;
        ASSERT_EQ(chi->fm.Insert(), Level::Benign);
    }
    void addGch(int32_t cno, int32_t no) {
        GCH = GchRecord{};
        GCH.CNO = cno;
        GCH.NO = no;
        ASSERT_EQ(gch->fm.Insert(), Level::Benign);
    }
    void fetchPar(int32_t id) {
        PAR = ParRecord{};
        PAR.ID = id;
        ASSERT_EQ(par->fm.Fetch(par->key(0)), Level::Benign);
    }
    // Every record of a table as another station reads it, in physical order.
    template <class Row>
    static std::vector<std::string> rows(const storage::TableDecl& decl, Row row) {
        std::vector<std::string> out;
        onThread(60, [&] {
            storage::File f(decl);
            if (!f.open(storage::kAccessRead | storage::kDenyNone).ok()) return;
            while (f.next().ok()) out.push_back(row());
            (void)f.close();
        });
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::vector<std::string> parRows() {
        return rows(parTable(), [] { return std::to_string(PAR.ID) + ":" + PAR.NAME.clip(); });
    }
    static std::vector<std::string> chiRows() {
        return rows(chiTable(),
                    [] { return std::to_string(CHI.PID) + "/" + std::to_string(CHI.NO); });
    }
    static std::vector<std::string> gchRows() {
        return rows(gchTable(),
                    [] { return std::to_string(GCH.CNO) + "/" + std::to_string(GCH.NO); });
    }
    void relateParToChi(uint8_t updateMode, uint8_t deleteMode, bool withKey = true) {
        par->rm.AddRelation(chi->rm, updateMode, deleteMode, withKey ? &chi->key(0) : nullptr);
        par->rm.AddRelationLink("ID", "CHI:PID");
    }
    void relateChiToGch(uint8_t updateMode, uint8_t deleteMode) {
        chi->rm.AddRelation(gch->rm, updateMode, deleteMode, &gch->key(0));
        chi->rm.AddRelationLink("NO", "CNO");
    }

    std::unique_ptr<TestTable> par, chi, gch;
};

// --- delete -------------------------------------------------------------------------------

TEST_F(RelationTest, RestrictRefusesTheDeleteWithMessage30AndRollsBack) {
    relateParToChi(kRINone, kRICascade);  // the children go first ...
    par->rm.AddRelation(gch->rm, kRINone, kRIRestrict,
                        &gch->key(0));  // ... then a reference refuses
    par->rm.AddRelationLink("PAR:ID", "GCH:CNO");
    addGch(1, 5);
    fetchPar(1);
    boxes.answer(msgbox::Ok);
    boxes.answer(msgbox::No);
    EXPECT_EQ(par->rm.Delete(0), Level::Notify);
    EXPECT_EQ(captions(), (std::vector<std::string>{"Referential Integrity Delete Error",
                                                    "Record Delete Error"}));
    EXPECT_EQ(
        texts()[0],
        "This record is referenced from the file gch. This record cannot be deleted while these "
        "references exist.");
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:one", "2:two"}));
    EXPECT_EQ(chiRows(), (std::vector<std::string>{"1/11", "1/12", "2/21"}));  // rolled back
    EXPECT_FALSE(transaction::Active());
    EXPECT_EQ(par->fm.SetThread().Opened, 1);  // closed again
}

TEST_F(RelationTest, RestrictWithoutReferencesDeletes) {
    relateParToChi(kRINone, kRIRestrict);
    addPar(3, "three");
    EXPECT_EQ(par->rm.Delete(0), Level::Benign);
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:one", "2:two"}));
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(RelationTest, YesToTryAgainRepeatsTheWholeDelete) {
    relateParToChi(kRINone, kRIRestrict);
    fetchPar(1);
    for (unsigned a : {msgbox::Ok, msgbox::Yes, msgbox::Ok, msgbox::No}) boxes.answer(a);
    EXPECT_EQ(par->rm.Delete(0), Level::Notify);
    EXPECT_EQ(captions(), (std::vector<std::string>{
                              "Referential Integrity Delete Error", "Record Delete Error",
                              "Referential Integrity Delete Error", "Record Delete Error"}));
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:one", "2:two"}));
}

TEST_F(RelationTest, CascadeDeletesTheChildrenAndTheirChildren) {
    relateParToChi(kRINone, kRICascade);
    relateChiToGch(kRINone, kRICascade);
    fetchPar(1);
    EXPECT_EQ(par->rm.Delete(0), Level::Benign);
    EXPECT_EQ(parRows(), std::vector<std::string>{"2:two"});
    EXPECT_EQ(chiRows(), std::vector<std::string>{"2/21"});
    EXPECT_EQ(gchRows(), std::vector<std::string>{"21/1"});
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_FALSE(transaction::Active());
}

TEST_F(RelationTest, ClearBlanksTheChildrensLinks) {
    relateParToChi(kRINone, kRIClear);
    fetchPar(1);
    CHI.TXT = "mine";  // the child's buffer comes back as it was
    EXPECT_EQ(par->rm.Delete(0), Level::Benign);
    EXPECT_EQ(parRows(), std::vector<std::string>{"2:two"});
    EXPECT_EQ(chiRows(), (std::vector<std::string>{"0/11", "0/12", "2/21"}));
    EXPECT_EQ(CHI.TXT.clip(), "mine");
}

TEST_F(RelationTest, ClearWithoutAKeyFindsTheChildrenByReadingTheTable) {
    relateParToChi(kRINone, kRIClear, false);
    fetchPar(2);
    EXPECT_EQ(par->rm.Delete(0), Level::Benign);
    EXPECT_EQ(chiRows(), (std::vector<std::string>{"0/21", "1/11", "1/12"}));
}

TEST_F(RelationTest, NoToMessage9DeletesNothingAndYesDeletes) {
    fetchPar(1);
    boxes.answer(msgbox::No);
    EXPECT_EQ(par->rm.Delete(1), Level::Notify);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Confirm Delete");
    EXPECT_EQ(boxes.last().text, "Are you sure you want to delete the highlighted record?");
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:one", "2:two"}));

    boxes.answer(msgbox::Yes);
    EXPECT_EQ(par->rm.Delete(1), Level::Benign);
    EXPECT_EQ(boxes.count(), 2u);
    EXPECT_EQ(parRows(), std::vector<std::string>{"2:two"});
}

TEST_F(RelationTest, DeleteWhoseTransactionCannotBeginShowsMessage21AndKeepsTheRecord) {
    fetchPar(1);
    storage::File& file = par->file;
    {
        OtherStation other([&] { ASSERT_TRUE(file.open().ok() && file.lock().ok()); },
                           [&] { (void)file.close(); });
        boxes.answer(msgbox::Ok);
        boxes.answer(msgbox::No);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(par->rm.Delete(0), Level::Notify);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(kTransactionWait));
    }
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"Transaction cancelled", "Record Delete Error"}));
    EXPECT_EQ(texts()[0],
              "Error: (File Is Already Locked (32)) attempting to frame the transaction on par.");
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:one", "2:two"}));
    // once the lock is gone the same delete goes through
    fetchPar(1);
    EXPECT_EQ(par->rm.Delete(0), Level::Benign);
    EXPECT_EQ(parRows(), std::vector<std::string>{"2:two"});
}

TEST_F(RelationTest, InvalidDeleteModeIsAnInternalError) {
    relateParToChi(kRINone, 7);
    fetchPar(2);
    boxes.answer(msgbox::Ok);  // the assertion's box
    boxes.answer(msgbox::No);
    EXPECT_EQ(par->rm.Delete(0), Level::Notify);
    EXPECT_EQ(assertionTexts(), std::vector<std::string>{"Invalid RI mode"});
    EXPECT_EQ(parRows().size(), 2u);
}

// A driver without transaction frames.
class NoFrames : public TransactionDriver {
  public:
    storage::Status Enrol(storage::File&) override {
        last_error::set(storage::kUnsupportedFunction,
                        storage::errorText(storage::kUnsupportedFunction));
        return storage::Status::error(storage::kUnsupportedFunction);
    }
};

TEST_F(RelationTest, DriverWithoutTransactionsDeletesWithoutAFrame) {
    NoFrames none;
    transaction::setDriver(&none);
    relateParToChi(kRINone, kRICascade);
    fetchPar(1);
    EXPECT_EQ(par->rm.Delete(0), Level::Benign);
    transaction::setDriver(nullptr);
    EXPECT_EQ(par->rm.UseLogout, 0);
    EXPECT_EQ(chi->rm.UseLogout, 0);
    EXPECT_EQ(assertionTexts(),
              (std::vector<std::string>{"Driver does not support transaction framing.",
                                        "Driver does not support transaction framing."}));
    EXPECT_EQ(parRows(), std::vector<std::string>{"2:two"});
    EXPECT_EQ(chiRows(), std::vector<std::string>{"2/21"});
}

// --- update -------------------------------------------------------------------------------

TEST_F(RelationTest, UpdateCascadesChangedLinks) {
    relateParToChi(kRICascade, kRINone);
    relateChiToGch(kRICascade, kRINone);
    fetchPar(1);
    par->rm.Save();
    PAR.ID = 5;
    EXPECT_EQ(par->rm.Update(1), Level::Benign);
    EXPECT_EQ(parRows(), (std::vector<std::string>{"2:two", "5:one"}));
    EXPECT_EQ(chiRows(), (std::vector<std::string>{"2/21", "5/11", "5/12"}));
    EXPECT_EQ(gchRows(), (std::vector<std::string>{"11/1", "11/2", "12/1",
                                                   "21/1"}));  // their links did not change
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(RelationTest, UpdateWithoutAChangedLinkLeavesTheChildren) {
    relateParToChi(kRIRestrict, kRINone);
    fetchPar(1);
    par->rm.Save();
    PAR.NAME = "renamed";
    EXPECT_EQ(par->rm.Update(1), Level::Benign);
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:renamed", "2:two"}));
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(RelationTest, UpdateClearRuleBlanksTheOldLinks) {
    relateParToChi(kRIClear, kRINone);
    fetchPar(2);
    par->rm.Save();
    PAR.ID = 9;
    EXPECT_EQ(par->rm.Update(1), Level::Benign);
    EXPECT_EQ(chiRows(), (std::vector<std::string>{"0/21", "1/11", "1/12"}));
}

TEST_F(RelationTest, UpdateRestrictResetsTheLinksWithMessage31) {
    relateParToChi(kRIRestrict, kRINone);
    fetchPar(1);
    par->rm.Save();
    PAR.ID = 7;
    PAR.NAME = "edited";
    EXPECT_EQ(par->rm.Update(1), Level::Notify);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Referential Integrity Update Error");
    EXPECT_EQ(boxes.last().text,
              "This record is referenced from the file chi. Linking field(s) have been restricted "
              "from change and have been reset to original values.");
    EXPECT_EQ(PAR.ID, 1);
    EXPECT_EQ(PAR.NAME.clip(), "edited");
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:one", "2:two"}));  // rolled back
    // the form saves again with the links reset
    EXPECT_EQ(par->rm.Update(1), Level::Benign);
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:edited", "2:two"}));
    EXPECT_EQ(boxes.count(), 1u);
}

TEST_F(RelationTest, CascadeUpdateOfAChildAppliesTheChildsOwnRules) {
    // changing a child's NO follows into the grandchildren
    relateChiToGch(kRICascade, kRINone);
    CHI = ChiRecord{};
    CHI.PID = 1;
    CHI.NO = 11;
    ASSERT_EQ(chi->fm.Fetch(chi->key(0)), Level::Benign);
    chi->rm.Save();
    CHI.NO = 13;
    EXPECT_EQ(chi->rm.Update(0), Level::Benign);
    EXPECT_EQ(gchRows(), (std::vector<std::string>{"12/1", "13/1", "13/2", "21/1"}));
}

// --- opening, quick-scan --------------------------------------------------------------------

TEST_F(RelationTest, OpenCascadesThroughRelationsVisitingEachTableOnce) {
    relateParToChi(kRINone, kRINone);
    chi->rm.AddRelation(par->rm, kRINone, kRINone, &par->key(0));  // and back: a cycle
    chi->rm.AddRelationLink("PID", "ID");
    relateChiToGch(kRINone, kRINone);
    ASSERT_EQ(par->rm.Open(0), Level::Benign);
    EXPECT_EQ(par->fm.SetThread().Opened, 2);
    EXPECT_EQ(chi->fm.SetThread().Opened, 2);
    EXPECT_EQ(gch->fm.SetThread().Opened, 2);
    ASSERT_EQ(par->rm.Close(0), Level::Benign);
    EXPECT_EQ(par->fm.SetThread().Opened, 1);
    EXPECT_EQ(chi->fm.SetThread().Opened, 1);
    EXPECT_EQ(gch->fm.SetThread().Opened, 1);
}

TEST_F(DataTest, OpenOfARelatedTableOnlyCountsIt) {
    TestTable p(parTable()), c(chiTable());
    p.rm.AddRelation(c.rm, kRINone, kRINone, &c.key(0));
    p.rm.AddRelationLink("ID", "PID");
    ASSERT_EQ(p.rm.Open(0), Level::Benign);
    EXPECT_TRUE(p.file.isOpen());
    EXPECT_EQ(c.fm.SetThread().Opened, 1);
    EXPECT_EQ(c.fm.SetThread().Used, 0);
    EXPECT_FALSE(exists("CHI.DAT"));
    ASSERT_EQ(p.rm.Close(0), Level::Benign);
    EXPECT_FALSE(p.file.isOpen());
    EXPECT_EQ(c.fm.SetThread().Opened, 0);
}

TEST_F(RelationTest, QuickScanIsPassedOnByKindOfRelation) {
    relateParToChi(kRINone, kRINone);                         // with a key
    par->rm.AddRelation(gch->rm, kRINone, kRINone, nullptr);  // without
    par->rm.AddRelationLink("ID", "CNO");
    par->rm.SetQuickScan(1, 1);
    EXPECT_EQ(par->file.send("QUICKSCAN"), "ON");
    EXPECT_EQ(gch->file.send("QUICKSCAN"), "ON");
    EXPECT_EQ(chi->file.send("QUICKSCAN"), "OFF");
    par->rm.SetQuickScan(1, 2);
    EXPECT_EQ(chi->file.send("QUICKSCAN"), "ON");
    par->rm.SetQuickScan(0);
    EXPECT_EQ(par->file.send("QUICKSCAN"), "OFF");
    EXPECT_EQ(chi->file.send("QUICKSCAN"), "ON");
}

TEST_F(RelationTest, LinkToAnUnknownFieldIsAnInternalError) {
    par->rm.AddRelation(chi->rm, kRINone, kRINone, &chi->key(0));
    par->rm.AddRelationLink("ID", "CHI:NOPE");
    EXPECT_EQ(assertionTexts(),
              std::vector<std::string>{"Relation link field not found: CHI:NOPE"});
    EXPECT_EQ(par->rm.Relations->back().Fields->Count(), 0u);
}

// --- failures on the way ----------------------------------------------------------------

// Another station deleted the parent after it was read: the cascade does not go on
// with the stale copy (without frames its children would be gone for good).
TEST_F(RelationTest, ACascadeWhoseParentIsGoneMeanwhileDeletesNothing) {
    NoFrames none;
    transaction::setDriver(&none);
    relateParToChi(kRINone, kRICascade);
    relateChiToGch(kRINone, kRICascade);
    fetchPar(1);
    onThread(61, [] {  // another station deletes parent 1
        storage::File f(parTable());
        ASSERT_TRUE(f.open().ok());
        while (f.next().ok()) {
            if (PAR.ID == 1) {
                ASSERT_TRUE(f.remove().ok());
            }
        }
        ASSERT_TRUE(f.close().ok());
    });
    for (unsigned a : {msgbox::Ok, msgbox::Ok, msgbox::Ok, msgbox::No}) boxes.answer(a);
    EXPECT_EQ(par->rm.Delete(0), Level::Notify);
    transaction::setDriver(nullptr);
    const std::vector<std::string> c = captions();
    ASSERT_FALSE(c.empty());
    EXPECT_EQ(c.back(), "Record was not deleted");
    EXPECT_EQ(std::find(c.begin(), c.end(), "Record Delete Error"), c.end())
        << "no offer to try again";
    EXPECT_EQ(parRows(), std::vector<std::string>{"2:two"});
    EXPECT_EQ(chiRows(), (std::vector<std::string>{"1/11", "1/12", "2/21"})) << "the children stay";
    EXPECT_EQ(gchRows(), (std::vector<std::string>{"11/1", "11/2", "12/1", "21/1"}));
}

// A frame that cannot be rolled back is reported, not passed over.
class RollbackFails : public TransactionDriver {
  public:
    storage::Status Rollback() override {
        const storage::Status s = TransactionDriver::Rollback();
        if (failed_ || !s.ok()) return s;
        failed_ = true;  // once
        return storage::Status::error(storage::kUnableToRollback);
    }

  private:
    bool failed_ = false;
};

TEST_F(RelationTest, ARollbackThatFailsIsReported) {
    RollbackFails failing;
    transaction::setDriver(&failing);
    relateParToChi(kRINone, kRIRestrict);
    fetchPar(1);
    for (unsigned a : {msgbox::Ok, msgbox::Ok, msgbox::No}) boxes.answer(a);
    EXPECT_EQ(par->rm.Delete(0), Level::Notify);
    transaction::setDriver(nullptr);
    const std::vector<std::string> a = assertionTexts();
    EXPECT_NE(std::find(a.begin(), a.end(), "Unable to roll back transaction"), a.end());
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:one", "2:two"}));
}

// A frame whose commit fails (the disk refuses its last write) is rolled back, whatever
// it wrote is undone, the operator is told, and the next operation begins afresh.
class CommitFailsOnce : public TransactionDriver {
  public:
    storage::Status Commit() override {
        if (failed_) return TransactionDriver::Commit();
        failed_ = true;
        return storage::Status::error(storage::kUnableToLogTransaction);
    }

  private:
    bool failed_ = false;
};

TEST_F(RelationTest, ACascadeWhoseCommitFailsIsUndoneAndReported) {
    CommitFailsOnce failing;
    transaction::setDriver(&failing);
    relateParToChi(kRINone, kRICascade);
    relateChiToGch(kRINone, kRICascade);
    fetchPar(1);
    for (unsigned a : {msgbox::Ok, msgbox::No}) boxes.answer(a);
    EXPECT_EQ(par->rm.Delete(0), Level::Notify);
    const std::vector<std::string> c = captions();
    ASSERT_FALSE(c.empty());
    EXPECT_NE(std::find(c.begin(), c.end(), "Record was not deleted"), c.end());
    EXPECT_FALSE(transaction::Active());
    EXPECT_EQ(parRows(), (std::vector<std::string>{"1:one", "2:two"}));
    EXPECT_EQ(chiRows(), (std::vector<std::string>{"1/11", "1/12", "2/21"})) << "the children stay";
    EXPECT_EQ(gchRows(), (std::vector<std::string>{"11/1", "11/2", "12/1", "21/1"}));
    // The tables are free again: the same delete goes through now.
    fetchPar(1);
    EXPECT_EQ(par->rm.Delete(0), Level::Benign);
    transaction::setDriver(nullptr);
    EXPECT_EQ(parRows(), std::vector<std::string>{"2:two"});
    EXPECT_EQ(chiRows(), std::vector<std::string>{"2/21"});
}

}  // namespace
}  // namespace kw::testing
