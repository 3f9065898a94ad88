// The file manager's record operations: reading to the end, duplicates, a record
// changed by another station, read errors, validation, positions.
#include <cstring>
#include <fstream>

#include "data_test_util.h"
#include "dictionary/tables.h"

namespace kw::testing {
namespace {

using kw::Level;

class RecordsTest : public DictTest {
  protected:
    void SetUp() override {
        DictTest::SetUp();
        ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
        for (int32_t t : {10, 20, 30}) addZal(t, "client " + std::to_string(t));
    }
    void TearDown() override {
        Access::ZAL->Close();
        DictTest::TearDown();
    }
    static void addZal(int32_t ticket, const std::string& fio) {
        ZAL = dict::ZalRecord{};
        ZAL.N_KV = ticket;
        ZAL.FIO = fio;
        ZAL.S_VID = ticket * 1.5;
        ASSERT_EQ(Access::ZAL->Insert(), Level::Benign);
    }
    static const storage::KeyDecl& key1() { return dict::zalTable().keys[0]; }
};

TEST_F(RecordsTest, TryNextAtTheEndReturns5AndGetEOF1WithoutAMessage) {
    ASSERT_TRUE(Access::ZAL->File->set(1).ok());
    std::vector<int32_t> seen;
    while (Access::ZAL->TryNext() == Level::Benign) {
        EXPECT_EQ(Access::ZAL->GetEOF(), 0);
        seen.push_back(ZAL.N_KV);
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{10, 20, 30}));
    EXPECT_EQ(Access::ZAL->GetEOF(), 1);
    // the plain form says nothing at the end either
    EXPECT_EQ(Access::ZAL->Next(), Level::Notify);
    EXPECT_EQ(Access::ZAL->GetEOF(), 1);
    // and backwards
    ASSERT_TRUE(Access::ZAL->File->set(1).ok());
    EXPECT_EQ(Access::ZAL->TryPrevious(), Level::Benign);
    EXPECT_EQ(ZAL.N_KV, 30);
    EXPECT_EQ(Access::ZAL->GetEOF(), 0);
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(RecordsTest, FetchReadsByKeyAndClearsTheBufferWhenNotFound) {
    ZAL = dict::ZalRecord{};
    ZAL.N_KV = 20;
    EXPECT_EQ(Access::ZAL->Fetch(key1()), Level::Benign);
    EXPECT_EQ(ZAL.FIO.clip(), "client 20");
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Benign);  // goes on in key order
    EXPECT_EQ(ZAL.N_KV, 30);

    ZAL.N_KV = 25;
    ZAL.FIO = "left over";
    EXPECT_EQ(Access::ZAL->Fetch(key1()), Level::Notify);
    EXPECT_EQ(ZAL.N_KV, 0);
    EXPECT_EQ(ZAL.FIO.clip(), "");
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(RecordsTest, DuplicateInAUniqueKeyShowsMessage13WithTheKeyAndWritesNothing) {
    ASSERT_EQ(Access::DAY->Open(), Level::Benign);
    DAY = dict::DayRecord{};
    DAY.DATA = 80000;
    DAY.KAS = 5;
    ASSERT_EQ(Access::DAY->Insert(), Level::Benign);
    DAY.KAS = 7;
    EXPECT_EQ(Access::DAY->Insert(), Level::Notify);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Duplicate Key Error");
    EXPECT_EQ(boxes.last().text,
              "Adding this record creates a duplicate entry for the key: DAY:key_1");
    EXPECT_EQ(DAY.KAS, 7);  // the buffer is as it was

    // the Try form shows nothing
    EXPECT_EQ(Access::DAY->TryInsert(), Level::Notify);
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_EQ(Access::DAY->SetThread().LastError, 13);

    // one record, with the first values
    ASSERT_TRUE(Access::DAY->File->set(0).ok());
    ASSERT_EQ(Access::DAY->TryNext(), Level::Benign);
    EXPECT_EQ(DAY.KAS, 5);
    EXPECT_EQ(Access::DAY->TryNext(), Level::Notify);
    // a record read and added again duplicates itself: the key is still named
    DAY.DATA = 80000;
    ASSERT_EQ(Access::DAY->Fetch(dict::dayTable().keys[0]), Level::Benign);
    EXPECT_EQ(Access::DAY->Insert(), Level::Notify);
    EXPECT_EQ(boxes.last().text,
              "Adding this record creates a duplicate entry for the key: DAY:key_1");
    Access::DAY->Close();
}

TEST_F(RecordsTest, DuplicateInADupKeyIsAdded) {
    addZal(20, "second 20");
    ZAL.N_KV = 20;
    ASSERT_EQ(Access::ZAL->Fetch(key1()), Level::Benign);
    ASSERT_EQ(Access::ZAL->TryNext(), Level::Benign);
    EXPECT_EQ(ZAL.FIO.clip(), "second 20");
}

TEST_F(RecordsTest, UpdateOfARecordChangedByAnotherStationReturns5WithTheirVersion) {
    ZAL.N_KV = 20;
    ASSERT_EQ(Access::ZAL->Fetch(key1()), Level::Benign);
    // another station changes the same record meanwhile
    onThread(2, [] {
        ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
        ZAL.N_KV = 20;
        ASSERT_EQ(Access::ZAL->Fetch(dict::zalTable().keys[0]), Level::Benign);
        ZAL.FIO = "their change";
        ASSERT_EQ(Access::ZAL->Update(), Level::Benign);
        Access::ZAL->Close();
    });
    ZAL.S_VID = 999;
    EXPECT_EQ(Access::ZAL->Update(), Level::Notify);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Record Was Not Updated");
    EXPECT_EQ(boxes.last().text, "This record was changed by another station.");
    EXPECT_EQ(ZAL.FIO.clip(), "their change");
    EXPECT_EQ(ZAL.S_VID, 30.0);
    // the buffer now holds their version: it can be changed and written
    ZAL.S_VID = 999;
    EXPECT_EQ(Access::ZAL->Update(), Level::Benign);
    ZAL = dict::ZalRecord{};
    ZAL.N_KV = 20;
    ASSERT_EQ(Access::ZAL->Fetch(key1()), Level::Benign);
    EXPECT_EQ(ZAL.FIO.clip(), "their change");
    EXPECT_EQ(ZAL.S_VID, 999.0);
}

TEST_F(RecordsTest, UpdateThroughTheRelateObjectShowsMessage7FromAFormAnd6Otherwise) {
    for (uint8_t fromForm : {1, 0}) {
        SCOPED_TRACE(int(fromForm));
        boxes.clear();
        ZAL.N_KV = 10;
        ASSERT_EQ(Access::ZAL->Fetch(key1()), Level::Benign);
        onThread(2, [] {
            ASSERT_EQ(Relate::ZAL->Open(0), Level::Benign);
            ZAL.N_KV = 10;
            ASSERT_EQ(Access::ZAL->Fetch(dict::zalTable().keys[0]), Level::Benign);
            ZAL.S_VID += 1;
            ASSERT_EQ(Relate::ZAL->Update(0), Level::Benign);
            Relate::ZAL->Close(0);
        });
        const double theirs = 15.0 + (fromForm ? 1 : 2);
        ZAL.FIO = "mine";
        EXPECT_EQ(Relate::ZAL->Update(fromForm), Level::Notify);
        ASSERT_EQ(boxes.count(), 1u);
        EXPECT_EQ(boxes.last().text,
                  fromForm
                      ? "This record was changed by another station. Those changes will now be "
                        "displayed. Use the Ditto Button or Ctrl+' to recall your changes."
                      : "This record was changed by another station.");
        EXPECT_EQ(ZAL.S_VID, theirs);
        EXPECT_EQ(ZAL.FIO.clip(), "client 10");
    }
}

TEST_F(RecordsTest, UpdateThatWouldDuplicateAUniqueKeyIsMessage25) {
    ASSERT_EQ(Access::DAY->Open(), Level::Benign);
    for (int32_t d : {100, 101}) {
        DAY = dict::DayRecord{};
        DAY.DATA = d;
        ASSERT_EQ(Access::DAY->Insert(), Level::Benign);
    }
    DAY.DATA = 100;
    EXPECT_EQ(Access::DAY->Update(), Level::Notify);
    EXPECT_EQ(boxes.last().caption, "Record was not updated");
    EXPECT_EQ(boxes.last().text,
              "An error (Creates Duplicate Key (40)) was experienced when making changes to the "
              "day file.");
    EXPECT_EQ(Access::DAY->TryUpdate(), Level::Notify);
    EXPECT_EQ(boxes.count(), 1u);
    Access::DAY->Close();
}

TEST_F(RecordsTest, ReadErrorIsMessage1FromThePlainFormAndFatalFromTheTryForm) {
    // the second slot is marked deleted behind the driver's back: key 1 still names it
    Access::ZAL->Close();
    {
        std::fstream f("ZAL.DAT", std::ios::in | std::ios::out | std::ios::binary);
        char head[25];
        f.read(head, sizeof head);
        uint32_t dataOffset, slot;
        uint16_t slotLength;
        std::memcpy(&slotLength, head + 19, 2);
        std::memcpy(&dataOffset, head + 21, 4);
        slot = dataOffset + slotLength;
        f.seekp(slot);
        f.put(0x10);
    }
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    ASSERT_EQ(Access::ZAL->UseFile(), Level::Benign);
    ASSERT_TRUE(Access::ZAL->File->set(1).ok());
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Benign);
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Fatal);
    EXPECT_EQ(Access::ZAL->SetThread().LastError, 1);
    EXPECT_EQ(boxes.count(), 0u);
    ASSERT_TRUE(Access::ZAL->File->set(1).ok());
    EXPECT_EQ(Access::ZAL->Next(), Level::Benign);
    EXPECT_EQ(Access::ZAL->Next(), Level::Notify);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Record Retrieval Error");
    EXPECT_EQ(boxes.last().text,
              "Error: (Key File Must Be Rebuilt (46)) attempting to access a record from the zal "
              "file.  Returning to previous window.");
}

TEST_F(RecordsTest, RecordHeldByAnotherStationIsMessage28OrSteppedOver) {
    storage::File& file = *Access::ZAL->File;
    OtherStation other(
        [&] {
            ZAL = dict::ZalRecord{};
            ZAL.N_KV = 20;
            ASSERT_TRUE(file.open().ok());
            ASSERT_TRUE(file.get(1, true).ok());
        },
        [&] { (void)file.close(); });
    ASSERT_TRUE(file.set(1).ok());
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Benign);
    EXPECT_EQ(ZAL.N_KV, 10);
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Notify);
    EXPECT_EQ(Access::ZAL->SetThread().LastError, 28);
    EXPECT_EQ(Access::ZAL->GetEOF(), 0);
    EXPECT_EQ(ZAL.N_KV, 10);  // the held record is not read
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(Access::ZAL->TryNext(), Level::Benign);  // reading goes on after it
    EXPECT_EQ(ZAL.N_KV, 30);
    // the plain form shows the message
    EXPECT_EQ(Access::ZAL->Previous(), Level::Notify);
    EXPECT_EQ(captions(), std::vector<std::string>{"Record not read"});
    EXPECT_EQ(boxes.last().text,
              "A record held by another station was encountered reading from the zal file.");
    EXPECT_EQ(halts.count(), 0u);

    // SkipHeldRecords steps over it in both directions, silently
    Access::ZAL->SkipHeldRecords = 1;
    for (bool backward : {false, true}) {
        ASSERT_TRUE(file.set(1).ok());
        std::vector<int32_t> seen;
        while ((backward ? Access::ZAL->TryPrevious() : Access::ZAL->TryNext()) == Level::Benign)
            seen.push_back(ZAL.N_KV);
        EXPECT_EQ(seen, backward ? (std::vector<int32_t>{30, 10}) : (std::vector<int32_t>{10, 30}));
        EXPECT_EQ(Access::ZAL->GetEOF(), 1);
    }
    EXPECT_EQ(Access::ZAL->Previous(), Level::Notify);  // at the start: no message
    EXPECT_EQ(boxes.count(), 1u);
}

TEST_F(RecordsTest, PositionAndTryRegetComeBackToARecord) {
    ZAL.N_KV = 20;
    ASSERT_EQ(Access::ZAL->Fetch(key1()), Level::Benign);
    const std::string pos = Access::ZAL->Position();
    ZAL.N_KV = 30;
    ASSERT_EQ(Access::ZAL->Fetch(key1()), Level::Benign);
    EXPECT_EQ(Access::ZAL->TryReget(pos), Level::Benign);
    EXPECT_EQ(ZAL.N_KV, 20);
    EXPECT_EQ(Access::ZAL->TryReget(std::string(4, '\x7f')), Level::Notify);
}

TEST_F(RecordsTest, DeleteRecordRemovesTheCurrentRecord) {
    ZAL.N_KV = 20;
    ASSERT_EQ(Access::ZAL->Fetch(key1()), Level::Benign);
    EXPECT_EQ(Access::ZAL->DeleteRecord(0), Level::Benign);
    EXPECT_EQ(Access::ZAL->Fetch(key1()), Level::Notify);
    // nothing current any more: the driver refuses, and the level says so
    EXPECT_EQ(Access::ZAL->DeleteRecord(0), Level::Notify);
}

// A table whose second field must not be blank.
class CheckedFileManager : public FileManager {
  public:
    int calls = 0;
    Level ValidateFieldServer(int Id, uint8_t HandleErrors) override {
        ++calls;
        if (Id == 2 && PAR.NAME.clip().empty()) return HandleErrors ? Level::Notify : Level::User;
        return Level::Benign;
    }
};

TEST_F(DataTest, ValidationRefusesInsertAndUpdateAndNamesTheField) {
    storage::File file(parTable());
    CheckedFileManager fm;
    fm.Init(file, GlobalErrors);
    fm.AddKey(parTable().keys[0], "PAR:key_id", 0);
    ASSERT_EQ(fm.Open(), Level::Benign);
    PAR = ParRecord{};
    PAR.ID = 1;
    int failed = 0;
    EXPECT_EQ(fm.ValidateRecord(failed), Level::Notify);
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(fm.Insert(), Level::Notify);
    EXPECT_EQ(fm.TryValidateField(2), Level::User);
    PAR.NAME = "named";
    ASSERT_EQ(fm.Insert(), Level::Benign);
    PAR.NAME = "";
    EXPECT_EQ(fm.Update(), Level::User);
    EXPECT_EQ(boxes.count(), 0u);
    PAR = ParRecord{};
    PAR.ID = 1;
    ASSERT_EQ(fm.Fetch(parTable().keys[0]), Level::Benign);
    EXPECT_EQ(PAR.NAME.clip(), "named");
    fm.Close();
    fm.Kill();
}

}  // namespace
}  // namespace kw::testing
