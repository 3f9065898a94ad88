#include "runtime/proc_threads.h"

#include <pthread.h>
#include <unistd.h>

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace kw::proc {

namespace {

std::mutex g_mutex;
std::condition_variable g_ended;
std::array<bool, kMaxThread + 1> g_used{};  // index = thread number; 0 unused
int g_running = 0;

struct StartBlock {
    Procedure procedure;
    int number = 0;
};

// Frees the thread's number when the thread ends. It is the first thread_local object
// the thread constructs, so it is destroyed last: after the record buffers and the
// driver state that the procedure created.
struct Slot {
    int number = 0;
    ~Slot() {
        if (number == 0) return;
        std::lock_guard lock(g_mutex);
        g_used[static_cast<std::size_t>(number)] = false;
        --g_running;
        g_ended.notify_all();
    }
};

void* threadMain(void* arg) {
    std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(arg));
    thread_local Slot slot;
    slot.number = block->number;
    setCurrentThread(block->number);
    Procedure procedure = std::move(block->procedure);
    block.reset();
    if (procedure) procedure();
    return nullptr;
}

std::size_t stackFor(std::size_t asked) {
    std::size_t size = asked < kMinStackSize ? kMinStackSize : asked;
    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t p = page > 0 ? static_cast<std::size_t>(page) : 4096;
    return (size + p - 1) / p * p;
}

// Creates the thread for a number already marked used; frees the number on failure.
bool launch(int number, Procedure procedure, std::size_t stackSize) {
    pthread_attr_t attr;
    bool ok = pthread_attr_init(&attr) == 0;
    if (ok) {
        ok = pthread_attr_setstacksize(&attr, stackFor(stackSize)) == 0 &&
             pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED) == 0;
        if (ok) {
            auto* block = new StartBlock{std::move(procedure), number};
            pthread_t id;
            ok = pthread_create(&id, &attr, threadMain, block) == 0;
            if (!ok) delete block;
        }
        pthread_attr_destroy(&attr);
    }
    if (!ok) {
        std::lock_guard lock(g_mutex);
        g_used[static_cast<std::size_t>(number)] = false;
        --g_running;
        g_ended.notify_all();
    }
    return ok;
}

}  // namespace

int start(Procedure procedure, std::size_t stackSize) {
    int number = 0;
    {
        std::lock_guard lock(g_mutex);
        for (int n = kEntryThread + 1; n <= kMaxThread; ++n) {
            if (!g_used[static_cast<std::size_t>(n)]) {
                number = n;
                break;
            }
        }
        if (number == 0) return 0;
        g_used[static_cast<std::size_t>(number)] = true;
        ++g_running;
    }
    return launch(number, std::move(procedure), stackSize) ? number : 0;
}

bool startEntry(Procedure procedure, std::size_t stackSize) {
    {
        std::lock_guard lock(g_mutex);
        if (g_used[kEntryThread]) return false;
        g_used[kEntryThread] = true;
        ++g_running;
    }
    return launch(kEntryThread, std::move(procedure), stackSize);
}

int running() {
    std::lock_guard lock(g_mutex);
    return g_running;
}

bool isRunning(int number) {
    if (number < kEntryThread || number > kMaxThread) return false;
    std::lock_guard lock(g_mutex);
    return g_used[static_cast<std::size_t>(number)];
}

void waitAll() {
    std::unique_lock lock(g_mutex);
    g_ended.wait(lock, [] { return g_running == 0; });
}

bool waitAll(std::chrono::milliseconds timeout) {
    std::unique_lock lock(g_mutex);
    return g_ended.wait_for(lock, timeout, [] { return g_running == 0; });
}

bool wait(int number, std::chrono::milliseconds timeout) {
    if (number < kEntryThread || number > kMaxThread) return true;
    std::unique_lock lock(g_mutex);
    return g_ended.wait_for(lock, timeout,
                            [number] { return !g_used[static_cast<std::size_t>(number)]; });
}

}  // namespace kw::proc
