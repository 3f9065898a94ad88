// What the cash desk writes beside a pledge: the cash-journal counters KBP:KAS_P and
// KBP:KAS_R move with their entry or not at all, also with several desks at once; the
// closing's two writes (KBP and DAY) are one, across a crash between them.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "cashdesk/day_totals_window.h"
#include "cashdesk/settings_record.h"
#include "cashdesk_test_util.h"
#include "shell/day_state.h"

namespace kwcash {
namespace {

constexpr int kList = 1;

class DeskWritesTest : public CashdeskTest {
  protected:
    void SetUp() override {
        CashdeskTest::SetUp();
        addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(10000)});
        kw::dict::SecRecord op;
        op.K_POL = 6;
        op.FIO = W("Иванова И.И.");
        addRecords(kw::dict::secTable(), std::vector{op});
        addRecords(kw::dict::dayTable(), std::vector{day(kToday, 10000)});
    }
    // Answers every box that comes up within `quiet` with its default button.
    int answerBoxes(std::chrono::milliseconds quiet = 500ms) {
        int answered = 0;
        auto until = std::chrono::steady_clock::now() + quiet;
        while (std::chrono::steady_clock::now() < until) {
            bool any = false;
            for (const kw::script::ShownBox& b : boxes.shown()) {
                if (b.answered) continue;
                boxes.answer(b.defaultButton);
                any = true;
                ++answered;
                until = std::chrono::steady_clock::now() + quiet;
            }
            if (!any) std::this_thread::sleep_for(5ms);
        }
        return answered;
    }
};

// A change whose write fails (the entry is held by another desk) leaves the counters
// as they were: they count what is stored.
TEST_F(DeskWritesTest, AJournalWriteThatFailsLeavesTheCountersAlone) {
    KlmRecord e;
    e.DATA = kToday;
    e.PRI = 100;
    e.NAME = W("Касса");
    addRecords(kw::dict::klmTable(), std::vector{e});
    D1 = D2 = kToday;
    const int t = run(KAS_TAB);
    WindowDriver list = window(W("Внешние операции по кассе"));
    ASSERT_EQ(list.selectRow(kList, 1), Drive::Ok);
    ASSERT_EQ(list.press(W("Изменить")), Drive::Ok);
    WindowDriver f = window(W("Изменить ???"));
    ASSERT_EQ(f.type("KLM:PRI", "150"), Drive::Ok);
    {
        RecordHolder held(kw::dict::klmTable());
        ASSERT_TRUE(held.held());
        boxes.setAnswerTimeout(5s);
        std::thread ok([&] { (void)f.press("OK"); });
        EXPECT_GT(answerBoxes(), 0) << "the failed write was reported";
        ok.join();
        held.release();
    }
    EXPECT_EQ(journal()[0].PRI, 100);
    EXPECT_EQ(settings().KAS_P, 0) << "nothing stored, nothing counted";
    EXPECT_EQ(settings().KAS_R, 0);
    // once the other desk lets go, the change and its counter are stored together
    if (!f.isOpen()) {
        ASSERT_EQ(list.press(W("Изменить")), Drive::Ok);
        f = window(W("Изменить ???"));
        ASSERT_EQ(f.type("KLM:PRI", "150"), Drive::Ok);
    }
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_EQ(journal()[0].PRI, 150);
    EXPECT_EQ(settings().KAS_P, 150);
    closeWith(list, W("Закрыть"), t);
}

// Three desks (threads of the program, each its own open of the files) add entries at
// once: every entry is stored and each counter is the sum of what it counts.
TEST_F(DeskWritesTest, ThreeDesksAddingEntriesAtOnceLoseNoAmount) {
    constexpr int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<WindowDriver> forms;
        for (int desk = 0; desk < 3; ++desk) {
            run(UPDATEKLM, kw::req::Insert);
            WindowDriver f;
            ASSERT_TRUE(eventually([&] {
                f = kw::script::waitWindow(W("Добавить ???"), 10ms);
                for (const WindowDriver& other : forms)
                    if (f.model() == other.model()) return false;
                return bool(f);
            }));
            ASSERT_EQ(f.settle(), Drive::Ok);
            ASSERT_EQ(f.type("KLM:PRI", std::to_string(10 + desk)), Drive::Ok);
            ASSERT_EQ(f.type("KLM:RAS", std::to_string(round + 1) + ".25"), Drive::Ok);
            ASSERT_EQ(f.type("KLM:NAME", W("Касса")), Drive::Ok);
            forms.push_back(f);
        }
        std::vector<std::thread> oks;
        for (WindowDriver& f : forms) oks.emplace_back([f]() mutable { (void)f.press("OK"); });
        for (std::thread& t : oks) t.join();
        for (WindowDriver& f : forms) EXPECT_TRUE(f.waitClosed(5s));
    }
    EXPECT_TRUE(boxes.shown().empty()) << kw::cp::toUtf8(lastBox().text);
    // receipts 12 x (10 + 11 + 12) = 396; expenses 3 x (1.25 + 2.25 + ... + 12.25) = 3 x 81 = 243
    ASSERT_EQ(journal().size(), 3u * kRounds);
    EXPECT_NEAR(settings().KAS_P, 396, 1e-9);
    EXPECT_NEAR(settings().KAS_R, 243, 1e-9);
}

// A desk killed between the closing's two writes: at the next start neither is there,
// and the day can be closed again.
TEST_F(DeskWritesTest, AClosingKilledBetweenItsTwoWritesLeavesBothAsTheyWere) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (Access::KBP->Open() != kw::Level::Benign || Access::DAY->Open() != kw::Level::Benign)
            ::_exit(2);
        if (!kw::cashdesk::readSettings() || kw::shell::todayState() != kw::shell::DayState::Open)
            ::_exit(3);
        KBP.KAS_N = KBP.KAS_P = 12345;
        DAY.KAS = 12345;
        DAY.OBO = 500;
        kw::cashdesk::setBetweenWritesObserver(
            [] { ::_exit(0); });  // killed: no close, no rollback
        (void)kw::cashdesk::writeSettingsAndDay();
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the child reached the step between the writes";
    // The next start opens the tables for writing, which finishes or undoes the dead
    // desk's work.
    for (const kw::storage::TableDecl* table : {&kw::dict::kbpTable(), &kw::dict::dayTable()}) {
        onThread(50, [&] {
            kw::storage::File f(*table);
            ASSERT_TRUE(f.open().ok());
            ASSERT_TRUE(f.close().ok());
        });
    }
    EXPECT_EQ(settings().KAS_N, 10000) << "the settings write is undone";
    EXPECT_EQ(settings().KAS_P, 0);
    EXPECT_EQ(days()[0].KAS, 0) << "the day is still open";
    for (const char* table : {"KBP.DAT", "DAY.DAT"}) {
        const std::string cmd =
            std::string(KW_BINARY_DIR) + "/kestrowd-file check " + table + " > /dev/null";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << table;
    }
}

}  // namespace
}  // namespace kwcash
