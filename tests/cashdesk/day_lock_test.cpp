// Several desks on one business day: the closing and the writes that change the day's
// money exclude each other, in both orders in which they meet (each side held at its
// critical step while the other tries); the cash-journal counters under two desks;
// the closing's two writes as one, across a crash between them.
#include "shell/day_lock.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

#include "cashdesk/day_texts.h"
#include "cashdesk/day_totals.h"
#include "cashdesk/day_totals_window.h"
#include "cashdesk/settings_record.h"
#include "cashdesk_test_util.h"
#include "pledges/pledge_procedures.h"
#include "shell/day_state.h"

namespace kwcash {
namespace {

using kw::cashdesk::closeBoxTitle;
using kw::cashdesk::closeDayTitle;

// One side stops here until the test lets it go.
class Gate {
  public:
    // Called by the side that is held: says it arrived, waits to be let go (at most 10 s).
    void arrive() {
        std::unique_lock lock(mu_);
        arrived_ = true;
        cv_.notify_all();
        cv_.wait_for(lock, 10s, [this] { return open_; });
    }
    bool waitArrived(std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(mu_);
        return cv_.wait_for(lock, timeout, [this] { return arrived_; });
    }
    void open() {
        std::lock_guard lock(mu_);
        open_ = true;
        cv_.notify_all();
    }

  private:
    std::mutex mu_;
    std::condition_variable cv_;
    bool arrived_ = false, open_ = false;
};

class DayLockTest : public CashdeskTest {
  protected:
    // Opening balance 10 000.00; one pledge of an earlier day, 1000.00 paid out, in
    // circulation; the loan settings of the worked example (10 g of 583 at 1000.00 a
    // gram: 8000.00 lent, 6500.00 paid out).
    void SetUp() override {
        CashdeskTest::SetUp();
        addRecords(kw::dict::kbpTable(), std::vector{loanSettings(10000)});
        addGoldPriceAndOperator();
        addRecords(kw::dict::dayTable(), std::vector{day(kToday, 10000)});
        ZalRecord z;
        z.N_KV = 1;
        z.SOST = 0;
        z.DATA = kToday - 10;
        z.S_VID = 1000;
        z.S_CCYD = 1200;
        addRecords(kw::dict::zalTable(), std::vector{z});
    }
    void TearDown() override {
        kw::cashdesk::setPassObserver(0, nullptr);
        kw::shell::setDayLockObserver(nullptr);
        for (std::thread& t : presses_)
            if (t.joinable()) t.join();
        CashdeskTest::TearDown();
    }

    // The new-loan form over the day's list, 10 g typed in (6500.00 to pay out).
    WindowDriver newLoan() {
        run(ZAL_TAB);
        WindowDriver list = window(W("Залоговые ссуды за день"));
        EXPECT_EQ(list.press(W("Добавить")), Drive::Ok);
        WindowDriver f = window(W("Добавить ???"));
        EXPECT_EQ(f.type("ZAL:FIO", W("Иванов Иван")),
                  Drive::Ok);  // OK refuses a pledge without a client
        EXPECT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
        EXPECT_EQ(f.shown("ZAL:S_VID"), "6500.00");
        return f;
    }
    // ZAC_D open, its button pressed; the confirmation's OK is pressed from a thread of
    // its own (the closing may wait on the day's lock meanwhile).
    WindowDriver startClosing(const std::function<void()>& beforePress = {}) {
        run(ZAC_D);
        WindowDriver w = window(closeDayTitle());
        if (beforePress) beforePress();
        EXPECT_EQ(w.press(W("Закрыть ???")), Drive::Ok);
        WindowDriver box = window(closeBoxTitle());
        pressLater(box, "OK");
        return w;
    }
    void pressLater(WindowDriver w, const std::string& button) {
        presses_.emplace_back([w, button]() mutable { (void)w.press(button); });
    }
    void joinPresses() {
        for (std::thread& t : presses_)
            if (t.joinable()) t.join();
        presses_.clear();
    }
    // The text of the box up now, "" when none.
    std::string boxText() {
        for (const kw::script::ShownBox& b : boxes.shown())
            if (!b.answered) return b.text;
        return std::string();
    }
    static std::vector<int32_t> tickets() {
        std::vector<int32_t> out;
        for (const ZalRecord& z : pledges()) out.push_back(z.N_KV);
        return out;
    }

    std::vector<std::thread> presses_;
};

// The closing computes its totals, another desk presses OK on a loan meanwhile: the
// loan waits for the closing, then finds the day closed and is refused; the day's
// totals and the pledges agree.
TEST_F(DayLockTest, ALoanPressedDuringTheClosingPassWaitsAndIsRefused) {
    WindowDriver loan = newLoan();
    Gate pass;
    std::atomic<bool> once{false};
    WindowDriver closing = startClosing([&] {
        kw::cashdesk::setPassObserver(1, [&](uint32_t) {
            if (!once.exchange(true)) pass.arrive();
        });
    });
    ASSERT_TRUE(pass.waitArrived()) << "the closing's pass began";
    pressLater(loan, "OK");
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(tickets(), std::vector<int32_t>{1}) << "no loan is stored while the closing computes";
    EXPECT_EQ(days()[0].KAS, 0);
    pass.open();
    ASSERT_TRUE(eventually([&] { return boxText() == W("День ломбарда закрыт"); }));
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    joinPresses();
    EXPECT_TRUE(loan.isOpen()) << "the refused loan's form stays open";
    EXPECT_EQ(closing.settle(), Drive::Ok);
    EXPECT_EQ(tickets(), std::vector<int32_t>{1});
    const DayRecord d = days()[0];
    EXPECT_NEAR(d.OBO, 1000, 1e-9);
    EXPECT_NEAR(d.KAS, 10000, 1e-9) << "nothing paid out today";
    EXPECT_NEAR(d.PRIB, 0, 1e-9);
    EXPECT_EQ(closing.shown("MESSAGE"), W("День ломбарда закрыт"));
}

// A loan has passed its day-open check and is about to be written when another desk
// closes the day: the closing waits for the loan and counts it.
TEST_F(DayLockTest, AClosingPressedWhileALoanIsBeingWrittenWaitsAndCountsIt) {
    WindowDriver loan = newLoan();
    Gate write;
    kw::shell::setDayLockObserver([&](kw::shell::DayLock::Kind kind) {
        if (kind == kw::shell::DayLock::Kind::Write) write.arrive();
    });
    pressLater(loan, "OK");
    ASSERT_TRUE(write.waitArrived()) << "the loan took the day's lock";
    WindowDriver closing = startClosing();
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(days()[0].KAS, 0) << "the day is not closed while the loan is written";
    EXPECT_EQ(tickets(), std::vector<int32_t>{1});
    write.open();
    ASSERT_TRUE(eventually([&] { return days()[0].KAS != 0; }));
    joinPresses();
    EXPECT_EQ(closing.settle(), Drive::Ok);
    EXPECT_EQ(tickets(), (std::vector<int32_t>{1, 1002}));
    // paid out today 6500.00: balance 10000.00 - 6500.00; in circulation 1000.00 + 6500.00
    const DayRecord d = days()[0];
    EXPECT_NEAR(d.OBO, 7500, 1e-9);
    EXPECT_NEAR(d.KAS, 3500, 1e-9);
    EXPECT_NEAR(settings().KAS_N, 3500, 1e-9);
    EXPECT_EQ(closing.shown("MESSAGE"), W("День ломбарда закрыт"));
}

// A desk that cannot get the day's lock in time says so and stores nothing; the lock
// is given back while a box is on screen, so no desk waits on an operator.
TEST_F(DayLockTest, ADeskKeptOutSaysSoAndNoLockIsHeldUnderABox) {
    Gate held;
    std::thread closer([&] {  // another thread of the program, like another desk
        kw::proc::setCurrentThread(40);
        ASSERT_EQ(Access::DAY->Open(), kw::Level::Benign);
        {
            kw::shell::DayLock day(kw::shell::DayLock::Kind::Close);
            EXPECT_TRUE(day.held());
            held.arrive();
        }
        (void)Access::DAY->Close();
    });
    ASSERT_TRUE(held.waitArrived());
    onThread(41, [&] {
        ASSERT_EQ(Access::DAY->Open(), kw::Level::Benign);
        kw::shell::DayLock day(kw::shell::DayLock::Kind::Write, 1);
        EXPECT_FALSE(day.held()) << "a closing holds the day";
        (void)Access::DAY->Close();
    });
    held.open();
    closer.join();

    // A writer shows a box while it holds the lock: a closing gets the lock meanwhile.
    boxes.setAnswerTimeout(3s);
    std::thread writer([&] {
        kw::proc::setCurrentThread(42);
        ASSERT_EQ(Access::DAY->Open(), kw::Level::Benign);
        kw::shell::DayLock day(kw::shell::DayLock::Kind::Write);
        EXPECT_TRUE(day.held());
        kw::msgbox::show("box", "caption");
        EXPECT_FALSE(day.held()) << "given back before the box";
        (void)Access::DAY->Close();
    });
    ASSERT_TRUE(eventually([&] { return boxText() == "box"; }));
    onThread(43, [&] {
        ASSERT_EQ(Access::DAY->Open(), kw::Level::Benign);
        kw::shell::DayLock day(kw::shell::DayLock::Kind::Close, 1);
        EXPECT_TRUE(day.held()) << "nobody holds the day while the box is up";
        (void)Access::DAY->Close();
    });
    boxes.answer(kw::msgbox::Ok);
    writer.join();
}

}  // namespace
}  // namespace kwcash
