// The window manager without a table: how events reach the registered components, the
// buttons with a response, the refresh of the window, a dialog's OK, the run of a
// procedure whose Init fails, and a window called on the same thread.
#include <functional>
#include <mutex>

#include "form_test_util.h"

namespace kwform {
namespace {

using kw::Level;
using kw::ui::Control;

// A component that notes what it is asked and answers as told.
class Probe : public kw::WindowComponent {
  public:
    explicit Probe(kw::WindowManager& owner) : owner_(owner) {}

    void Kill() override { ++kills; }
    void Reset(uint8_t Force) override { ++(Force ? forcedResets : resets); }
    uint8_t ResetRequired() override { return wantReset.exchange(0); }
    void SetAlerts() override { ++alerts; }
    Level TakeEvent() override {
        {
            std::lock_guard lock(mu);
            seen.emplace_back(owner_.Win.event(), owner_.Win.field());
        }
        if (owner_.Win.event() == kw::ui::ev::Accepted && owner_.Win.field() == consume)
            return Level::Notify;
        if (owner_.Win.event() == kw::ui::ev::Accepted && owner_.Win.field() == leave)
            return Level::Fatal;
        if (owner_.Win.event() == kw::ui::ev::Accepted && owner_.Win.field() == askReset)
            wantReset = 1;
        return Level::Benign;
    }
    void Update() override {}
    void UpdateWindow() override { ++windowUpdates; }

    bool saw(int event, int control) {
        std::lock_guard lock(mu);
        return std::find(seen.begin(), seen.end(), std::pair{event, control}) != seen.end();
    }

    std::atomic<int> kills{0}, resets{0}, forcedResets{0}, alerts{0}, windowUpdates{0};
    std::atomic<uint8_t> wantReset{0};
    int consume = 0, leave = 0, askReset = 0;
    std::mutex mu;
    std::vector<std::pair<int, int>> seen;

  private:
    kw::WindowManager& owner_;
};

enum DialogControl { Note = 1, Plain, Eat, Leave, Refresh, Nested, Ok, Close };

// A dialog of its own: no table; OK completes, "Закрыть" cancels.
class Dialog : public kw::WindowManager {
  public:
    Dialog(std::string title, bool failInit = false)
        : title_(std::move(title)), failInit_(failInit) {}

    Level Init() override {
        Request = GlobalRequest;
        GlobalRequest = 0;
        (void)kw::WindowManager::Init();
        if (failInit_) return Level::Notify;
        kw::ui::WindowDef s;
        s.title = title_;
        s.add(Control::prompt("...").number(Note));
        s.add(Control::button("Plain").number(Plain));
        s.add(Control::button("Eat").number(Eat));
        s.add(Control::button("Leave").number(Leave));
        s.add(Control::button("Refresh").number(Refresh));
        s.add(Control::button("Nested").number(Nested));
        s.add(Control::button("OK").number(Ok).asDefault());
        s.add(Control::button(W("Закрыть")).number(Close));
        OKControl = Ok;
        AddItem(Close, kw::resp::Cancelled);
        for (Probe* p : probes) AddItem(*p);
        if (!OpenWindow(std::move(s))) return Level::Notify;
        SetAlerts();
        return Level::Benign;
    }

    Level TakeAccepted() override {
        if (Win.field() == Nested) {
            Dialog inner(title_ + " 2");
            nestedResponse = inner.Run();
        }
        return kw::WindowManager::TakeAccepted();
    }

    std::vector<Probe*> probes;
    std::atomic<uint8_t> nestedResponse{0};

  private:
    std::string title_;
    bool failInit_;
};

using Manager = FormTest;

// Waits until `done` holds, for at most `limit`: a fault fails the test with a message
// instead of hanging the suite.
::testing::AssertionResult eventually(const std::function<bool()>& done,
                                      std::chrono::milliseconds limit = 5s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until)
            return ::testing::AssertionFailure() << "still not so after " << limit.count() << " ms";
        std::this_thread::sleep_for(1ms);
    }
    return ::testing::AssertionSuccess();
}

// Lets the procedure thread go and waits for it when the test ends, also when a failed
// assertion ends it early: the thread uses the test's variables.
struct LetGo {
    std::atomic<bool>& made;
    int number;
    ~LetGo() {
        made = false;
        (void)kw::proc::wait(number, 10s);
    }
};

TEST_F(Manager, ComponentsSeeTheEventsTheManagerLeavesThemAndAreKilledOnce) {
    std::atomic<uint8_t> response{0};
    std::atomic<int> secondKill{-1};
    Dialog* dialog = nullptr;
    Probe* first = nullptr;
    Probe* second = nullptr;
    std::atomic<bool> made{false};
    const int number = kw::proc::start([&] {
        Dialog d("Probe");
        Probe a(d), b(d);
        a.consume = Eat;
        a.askReset = Refresh;
        d.probes = {&a, &b};
        dialog = &d;
        first = &a;
        second = &b;
        made = true;
        response = d.Run();
        secondKill = static_cast<int>(d.Kill());
        // The components outlive Run; what they saw is checked through the pointers
        // while this thread waits for the test to let it go.
        EXPECT_TRUE(eventually([&] { return !made; }, 10s)) << "the test did not let the thread go";
    });
    ASSERT_NE(number, 0);
    const LetGo letGo{made, number};
    auto w = kw::script::waitWindow("Probe");
    ASSERT_TRUE(w);
    ASSERT_EQ(w.settle(), Drive::Ok);  // the window's first events handled
    ASSERT_TRUE(made);
    EXPECT_EQ(first->alerts, 1);
    EXPECT_EQ(second->alerts, 1);
    EXPECT_GE(first->resets, 1);  // the window opened: Reset(0)
    EXPECT_GE(first->windowUpdates, 1);
    const int resetsBefore = first->resets;

    EXPECT_EQ(w.press("Plain"), Drive::Ok);
    EXPECT_TRUE(first->saw(kw::ui::ev::Accepted, Plain));
    EXPECT_TRUE(second->saw(kw::ui::ev::Accepted, Plain));
    EXPECT_EQ(w.press("Eat"), Drive::Ok);  // the first component consumes it
    EXPECT_TRUE(first->saw(kw::ui::ev::Accepted, Eat));
    EXPECT_FALSE(second->saw(kw::ui::ev::Accepted, Eat));
    EXPECT_EQ(first->resets, resetsBefore);
    EXPECT_EQ(w.press("Refresh"), Drive::Ok);  // a component asks for a reset
    EXPECT_EQ(first->resets, resetsBefore + 1);
    EXPECT_EQ(second->resets, resetsBefore + 1);
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);  // settled by the manager itself
    ASSERT_TRUE(w.waitClosed(5s));
    ASSERT_TRUE(eventually([&] { return secondKill >= 0; }))
        << "Run did not return after the window closed";
    EXPECT_EQ(response, kw::resp::Cancelled);
    EXPECT_FALSE(first->saw(kw::ui::ev::Accepted, Close));
    EXPECT_TRUE(first->saw(kw::ui::ev::CloseWindow, 0));
    EXPECT_EQ(first->kills, 1);
    EXPECT_EQ(second->kills, 1);
    EXPECT_EQ(secondKill, static_cast<int>(Level::Notify));  // killed once only
    EXPECT_EQ(dialog->Dead, 1);
    made = false;
    ASSERT_TRUE(kw::proc::wait(number, 10s));
}

TEST_F(Manager, AComponentCanLeaveTheAcceptLoop) {
    std::atomic<uint8_t> response{0};
    const int number = kw::proc::start([&] {
        Dialog d("Leave");
        Probe a(d);
        a.leave = Leave;
        d.probes = {&a};
        response = d.Run();
    });
    auto w = kw::script::waitWindow("Leave");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press("Leave"), Drive::Ok);
    ASSERT_TRUE(kw::proc::wait(number, 10s));
    EXPECT_FALSE(w.isOpen());                  // Kill closed it
    EXPECT_EQ(response, kw::resp::Cancelled);  // no response was set
}

TEST_F(Manager, ADialogWithoutATableCompletesOnOKAndAFailedInitEndsAtOnce) {
    std::atomic<uint8_t> completed{0}, failed{0};
    const int number = kw::proc::start([&] {
        Dialog d("Dialog");
        completed = d.Run();
        Dialog broken("Broken", true);
        failed = broken.Run();
    });
    auto w = kw::script::waitWindow("Dialog");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.key(0, kw::ui::key::Enter), Drive::Ok);  // the default button
    ASSERT_TRUE(kw::proc::wait(number, 10s));
    EXPECT_EQ(completed, kw::resp::Completed);
    EXPECT_EQ(failed, kw::resp::Cancelled);
}

TEST_F(Manager, AWindowCalledOnTheSameThreadBlocksItsCallerWhichResetsWhenItReturns) {
    Probe* probe = nullptr;
    std::atomic<bool> made{false}, done{false};
    Dialog* outer = nullptr;
    const int number = kw::proc::start([&] {
        Dialog d("Outer");
        Probe a(d);
        d.probes = {&a};
        d.ResetOnGainFocus = 1;
        outer = &d;
        probe = &a;
        made = true;
        (void)d.Run();
        done = true;
        EXPECT_TRUE(eventually([&] { return !made; }, 10s)) << "the test did not let the thread go";
    });
    ASSERT_NE(number, 0);
    const LetGo letGo{made, number};
    auto w = kw::script::waitWindow("Outer");
    ASSERT_TRUE(w);
    ASSERT_TRUE(made);
    EXPECT_EQ(w.press("Nested"), Drive::Ok);
    auto inner = kw::script::waitWindow("Outer 2");
    ASSERT_TRUE(inner);
    EXPECT_TRUE(w.isBlocked());
    EXPECT_EQ(w.press("Plain"), Drive::Blocked);
    EXPECT_EQ(probe->forcedResets, 0);
    EXPECT_EQ(inner.press("OK"), Drive::Ok);
    ASSERT_TRUE(inner.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_FALSE(w.isBlocked());
    EXPECT_EQ(outer->nestedResponse, kw::resp::Completed);
    EXPECT_EQ(probe->forcedResets, 1);  // the window regained its focus: a forced reset
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(eventually([&] { return done.load(); })) << "Run did not return after the close";
    made = false;
    ASSERT_TRUE(kw::proc::wait(number, 10s));
}

TEST(UseField, BindsAFieldOfTheTablesRecordByName) {
    const kw::ui::Binding sum = kw::UseField(clnTable(), "cln:sum");
    EXPECT_TRUE(sum.bound());
    EXPECT_EQ(sum.name(), "CLN:SUM");
    CLN.SUM = 12.5;
    EXPECT_EQ(sum.get().number, 12.5);
    EXPECT_TRUE(kw::UseField(clnTable(), "FIO").isText());
    EXPECT_FALSE(kw::UseField(clnTable(), "NOPE").bound());
}

}  // namespace
}  // namespace kwform
