#include "runtime/proc_threads.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "common/latch.h"

using namespace std::chrono_literals;

namespace {

// A record buffer as the dictionary declares them: one per procedure thread.
struct TestRecord {
    int32_t code = 0;
    char name[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
};
thread_local TestRecord REC;

// Counts destructions of a thread_local object, to see that waitAll() waits for them.
std::atomic<int> g_destroyed{0};
struct Tracked {
    bool used = false;
    ~Tracked() {
        if (used) ++g_destroyed;
    }
};
thread_local Tracked TRACKED;

using kwtest::Latch;

// Opens the gate and waits for the procedure threads when the test leaves, however it
// leaves (an assertion returns early), so that no thread outlives the gate it waits at.
struct ReleaseOnExit {
    Latch& gate;
    ~ReleaseOnExit() {
        gate.open();
        EXPECT_TRUE(kw::proc::waitAll(10s));
    }
};

std::size_t ownStackSize() {
    pthread_attr_t attr;
    std::size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
    }
    return size;
}

TEST(ProcThreads, StartedThreadsAreNumberedAndHaveAtLeastTheStackAskedFor) {
    std::atomic<int> seen{0};
    std::atomic<std::size_t> small{0}, big{0};
    const int a = kw::proc::start(
        [&] {
            seen = kw::proc::currentThread();
            small = ownStackSize();
        },
        25000);
    ASSERT_GE(a, 2);
    ASSERT_TRUE(kw::proc::wait(a, 5s));
    EXPECT_EQ(seen, a);
    EXPECT_GE(small, kw::proc::kMinStackSize);  // 25000 bytes asked: the minimum given

    const int b = kw::proc::start([&] { big = ownStackSize(); }, 8u << 20);
    ASSERT_GE(b, 2);
    ASSERT_TRUE(kw::proc::wait(b, 5s));
    EXPECT_GE(big, 8u << 20);
    EXPECT_EQ(kw::proc::currentThread(), 1);  // the test's own thread counts as 1
}

TEST(ProcThreads, TheSixtyFourthStartFailsAndTheProcedureDoesNotRun) {
    Latch release;
    ReleaseOnExit guard{release};
    std::atomic<int> ran{0};
    std::vector<int> numbers;
    for (int i = 0; i < 63; ++i) {
        const int n = kw::proc::start([&] {
            ++ran;
            release.wait();
        });
        ASSERT_NE(n, 0) << "start " << i + 1 << " failed";
        numbers.push_back(n);
    }
    std::atomic<bool> extraRan{false};
    EXPECT_EQ(kw::proc::start([&] { extraRan = true; }), 0);
    EXPECT_EQ(kw::proc::running(), 63);
    // Numbers are 2..64, each once.
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers.front(), 2);
    EXPECT_EQ(numbers.back(), 64);
    EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end());

    release.open();
    ASSERT_TRUE(kw::proc::waitAll(10s));
    EXPECT_EQ(ran, 63);
    EXPECT_FALSE(extraRan);
    // Once they have ended, starting works again.
    const int again = kw::proc::start([] {});
    EXPECT_GE(again, 2);
    EXPECT_TRUE(kw::proc::waitAll(5s));
}

TEST(ProcThreads, RecordBuffersArePerThreadAndStartCleared) {
    REC.code = 77;
    Latch bothWrote;
    ReleaseOnExit guard{bothWrote};
    std::atomic<int> wrote{0};
    std::atomic<int> a{-1}, b{-1}, freshA{-1}, freshB{-1};
    auto body = [&](int value, std::atomic<int>& fresh, std::atomic<int>& out) {
        return [&, value] {
            fresh = REC.code;
            REC.code = value;
            if (++wrote == 2) bothWrote.open();
            bothWrote.wait();
            out = REC.code;
        };
    };
    const int t1 = kw::proc::start(body(1, freshA, a));
    const int t2 = kw::proc::start(body(2, freshB, b));
    ASSERT_TRUE(t1 && t2);
    ASSERT_TRUE(kw::proc::waitAll(5s));
    EXPECT_EQ(freshA, 0);
    EXPECT_EQ(freshB, 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(REC.code, 77);
}

TEST(ProcThreads, WaitAllReturnsOnlyAfterTheThreadsObjectsAreGone) {
    g_destroyed = 0;
    for (int i = 0; i < 5; ++i)
        ASSERT_NE(kw::proc::start([] {
                      TRACKED.used = true;
                      std::this_thread::sleep_for(5ms);
                  }),
                  0);
    kw::proc::waitAll();
    EXPECT_EQ(g_destroyed, 5);
    EXPECT_EQ(kw::proc::running(), 0);
}

TEST(ProcThreads, TheEntryRunsOnThreadOneAndOnlyOnce) {
    Latch release;
    ReleaseOnExit guard{release};
    std::atomic<int> number{0};
    ASSERT_TRUE(kw::proc::startEntry([&] {
        number = kw::proc::currentThread();
        release.wait();
    }));
    EXPECT_FALSE(kw::proc::startEntry([] {}));
    EXPECT_TRUE(kw::proc::isRunning(1));
    release.open();
    ASSERT_TRUE(kw::proc::wait(1, 5s));
    EXPECT_EQ(number, 1);
    EXPECT_FALSE(kw::proc::isRunning(1));
}

}  // namespace
