// Saved buffers and file states, the key helpers with their internal-error texts, the
// misuse checks, and clean-up.
#include "data_test_util.h"
#include "dictionary/tables.h"

namespace kw::testing {
namespace {

using kw::Level;

class StateTest : public DataTest {
  protected:
    void SetUp() override {
        DataTest::SetUp();
        chi = std::make_unique<TestTable>(chiTable());
        ASSERT_EQ(chi->fm.Open(), Level::Benign);
        for (int no = 1; no <= 4; ++no) {
            CHI = ChiRecord{};
            CHI.PID = 7;
            CHI.NO = no;
            CHI.TXT = "t" + std::to_string(no);
            ASSERT_EQ(chi->fm.Insert(), Level::Benign);
        }
    }
    void TearDown() override {
        if (chi) chi->fm.Close();
        chi.reset();
        DataTest::TearDown();
    }
    std::unique_ptr<TestTable> chi;
};

TEST_F(StateTest, RestoreBufferPutsTheCopyBackOrOnlyDiscardsIt) {
    CHI.TXT = "saved";
    int16_t h = chi->fm.SaveBuffer();
    EXPECT_NE(h, 0);
    CHI.TXT = "changed";
    EXPECT_EQ(chi->fm.EqualBuffer(h), 0);
    chi->fm.RestoreBuffer(h, 1);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(CHI.TXT.clip(), "saved");

    h = chi->fm.SaveBuffer();
    EXPECT_EQ(chi->fm.EqualBuffer(h), 1);
    CHI.TXT = "current";
    chi->fm.RestoreBuffer(h, 0);  // keeps the current record
    EXPECT_EQ(h, 0);
    EXPECT_EQ(CHI.TXT.clip(), "current");
    EXPECT_TRUE(chi->fm.Buffers->empty());
    // handle 0 without restoring is nothing at all
    chi->fm.RestoreBuffer(h, 0);
    EXPECT_EQ(assertion::reportCount(), 0u);
    // a handle given back already is an internal error
    int16_t gone = 1;
    chi->fm.RestoreBuffer(gone, 1);
    EXPECT_EQ(assertionTexts(), std::vector<std::string>{"Restore handle is invalid"});
    EXPECT_EQ(CHI.TXT.clip(), "current");
}

TEST_F(StateTest, HandlesFollowTheLastSavedOne) {
    int16_t a = chi->fm.SaveBuffer(), b = chi->fm.SaveBuffer();
    EXPECT_EQ(b, a + 1);
    chi->fm.RestoreBuffer(a, 0);
    int16_t c = chi->fm.SaveBuffer();
    EXPECT_EQ(c, b + 1);
    chi->fm.RestoreBuffer(b, 0);
    chi->fm.RestoreBuffer(c, 0);
    EXPECT_EQ(chi->fm.SaveBuffer(), 1);
}

TEST_F(StateTest, RestoreFileGivesBackBufferPositionAndNumberingState) {
    ASSERT_TRUE(chi->file.set(1).ok());
    ASSERT_EQ(chi->fm.TryNext(), Level::Benign);
    ASSERT_EQ(chi->fm.TryNext(), Level::Benign);
    ASSERT_EQ(CHI.NO, 2);
    chi->fm.SetThread().AutoIncDone = 1;
    int16_t h = chi->fm.SaveFile();
    EXPECT_NE(h, 0);

    chi->fm.SetThread().AutoIncDone = 0;
    ASSERT_EQ(chi->fm.TryNext(), Level::Benign);
    ASSERT_EQ(chi->fm.TryNext(), Level::Benign);
    EXPECT_EQ(CHI.NO, 4);
    chi->fm.RestoreFile(h, 1);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(CHI.NO, 2);
    EXPECT_EQ(CHI.TXT.clip(), "t2");
    EXPECT_EQ(chi->fm.SetThread().AutoIncDone, 1);
    ASSERT_EQ(chi->fm.TryNext(), Level::Benign);
    EXPECT_EQ(CHI.NO, 3);
    EXPECT_TRUE(chi->fm.Saved->empty());
    EXPECT_TRUE(chi->fm.Buffers->empty());

    // without restoring, only the saved state goes
    h = chi->fm.SaveFile();
    ASSERT_EQ(chi->fm.TryNext(), Level::Benign);
    chi->fm.RestoreFile(h, 0);
    EXPECT_EQ(CHI.NO, 4);
    EXPECT_TRUE(chi->fm.Saved->empty());
    EXPECT_EQ(assertion::reportCount(), 0u);
}

TEST_F(StateTest, RestoredStateStillSeesAChangeMadeMeanwhile) {
    CHI = ChiRecord{};
    CHI.PID = 7;
    CHI.NO = 2;
    ASSERT_EQ(chi->fm.Fetch(chi->key(0)), Level::Benign);
    int16_t h = chi->fm.SaveFile();
    // the record is changed meanwhile
    CHI.TXT = "meanwhile";
    ASSERT_EQ(chi->fm.Update(), Level::Benign);
    chi->fm.RestoreFile(h, 1);
    EXPECT_EQ(CHI.TXT.clip(), "t2");
    // writing the old copy over the newer record is refused, and the newer one shown
    EXPECT_EQ(chi->fm.Update(), Level::Notify);
    EXPECT_EQ(boxes.last().caption, "Record Was Not Updated");
    EXPECT_EQ(CHI.TXT.clip(), "meanwhile");
}

TEST_F(StateTest, KeyHelpers) {
    const storage::KeyDecl& k = chi->key(0);
    EXPECT_EQ(chi->fm.GetComponents(k), 2);
    EXPECT_EQ(chi->fm.GetFieldName(k, 2), "CHI:NO");
    EXPECT_EQ(chi->fm.GetField(k, 1).name(), "CHI:PID");
    EXPECT_EQ(chi->fm.KeyToOrder(k), "+CHI:PID,+CHI:NO");
    EXPECT_EQ(chi->fm.KeyToOrder(k, 2), "+CHI:NO");
    EXPECT_EQ(chi->fm.SetKey(chi->key(1)), 2);

    CHI.PID = 5;
    CHI.NO = 5;
    chi->fm.ClearKey(k, 2, 2, 1);
    EXPECT_EQ(CHI.PID, 5);
    EXPECT_EQ(CHI.NO, INT32_MAX);
    chi->fm.ClearKey(k);
    EXPECT_EQ(CHI.PID, INT32_MIN);
    EXPECT_EQ(CHI.NO, INT32_MIN);
    EXPECT_EQ(assertion::reportCount(), 0u);

    EXPECT_EQ(chi->fm.GetFieldName(k, 3), "");
    EXPECT_FALSE(chi->fm.GetField(k, 0).valid());
    EXPECT_EQ(chi->fm.SetKey(parTable().keys[0]), 0);
    EXPECT_EQ(assertionTexts(),
              (std::vector<std::string>{"Key does not have component of this number :3",
                                        "Key does not have component of this number :0",
                                        "Key does not exist in this file"}));
}

TEST_F(DictTest, KeyToOrderWrapsTextOfACaseInsensitiveKey) {
    EXPECT_EQ(Access::PKL->KeyToOrder(dict::pklTable().keys[0]), "+UPPER(PKL:FIO)");
    EXPECT_EQ(Access::ZAL->KeyToOrder(dict::zalTable().keys[1]), "+ZAL:DATA,+ZAL:N_KV");
    EXPECT_EQ(Access::SEC->GetFieldName(dict::secTable().keys[1], 1), "SEC:PAROL");
    // a string key component at its limits
    PKL.FIO = "x";
    Access::PKL->ClearKey(dict::pklTable().keys[0], 1, 1, 1);
    EXPECT_EQ(PKL.FIO.view(), std::string(60, '\xFF'));
    Access::PKL->ClearKey(dict::pklTable().keys[0]);
    EXPECT_EQ(PKL.FIO.view(), std::string(60, '\0'));
}

TEST_F(StateTest, MisuseChecksReportThroughTheAssertionService) {
    // a lazily opened file that was never taken into use
    chi->fm.Close();
    ASSERT_EQ(chi->fm.Open(), Level::Benign);
    chi->fm.FunctionDone(FileFunction::Read, storage::kFileNotOpen);
    chi->fm.FunctionDone(FileFunction::Read, storage::kRecordNotAvailable);  // not a misuse
    ASSERT_EQ(chi->fm.UseFile(), Level::Benign);
    chi->fm.FunctionDone(FileFunction::Read, storage::kFileNotOpen);  // used: not this misuse
    // the runtime's CLOSE of a file the manager has open, but not the manager's own
    chi->fm.FunctionCalled(FileFunction::Close);
    chi->fm.InClose = 1;
    chi->fm.FunctionCalled(FileFunction::Close);
    chi->fm.InClose = 0;
    // the runtime gives up a file that is still open
    chi->fm.FunctionCalled(FileFunction::Release);
    EXPECT_EQ(assertionTexts(),
              (std::vector<std::string>{"You have not called FileManager.UseFile() for chi",
                                        "You are calling CLOSE(chi) instead of FileManager.Close()",
                                        "You have not called FileManager.Close() for chi"}));
    EXPECT_EQ(chi->fm.CleanedUp, 0);
    // once closed, the release cleans the manager up
    chi->fm.Close();
    chi->fm.FunctionCalled(FileFunction::Release);
    EXPECT_EQ(chi->fm.CleanedUp, 1);
    EXPECT_FALSE(chi->fm.Info);
    EXPECT_EQ(FilesManager.GetFileManager(chi->file), nullptr);
    chi.reset();
    EXPECT_EQ(assertion::reportCount(), 3u);
}

TEST_F(StateTest, DirectUseOfTheFileIsReportedThroughTheFilesCallBack) {
    EXPECT_EQ(chi->file.callback(), &chi->fm);
    chi->fm.Close();
    ASSERT_EQ(chi->fm.Open(), Level::Benign);  // lazily: the FILE is not open yet
    EXPECT_EQ(chi->file.set(0).code, storage::kFileNotOpen);
    EXPECT_EQ(assertionTexts(),
              std::vector<std::string>{"You have not called FileManager.UseFile() for chi"});
    ASSERT_EQ(chi->fm.UseFile(), Level::Benign);
    EXPECT_EQ(chi->fm.TryNext(), Level::Benign);  // the manager's own use is no misuse
    EXPECT_TRUE(chi->file.close().ok());          // CLOSE behind the manager's back
    EXPECT_EQ(assertionTexts(), (std::vector<std::string>{
                                    "You have not called FileManager.UseFile() for chi",
                                    "You are calling CLOSE(chi) instead of FileManager.Close()"}));
    chi->fm.Close();
    ASSERT_EQ(chi->fm.Open(), Level::Benign);
    ASSERT_EQ(chi->fm.UseFile(), Level::Benign);
    chi->fm.Kill();  // closes the FILE itself and leaves it
    EXPECT_FALSE(chi->file.isOpen());
    EXPECT_EQ(chi->file.callback(), nullptr);
    EXPECT_EQ(assertion::reportCount(), 2u);
}

TEST_F(DataTest, KillClosesTheFileAndDisposesOfTheLists) {
    auto par = std::make_unique<TestTable>(parTable());
    ASSERT_EQ(par->fm.Open(), Level::Benign);
    ASSERT_EQ(par->fm.UseFile(), Level::Benign);
    EXPECT_TRUE(par->file.isOpen());
    EXPECT_EQ(FilesManager.MappingCount(), 1u);
    par->fm.Kill();
    EXPECT_FALSE(par->file.isOpen());
    EXPECT_EQ(par->fm.CleanedUp, 1);
    EXPECT_FALSE(par->fm.Keys || par->fm.Info || par->fm.Buffers || par->fm.Saved ||
                 par->fm.Fields);
    EXPECT_EQ(FilesManager.MappingCount(), 0u);
    par.reset();  // a second Kill does nothing
    EXPECT_EQ(assertion::reportCount(), 0u);
}

TEST_F(DataTest, BindFieldsListsEveryFieldOnce) {
    TestTable chi(chiTable());
    ASSERT_EQ(chi.fm.Open(), Level::Benign);
    ASSERT_EQ(chi.fm.Open(), Level::Benign);
    ASSERT_EQ(chi.fm.Fields->size(), 3u);
    EXPECT_EQ((*chi.fm.Fields)[2].Tag, "CHI:TXT");
    EXPECT_EQ((*chi.fm.Fields)[2].Type, storage::FieldType::String);
    chi.fm.Close();
    chi.fm.Close();
}

// An alias: another label of the PAR file with a record buffer of its own.
thread_local ParRecord PAA;

class PrimingManager : public FileManager {
  public:
    void PrimeFields() override { PAR.NAME = "primed"; }
    Level ValidateFieldServer(int Id, uint8_t) override {
        return Id == 1 && PAR.ID < 0 ? Level::Notify : Level::Benign;
    }
};

TEST_F(DataTest, AnAliasValidatesAndPrimesThroughTheManagerItIsAnAliasOf) {
    storage::TableDecl paa = parTable();
    paa.label = "PAA";
    paa.buffer = [] { return static_cast<void*>(&PAA); };
    storage::File parFile(parTable()), paaFile(paa);
    PrimingManager base;
    FileManager alias;
    base.Init(parFile, GlobalErrors);
    alias.Init(paaFile, GlobalErrors);
    alias.AliasedFile = &base;

    PAR = ParRecord{};
    PAR.ID = 4;
    PAR.NAME = "own";
    PAA = ParRecord{};
    PAA.ID = -1;
    int failed = 0;
    EXPECT_EQ(alias.ValidateRecord(failed), Level::Notify);
    EXPECT_EQ(failed, 1);
    PAA.ID = 2;
    EXPECT_EQ(alias.ValidateRecord(failed), Level::Benign);
    EXPECT_EQ(alias.PrimeRecord(), Level::Benign);
    EXPECT_EQ(PAA.NAME.clip(), "primed");
    EXPECT_EQ(PAA.ID, 0);
    EXPECT_EQ(PAR.ID, 4);  // the aliased manager's record is as it was
    EXPECT_EQ(PAR.NAME.clip(), "own");

    FileManager third;
    base.AliasedFile = &third;
    PAA.ID = -1;
    EXPECT_EQ(alias.ValidateRecord(failed), Level::Benign);  // refused: validated as itself
    ASSERT_FALSE(assertionTexts().empty());  // by each operation that would delegate
    for (const auto& t : assertionTexts()) EXPECT_EQ(t, "Cannot have alias based upon an alias");
    alias.Kill();
    base.Kill();
}

}  // namespace
}  // namespace kw::testing
