#include "shell/day_lock.h"

#include <mutex>
#include <utility>

#include "framework/data/dct_init.h"
#include "runtime/codepage.h"

namespace kw::shell {

namespace {

// The thread's outermost lock: inner ones take nothing (a second lock of the same open
// would be merged with the first and given back with it).
thread_local DayLock* t_outer = nullptr;

constexpr uint32_t kDaySlot = 0;
constexpr uint32_t kTurnstileSlot = 1;

std::mutex g_observerMutex;
std::function<void(DayLock::Kind)> g_observer;

void notifyLocked(DayLock::Kind kind) {
    std::function<void(DayLock::Kind)> observer;
    {
        std::lock_guard lock(g_observerMutex);
        observer = g_observer;
    }
    if (observer) observer(kind);
}

}  // namespace

DayLock::DayLock(Kind kind, int seconds) {
    if (t_outer) {
        held_ = t_outer->held_;
        return;
    }
    if (!Access::DAY || Access::DAY->Open() != Level::Benign) return;
    opened_ = true;
    if (Access::DAY->UseFile(kUseRecord) != Level::Benign) return;
    // The turnstile (slot 1) keeps a closing from waiting for ever behind writes that
    // overlap one another: once the closing holds it, new writes queue behind it, and
    // it waits only for the writes already under way. A server's lock queue does that
    // for the day's slot itself.
    const storage::LockKind lockKind =
        kind == Kind::Close ? storage::LockKind::Exclusive : storage::LockKind::Shared;
    storage::File& dayFile = *Access::DAY->File;
    std::optional<storage::RangeLockGuard> turnstile;
    if (!dayFile.rangeLocksWaitInTurn()) {
        turnstile.emplace(dayFile, kTurnstileSlot, lockKind, seconds);
        if (!turnstile->held()) return;
    }
    guard_ = storage::RangeLockGuard(dayFile, kDaySlot, lockKind, seconds);
    if (turnstile) (void)turnstile->release();
    if (!guard_.held()) return;
    held_ = true;
    outer_ = true;
    t_outer = this;
    beforeBox_.emplace([this] { release(); });
    notifyLocked(kind);
}

DayLock::~DayLock() {
    release();
    if (opened_) (void)Access::DAY->Close();
}

void DayLock::release() {
    if (!outer_) {
        if (t_outer == nullptr) held_ = false;
        return;
    }
    outer_ = false;
    held_ = false;
    t_outer = nullptr;
    beforeBox_.reset();
    (void)guard_.release();
}

std::string dayBusyText() {
    return W("Другая касса закрывает день: повторите");
}

void setDayLockObserver(std::function<void(DayLock::Kind)> observer) {
    std::lock_guard lock(g_observerMutex);
    g_observer = std::move(observer);
}

}  // namespace kw::shell
