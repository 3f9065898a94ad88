// Automatic numbering: priming takes the next number (1 in an empty file or group) by
// adding the record at once, Insert completes it, CancelAutoInc takes it away, and
// three failed adds in a row ask the user (message 32).
#include "data_test_util.h"

namespace kw::testing {
namespace {

using kw::Level;

class AutoIncTest : public DataTest {
  protected:
    void SetUp() override {
        DataTest::SetUp();
        ait = std::make_unique<TestTable>(aitTable(), 0);
        ASSERT_EQ(ait->fm.Open(), Level::Benign);
    }
    void TearDown() override {
        ait->fm.Close();
        ait.reset();
        DataTest::TearDown();
    }
    // Every record in ID order as "id:name".
    std::vector<std::string> all() {
        std::vector<std::string> out;
        EXPECT_EQ(ait->fm.UseFile(), Level::Benign);
        EXPECT_TRUE(ait->file.set(1).ok());
        while (ait->fm.TryNext() == Level::Benign)
            out.push_back(std::to_string(AIT.ID) + ":" + AIT.NAME.clip());
        return out;
    }
    std::unique_ptr<TestTable> ait;
};

TEST_F(AutoIncTest, PrimingNumbersFromOneAndInsertCompletesTheRecord) {
    EXPECT_EQ(ait->fm.HasAutoInc, 1);
    ASSERT_EQ(ait->fm.PrimeRecord(), Level::Benign);
    EXPECT_EQ(AIT.ID, 1);
    EXPECT_EQ(ait->fm.SetThread().AutoIncDone, 1);
    EXPECT_EQ(ait->records(), 1u);  // the number is taken at once
    AIT.NAME = "first";
    ASSERT_EQ(ait->fm.Insert(), Level::Benign);
    EXPECT_EQ(ait->fm.SetThread().AutoIncDone, 0);

    // Insert without priming numbers the record itself
    AIT = AitRecord{};
    AIT.NAME = "second";
    ASSERT_EQ(ait->fm.Insert(), Level::Benign);
    EXPECT_EQ(AIT.ID, 2);
    EXPECT_EQ(all(), (std::vector<std::string>{"1:first", "2:second"}));
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(AutoIncTest, CancelAutoIncRemovesThePrimedRecord) {
    AIT.NAME = "kept";
    ASSERT_EQ(ait->fm.Insert(), Level::Benign);
    ASSERT_EQ(ait->fm.PrimeRecord(), Level::Benign);
    EXPECT_EQ(AIT.ID, 2);
    EXPECT_EQ(ait->records(), 2u);
    EXPECT_EQ(ait->fm.CancelAutoInc(), Level::Benign);
    EXPECT_EQ(ait->fm.SetThread().AutoIncDone, 0);
    EXPECT_EQ(ait->records(), 1u);
    // nothing primed: nothing to cancel
    EXPECT_EQ(ait->fm.CancelAutoInc(), Level::Benign);
    EXPECT_EQ(ait->records(), 1u);
    // through the relate object
    ASSERT_EQ(ait->fm.PrimeRecord(), Level::Benign);
    EXPECT_EQ(ait->rm.CancelAutoInc(), Level::Benign);
    EXPECT_EQ(all(), std::vector<std::string>{"1:kept"});
}

TEST_F(AutoIncTest, ThreeFailedAddsAskWhetherToTryAgain) {
    AIT.NAME = "taken";
    ASSERT_EQ(ait->fm.Insert(), Level::Benign);
    // every add now fails on the unique name
    AIT = AitRecord{};
    AIT.NAME = "taken";
    boxes.answer(msgbox::Yes);
    boxes.answer(msgbox::No);
    EXPECT_EQ(ait->fm.PrimeAutoInc(), Level::Notify);
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.last().caption, "Auto Increment Error");
    EXPECT_EQ(boxes.last().text,
              "Attempts to automatically number this record have failed.|File: ait|Error: Creates "
              "Duplicate Key (40).|"
              "Try Again?");
    EXPECT_EQ(boxes.last().buttons, msgbox::Yes | msgbox::No);
    EXPECT_EQ(ait->fm.SetThread().AutoIncDone, 0);
    // the Try form gives up after three without asking
    EXPECT_EQ(ait->fm.TryPrimeAutoInc(), Level::Notify);
    EXPECT_EQ(boxes.count(), 2u);
    EXPECT_EQ(ait->fm.SetThread().LastError, 32);
    // and Insert reports the failure of its priming
    EXPECT_EQ(ait->fm.TryInsert(), Level::Notify);
    EXPECT_EQ(all(), std::vector<std::string>{"1:taken"});
}

TEST_F(DataTest, NumberingWithinAGroupCountsFromTheGroupsLastRecord) {
    TestTable aig(aigTable(), 0);
    ASSERT_EQ(aig.fm.Open(), Level::Benign);
    auto prime = [&](int16_t group) {
        AIG = AigRecord{};
        AIG.GRP = group;
        EXPECT_EQ(aig.fm.PrimeRecord(1), Level::Benign);
        EXPECT_EQ(aig.fm.Insert(), Level::Benign);
        return AIG.NO;
    };
    EXPECT_EQ(prime(5), 1);
    EXPECT_EQ(prime(5), 2);
    EXPECT_EQ(prime(3), 1);  // before the group of 5: empty
    EXPECT_EQ(prime(9), 1);  // after it: empty
    EXPECT_EQ(prime(5), 3);
    EXPECT_EQ(prime(3), 2);
    aig.fm.Close();
}

}  // namespace
}  // namespace kw::testing
