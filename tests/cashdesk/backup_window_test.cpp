// Backups from the program: REZ_KOP keeps the folder and the count in the settings and
// takes a backup at once, the oldest beyond the count removed; a folder that is not
// there is said and nothing is made; the closing of the day takes a copy that holds the
// day closed; with no folder set, the closing's backup says nothing. Run a second time
// with the tables on a server (cashdesk_on_a_server).
#include <thread>

#include "cashdesk/day_backup.h"
#include "cashdesk/day_texts.h"
#include "cashdesk_test_util.h"
#include "framework/data/backup.h"

namespace kwcash {
namespace {

class BackupWindowTest : public CashdeskTest {
  protected:
    void SetUp() override {
        CashdeskTest::SetUp();
        addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(1000)});
    }
    // The backup folders under `folder`, by name.
    static std::vector<std::string> copies(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(BackupWindowTest, TheFolderAndCountAreKeptAndACopyIsTakenTheOldestRemoved) {
    const std::filesystem::path folder = dir_ / "copies";
    std::filesystem::create_directory(folder);
    // Two older copies of the day before, by their names.
    std::filesystem::create_directory(folder / "kestrowd-20251207-180000");
    std::filesystem::create_directory(folder / "kestrowd-20251207-190000");

    const int t = run(REZ_KOP);
    WindowDriver w = window(W("Резервная копия"));
    ASSERT_TRUE(w);
    ASSERT_EQ(w.type("PRM:BKDIR", folder.string()), Drive::Ok);
    ASSERT_EQ(w.type("PRM:BKKEEP", "2"), Drive::Ok);
    ASSERT_EQ(w.press(W("Сохранить")), Drive::Ok);
    EXPECT_EQ(w.shown("MESSAGE"), W("Настройки сохранены"));
    // Read on a thread of its own, as the program reads its tables: the test's own thread
    // keeps no connection to a server that a later test's forked desk could inherit.
    onThread(10, [&] {
        EXPECT_EQ(kw::cashdesk::backupSettings().folder, folder.string());
        EXPECT_EQ(kw::cashdesk::backupSettings().kept, 2);
    });

    ASSERT_EQ(w.press(W("Сделать копию")), Drive::Ok);
    EXPECT_EQ(w.shown("MESSAGE").substr(0, W("Резервная копия сделана").size()),
              W("Резервная копия сделана"));
    const auto left = copies(folder);
    ASSERT_EQ(left.size(), 2u) << "the oldest beyond two are removed";
    EXPECT_EQ(left[0], "kestrowd-20251207-190000");
    const kw::backup::Result checked = kw::backup::verify((folder / left[1]).string());
    EXPECT_TRUE(checked.ok) << checked.problem;
    EXPECT_GE(checked.tables, 1);
    closeWith(w, W("Закрыть"), t);

    // The settings outlive the window: a second opening shows them.
    const int again = run(REZ_KOP);
    WindowDriver w2 = window(W("Резервная копия"));
    EXPECT_EQ(w2.shown("PRM:BKKEEP"), "2");
    closeWith(w2, W("Закрыть"), again);
}

TEST_F(BackupWindowTest, AFolderThatIsNotThereIsSaidAndNothingIsMade) {
    const std::filesystem::path missing = dir_ / "usb-drive";
    const int t = run(REZ_KOP);
    WindowDriver w = window(W("Резервная копия"));
    ASSERT_TRUE(w);
    ASSERT_EQ(w.type("PRM:BKDIR", missing.string()), Drive::Ok);
    ASSERT_EQ(w.press(W("Сделать копию")), Drive::Ok);
    ASSERT_TRUE(boxes.waitForCount(1, 10s));
    const kw::script::ShownBox box = boxes.last();
    EXPECT_NE(box.text.find(W("нет папки")), std::string::npos) << kw::cp::toUtf8(box.text);
    ASSERT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_FALSE(std::filesystem::exists(missing));
    closeWith(w, W("Закрыть"), t);
}

TEST_F(BackupWindowTest, TheDaysClosingTakesACopyThatHoldsTheDayClosed) {
    const std::filesystem::path folder = dir_ / "copies";
    std::filesystem::create_directory(folder);
    kw::dict::PrmRecord prm;
    prm.BKDIR = folder.string();
    prm.BKKEEP = 5;
    addRecords(kw::dict::prmTable(), std::vector{prm});
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 1000)});
    ZalRecord loan;  // issued today: 250.00 paid out
    loan.N_KV = 1;
    loan.DATA = kToday;
    loan.S_VID = 250;
    loan.S_CCYD = 250;
    addRecords(kw::dict::zalTable(), std::vector{loan});

    const int t = run(ZAC_D);
    WindowDriver w = window(kw::cashdesk::closeDayTitle());
    ASSERT_TRUE(w);
    confirm(w, W("Закрыть ???"), kw::cashdesk::closeBoxTitle(), "OK");
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда закрыт"));
    // The copy is taken once the closing is written: its manifest comes last.
    std::vector<std::string> taken;
    for (int i = 0; i < 200 && taken.empty(); ++i) {
        taken = copies(folder);
        if (!taken.empty() && !std::filesystem::exists(folder / taken[0] / "MANIFEST"))
            taken.clear();
        std::this_thread::sleep_for(50ms);
    }
    closeWith(w, W("Выход"), t);
    ASSERT_EQ(taken.size(), 1u) << "no copy after the closing";
    EXPECT_TRUE(boxes.shown().empty()) << "a copy taken is not a message";
    const std::string copy = (folder / taken[0]).string();
    const kw::backup::Result checked = kw::backup::verify(copy);
    ASSERT_TRUE(checked.ok) << checked.problem;
    std::vector<kw::backup::TableSums> tables;
    ASSERT_EQ(kw::backup::manifestTables(copy, tables), "");
    auto sum = [&](const std::string& label, const std::string& field) {
        for (const auto& table : tables)
            for (const auto& [name, value] : table.sums)
                if (table.label == label && name == field) return value;
        return -1.0;
    };
    // The day closed with the loan paid out: 1000.00 - 250.00 in the till, 250.00 lent.
    EXPECT_NEAR(sum("DAY", "KAS"), 750, 0.001);
    EXPECT_NEAR(sum("DAY", "OBO"), 250, 0.001);
    EXPECT_NEAR(sum("ZAL", "S_VID"), 250, 0.001);
}

TEST_F(BackupWindowTest, WithNoFolderSetTheClosingsBackupSaysNothingAndOnDemandItIsSaid) {
    onThread(2, [] {
        const kw::cashdesk::BackupOutcome automatic = kw::cashdesk::takeBackup(true);
        EXPECT_FALSE(automatic.taken);
        EXPECT_EQ(automatic.message, "");
        const kw::cashdesk::BackupOutcome asked = kw::cashdesk::takeBackup(false);
        EXPECT_FALSE(asked.taken);
        EXPECT_EQ(asked.message, W("Не задана папка для резервных копий"));
    });
}

}  // namespace
}  // namespace kwcash
