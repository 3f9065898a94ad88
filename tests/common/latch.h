// A gate that test threads wait behind until the test opens it.
//
// Every wait is bounded (a test that forgets to open the gate fails instead of
// hanging), and the gate opens itself when it goes out of scope, then waits for its
// waiters to leave, so an assertion that returns early never leaves threads blocked on
// a destroyed mutex.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kwtest {

class Latch {
  public:
    Latch() = default;
    Latch(const Latch&) = delete;
    Latch& operator=(const Latch&) = delete;
    ~Latch() {
        std::unique_lock l(m_);
        open_ = true;
        cv_.notify_all();
        cv_.wait(l, [&] { return waiters_ == 0; });
    }

    void open() {
        std::lock_guard l(m_);
        open_ = true;
        cv_.notify_all();
    }

    // True once the gate is open; false when `limit` passed first.
    bool wait(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        std::unique_lock l(m_);
        ++waiters_;
        const bool opened = cv_.wait_for(l, limit, [&] { return open_; });
        --waiters_;
        cv_.notify_all();
        return opened;
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
    int waiters_ = 0;
};

}  // namespace kwtest
