// Windows and procedure threads: a procedure on a thread of its own leaves its
// starter's window usable; a procedure called on the same thread blocks its caller's
// windows until it returns; starts beyond the limit fail cleanly; record buffers are
// per thread.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>

#include "common/latch.h"
#include "window_test_util.h"

namespace {

using namespace kwtest;
using kw::script::Drive;
using kw::ui::Binding;
using kw::ui::Control;
using kw::ui::Window;
using kw::ui::WindowDef;
namespace ev = kw::ui::ev;

#pragma pack(push, 1)
struct Rec {
    uint8_t flag;
    int32_t code;  // unaligned
};
#pragma pack(pop)
thread_local Rec REC{};
void* recBuffer() {
    return &REC;
}

// A window with a button (1), a message prompt (2) and an entry (3) for `value`.
WindowDef starter(std::string title, int32_t& value) {
    WindowDef s;
    s.title = std::move(title);
    s.add(Control::button("Start"));
    s.add(Control::prompt("..."));
    s.add(Control::entry(Binding::of(value), "n5"));
    return s;
}

class WindowThreads : public ::testing::Test {
  protected:
    void SetUp() override { kw::script::installScriptWindows(); }
    void TearDown() override { EXPECT_TRUE(kw::proc::waitAll(10s)); }
};

TEST_F(WindowThreads, AProcedureOnANewThreadLeavesItsStartersWindowUsable) {
    int32_t a = 0, b = 0;
    EventLog logA, logB;
    std::atomic<int> second{0};
    Proc p([&] {
        runWindow(starter("A", a), logA, [&](Window& w, int e) {
            if (e == ev::Accepted && w.field() == 1)
                second = kw::proc::start([&] { runWindow(starter("B", b), logB); }, 25000);
        });
    });
    auto wa = kw::script::waitWindow("A");
    ASSERT_TRUE(wa);
    EXPECT_EQ(wa.press(1), Drive::Ok);
    auto wb = kw::script::waitWindow("B");
    ASSERT_TRUE(wb);
    EXPECT_NE(wb.thread(), wa.thread());
    EXPECT_EQ(wb.thread(), second.load());
    EXPECT_FALSE(wa.isBlocked());
    EXPECT_EQ(wa.type(3, "11"), Drive::Ok);  // while B is open
    EXPECT_EQ(wb.type(3, "22"), Drive::Ok);
    EXPECT_EQ(wa.closeBox(), Drive::Ok);  // A may even close first
    EXPECT_TRUE(wb.isOpen());
    EXPECT_EQ(wb.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
    ASSERT_TRUE(kw::proc::wait(second, 5s));
    EXPECT_EQ(a, 11);
    EXPECT_EQ(b, 22);
}

TEST_F(WindowThreads, AProcedureCalledOnTheSameThreadBlocksItsCallerUntilItReturns) {
    int32_t a = 0, c = 0;
    EventLog logA, logC;
    Proc p([&] {
        runWindow(starter("A", a), logA, [&](Window& w, int e) {
            if (e == ev::Accepted && w.field() == 1) {
                runWindow(starter("C", c), logC);  // called, not started
                w.setText(2, "back");
            }
        });
    });
    auto wa = kw::script::waitWindow("A");
    ASSERT_TRUE(wa);
    EXPECT_EQ(wa.press(1), Drive::Ok);  // comes back once C waits for the user
    auto wc = kw::script::waitWindow("C");
    ASSERT_TRUE(wc);
    EXPECT_EQ(wc.thread(), wa.thread());
    EXPECT_TRUE(wa.isBlocked());
    EXPECT_EQ(wa.press(1), Drive::Blocked);
    EXPECT_EQ(wa.type(3, "5"), Drive::Blocked);
    EXPECT_EQ(wa.closeBox(), Drive::Blocked);
    EXPECT_EQ(wc.type(3, "7"), Drive::Ok);
    EXPECT_EQ(wa.shown(2), "...");
    EXPECT_EQ(wc.closeBox(), Drive::Ok);
    EXPECT_EQ(wa.settle(), Drive::Ok);
    EXPECT_FALSE(wa.isBlocked());
    EXPECT_EQ(wa.shown(2), "back");
    EXPECT_EQ(wa.type(3, "5"), Drive::Ok);
    EXPECT_EQ(wa.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_EQ(a, 5);
    EXPECT_EQ(c, 7);
    // A is told that it is usable again.
    const auto seen = logA.take();
    auto accepted = std::find(seen.begin(), seen.end(), Seen{ev::Accepted, 1});
    ASSERT_NE(accepted, seen.end());
    EXPECT_NE(std::find(accepted, seen.end(), Seen{ev::GainFocus, 0}), seen.end());
}

TEST_F(WindowThreads, StartsBeyondSixtyThreeFailAndTheCallerIsTold) {
    int32_t a = 0;
    EventLog log;
    // Opened, and the threads waited for, on every way out of the test.
    kwtest::Latch release;
    struct Guard {
        kwtest::Latch& gate;
        ~Guard() {
            gate.open();
            EXPECT_TRUE(kw::proc::waitAll(10s));
        }
    } guard{release};
    Proc p([&] {
        runWindow(starter("Many", a), log, [&](Window& w, int e) {
            if (e != ev::Accepted || w.field() != 1) return;
            int started = 0;
            while (kw::proc::start([&] { release.wait(); }) != 0) ++started;
            w.setText(2, std::to_string(started) + " started, then refused");
        });
    });
    auto w = kw::script::waitWindow("Many");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press(1), Drive::Ok);
    // This window's own thread is one of the 63.
    EXPECT_EQ(w.shown(2), "62 started, then refused");
    EXPECT_EQ(w.type(3, "9"), Drive::Ok);  // the window goes on working
    EXPECT_EQ(kw::proc::running(), 63);
    release.open();
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
    // The waiting threads use this test's gate: they must be gone before it is.
    ASSERT_TRUE(kw::proc::waitAll(10s));
    EXPECT_EQ(a, 9);
}

TEST_F(WindowThreads, EachThreadsWindowsReachItsOwnRecordBuffer) {
    auto codeField = [] {
        return Binding::field(recBuffer, offsetof(Rec, code), kw::ui::ValueType::Long, 4)
            .named("REC:CODE");
    };
    std::atomic<int> seen1{-1}, seen2{-1};
    EventLog log1, log2;
    auto form = [&](const char* title, EventLog& log, std::atomic<int>& seen) {
        return [&, title, codeField] {
            REC.code = 100;  // this thread's record, shown at open
            WindowDef s;
            s.title = title;
            s.add(Control::entry(codeField(), "n5"));
            runWindow(s, log);
            seen = REC.code;
        };
    };
    Proc p1(form("R1", log1, seen1));
    Proc p2(form("R2", log2, seen2));
    auto w1 = kw::script::waitWindow("R1");
    auto w2 = kw::script::waitWindow("R2");
    ASSERT_TRUE(w1 && w2);
    EXPECT_EQ(w1.shown("rec:code"), "100");
    EXPECT_EQ(w1.type("REC:CODE", "1"), Drive::Ok);
    EXPECT_EQ(w2.type("REC:CODE", "2"), Drive::Ok);
    EXPECT_EQ(w1.shown(1), "1");
    EXPECT_EQ(w2.shown(1), "2");
    EXPECT_EQ(w1.closeBox(), Drive::Ok);
    EXPECT_EQ(w2.closeBox(), Drive::Ok);
    ASSERT_TRUE(p1.join() && p2.join());
    EXPECT_EQ(seen1, 1);
    EXPECT_EQ(seen2, 2);
    EXPECT_EQ(REC.code, 0);  // the test thread's record was never touched
}

}  // namespace
