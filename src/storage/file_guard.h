// Guards that give a lock back on every path out of a scope: the whole-file LOCK of a
// File, and one of the application's lock slots (File::lockRange).
//
// Both locks belong to the calling thread's open of the table (an open-file-description
// lock): another thread of the same process has its own open and is kept out like
// another station. A guard must be released on the thread that took it, and before
// the thread closes the table (a close drops the lock anyway).
#pragma once

#include <cstdint>

#include "storage/file.h"

namespace kw::storage {

class FileLockGuard {
  public:
    // Takes the LOCK, waiting up to `seconds`; status() says whether it was taken.
    FileLockGuard(File& file, int seconds);
    ~FileLockGuard();
    FileLockGuard(const FileLockGuard&) = delete;
    FileLockGuard& operator=(const FileLockGuard&) = delete;

    bool held() const { return held_; }
    Status status() const { return status_; }
    // Gives the LOCK back now (the destructor then does nothing); the unlock's answer.
    Status release();

  private:
    File* file_;
    Status status_;
    bool held_ = false;
};

class RangeLockGuard {
  public:
    // An empty guard: holds nothing.
    RangeLockGuard() = default;
    // Takes lock `slot` of `file` as `kind`, waiting up to `seconds`.
    RangeLockGuard(File& file, uint32_t slot, LockKind kind, int seconds);
    ~RangeLockGuard();
    RangeLockGuard(RangeLockGuard&& other) noexcept;
    RangeLockGuard& operator=(RangeLockGuard&& other) noexcept;
    RangeLockGuard(const RangeLockGuard&) = delete;
    RangeLockGuard& operator=(const RangeLockGuard&) = delete;

    bool held() const { return file_ != nullptr; }
    Status status() const { return status_; }
    Status release();

  private:
    File* file_ = nullptr;
    uint32_t slot_ = 0;
    Status status_;
};

}  // namespace kw::storage
