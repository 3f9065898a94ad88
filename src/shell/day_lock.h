// The business day's lock between cash desks: the closing of the day (and its emergency
// reopening) and every write that changes the day's money exclude each other, so that
// a closing never stores totals without a loan, a prolongation, a redemption, a
// journal entry or a roll-back that another desk stored meanwhile, and nothing is
// stored on a day once it is closed.
//
//  - a write that changes the day's money (a pledge form's OK, a cash-journal entry, a
//    roll-back) takes the lock shared, checks the day's state under it, writes, and
//    lets it go; writes of several desks go on side by side;
//  - the closing and the reopening take it exclusive from the start of their pass over
//    the pledges until DAY and KBP are written.
//
// The lock is slot 0 of DAY.DAT's application locks (File::lockRange), held on the
// calling thread's own open of DAY: other threads of the program wait like other desks.
// Slot 1 is its turnstile: taken (shared by a write, exclusive by a closing) just while
// slot 0 is taken, so that a closing waits for the writes under way, not for writes
// that keep overlapping one another. On a server the lock queue orders the waits for
// slot 0 itself, and the turnstile is not taken.
// A desk waits at most kDayLockSeconds for it, and never while a box is on screen:
// a holder lets the lock go before any box its thread shows (what it writes after the
// box is no longer under the lock; the forms write nothing after a box but the retry
// the operator asks for). Nested locks of one thread are one lock.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "runtime/message_box.h"
#include "storage/file_guard.h"

namespace kw::shell {

inline constexpr int kDayLockSeconds = 5;

class DayLock {
  public:
    enum class Kind { Write, Close };
    // Takes the lock (opening DAY for the thread while it is held). held() says whether
    // it was taken: false when another desk kept it for `seconds`, or DAY could not be
    // opened.
    explicit DayLock(Kind kind, int seconds = kDayLockSeconds);
    ~DayLock();
    DayLock(const DayLock&) = delete;
    DayLock& operator=(const DayLock&) = delete;

    bool held() const { return held_; }
    // Gives the lock back now (a thread's outer lock only when this is it).
    void release();

  private:
    bool held_ = false;
    bool outer_ = false;
    bool opened_ = false;
    storage::RangeLockGuard guard_;
    std::optional<msgbox::BeforeBox> beforeBox_;
};

// "Другая касса закрывает день: повторите" (CP1251): the lock stayed taken.
std::string dayBusyText();

// Test seam: called on the locking thread right after it took the lock (before the
// day's state is read under it), so a test can hold one side at its critical step.
void setDayLockObserver(std::function<void(DayLock::Kind)> observer);

}  // namespace kw::shell
