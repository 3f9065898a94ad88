// Window timers on the runtime's clock: on the test clock an idle window's timer
// comes due at once and the clock jumps to its time, so timed behaviour is tested
// without sleeping; the system clock is back when the test clock is switched off.
#include <gtest/gtest.h>

#include <thread>

#include "runtime/clock.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_windows.h"
#include "runtime/window_engine.h"

namespace {

using namespace std::chrono_literals;

struct ManualClock {
    ManualClock() { kw::clock::setManualTicks(true); }
    ~ManualClock() { kw::clock::setManualTicks(false); }
};

}  // namespace

TEST(ClockTimer, OnTheTestClockTimersComeDueAtOnceAndTheClockJumps) {
    kw::script::installScriptWindows();
    ManualClock manual;
    const int64_t start = kw::clock::ticks();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(kw::clock::ticks(), start);  // stands still
    std::vector<int64_t> at;
    const int n = kw::proc::start([&] {
        kw::ui::WindowDef def;
        def.title = "timed";
        def.timer = 250;  // 2.5 s
        def.add(kw::ui::Control::button("OK"));
        kw::ui::Window w;
        if (!w.open(def)) return;
        while (int e = w.accept()) {
            if (e != kw::ui::ev::Timer) continue;
            at.push_back(kw::clock::ticks());
            if (at.size() == 3) w.close();
        }
    });
    ASSERT_NE(n, 0);
    ASSERT_TRUE(kw::proc::wait(n, 5s));
    ASSERT_EQ(at.size(), 3u);
    EXPECT_GE(at[0] - start, 2500);
    EXPECT_EQ(at[1] - at[0], 2500);
    EXPECT_EQ(at[2] - at[1], 2500);
    kw::clock::advanceTicks(40);
    EXPECT_EQ(kw::clock::ticks(), at[2] + 40);
    kw::clock::advanceTicksTo(at[2]);  // never back
    EXPECT_EQ(kw::clock::ticks(), at[2] + 40);
}

TEST(ClockTimer, TheSystemClockMovesWhenTheTestClockIsOff) {
    const int64_t a = kw::clock::ticks();
    std::this_thread::sleep_for(30ms);
    EXPECT_GE(kw::clock::ticks() - a, 25);
    kw::clock::advanceTicksTo(a + 1000000);  // no effect on the system clock
    EXPECT_LT(kw::clock::ticks() - a, 100000);
}
