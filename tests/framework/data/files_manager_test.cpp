// The global FilesManager: a procedure called by another that uses a table its caller
// has open gives the caller back its record buffer, position and numbering state when
// it closes the table. Procedures are told apart by the error manager's name stack.
#include "data_test_util.h"
#include "dictionary/tables.h"

namespace kw::testing {
namespace {

using kw::Level;

class CallerCalleeTest : public DictTest {
  protected:
    void SetUp() override {
        DictTest::SetUp();
        GlobalErrors.SetProcedureName("ZAL_TAB1");
        ASSERT_EQ(Relate::ZAL->Open(0), Level::Benign);
        for (int32_t t : {10, 20, 30, 40}) {
            ZAL = dict::ZalRecord{};
            ZAL.N_KV = t;
            ASSERT_EQ(Access::ZAL->Insert(), Level::Benign);
        }
        // the caller stands on the second record with an edit of its own
        ASSERT_TRUE(Access::ZAL->File->set(1).ok());
        ASSERT_EQ(Access::ZAL->TryNext(), Level::Benign);
        ASSERT_EQ(Access::ZAL->TryNext(), Level::Benign);
        ASSERT_EQ(ZAL.N_KV, 20);
        ZAL.PRIM = "caller's edit";
    }
    void TearDown() override {
        Relate::ZAL->Close(0);
        GlobalErrors.SetProcedureName();
        DictTest::TearDown();
    }
    // The called procedure reads the table to its end.
    static void calleeReads() {
        ZAL = dict::ZalRecord{};
        ZAL.N_KV = 30;
        ASSERT_EQ(Access::ZAL->Fetch(dict::zalTable().keys[0]), Level::Benign);
        while (Access::ZAL->TryNext() == Level::Benign) {
        }
        ZAL.PRIM = "callee's edit";
    }
    void expectCallerAsItWas() {
        EXPECT_EQ(ZAL.N_KV, 20);
        EXPECT_EQ(ZAL.PRIM.clip(), "caller's edit");
        ASSERT_EQ(Access::ZAL->TryNext(), Level::Benign);
        EXPECT_EQ(ZAL.N_KV, 30);
    }
};

TEST_F(CallerCalleeTest, CalledProcedureThatReadsTheTableLeavesTheCallersBufferAndPosition) {
    Access::ZAL->SetThread().AutoIncDone = 1;  // the caller's numbering state too
    GlobalErrors.SetProcedureName("UPDATEZAL");
    ASSERT_EQ(Relate::ZAL->Open(0), Level::Benign);
    calleeReads();
    Access::ZAL->SetThread().AutoIncDone = 0;
    const auto during = FilesManager.Status(1);
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(during[0].Proc, "ZAL_TAB1");
    EXPECT_EQ(during[1].Proc, "UPDATEZAL");
    EXPECT_EQ(during[0].Hold, 0);
    EXPECT_NE(during[1].Hold, 0);
    EXPECT_EQ(during[1].UStat, kUseRecord);
    ASSERT_EQ(Relate::ZAL->Close(0), Level::Benign);
    GlobalErrors.SetProcedureName();

    EXPECT_EQ(Access::ZAL->SetThread().AutoIncDone, 1);
    Access::ZAL->SetThread().AutoIncDone = 0;
    EXPECT_EQ(FilesManager.Status(1).size(), 1u);
    expectCallerAsItWas();
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(assertion::reportCount(), 0u);
}

TEST_F(CallerCalleeTest, NestedOpensOfTheCalleeRestoreAtItsLastClose) {
    GlobalErrors.SetProcedureName("UPDATEZAL");
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    ASSERT_EQ(Access::ZAL->UseFile(), Level::Benign);
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    EXPECT_EQ(FilesManager.Status(1).back().NestedOpen, 1);
    calleeReads();
    Access::ZAL->Close();
    EXPECT_EQ(ZAL.PRIM.clip(), "callee's edit");  // not yet
    Access::ZAL->Close();
    GlobalErrors.SetProcedureName();
    expectCallerAsItWas();
}

TEST_F(CallerCalleeTest, CalleeThatTakesTheTableIntoABrowseSavesNothing) {
    GlobalErrors.SetProcedureName("ZAL_TAB2");
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    ASSERT_EQ(Access::ZAL->UseFile(kUseBrowse), Level::Benign);
    EXPECT_EQ(FilesManager.Status(1).back().Hold, 0);
    EXPECT_EQ(FilesManager.Status(1).back().UStat, kUseBrowse);
    calleeReads();
    Access::ZAL->Close();
    GlobalErrors.SetProcedureName();
    EXPECT_EQ(ZAL.PRIM.clip(), "callee's edit");
    EXPECT_EQ(FilesManager.Status(1).size(), 1u);
}

TEST_F(CallerCalleeTest, TheCallersOwnSecondOpenIsNested) {
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    EXPECT_EQ(FilesManager.Status(1).back().NestedOpen, 1);
    ZAL.N_KV = 40;
    ASSERT_EQ(Access::ZAL->Fetch(dict::zalTable().keys[0]), Level::Benign);
    Access::ZAL->Close();
    // the same procedure: nothing is restored, the entry stays
    EXPECT_EQ(ZAL.N_KV, 40);
    ASSERT_EQ(FilesManager.Status(1).size(), 1u);
    EXPECT_EQ(FilesManager.Status(1).back().NestedOpen, 0);
}

TEST_F(CallerCalleeTest, UsageOfOneThreadDoesNotTouchAnotherThreadsCaller) {
    onThread(2, [] {
        GlobalErrors.SetProcedureName("OTHER");
        ASSERT_EQ(Relate::ZAL->Open(0), Level::Benign);
        const auto st = FilesManager.Status(2);
        ASSERT_EQ(st.size(), 1u);
        EXPECT_EQ(st[0].Hold, 0);  // no caller on this thread
        calleeReads();
        Relate::ZAL->Close(0);
        GlobalErrors.SetProcedureName();
        EXPECT_TRUE(FilesManager.Status(2).empty());
    });
    expectCallerAsItWas();
}

}  // namespace
}  // namespace kw::testing
