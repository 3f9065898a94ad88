#include "storage/file_guard.h"

#include <utility>

#include "storage/file_impl.h"

namespace kw::storage {

Status File::lockRange(uint32_t slot, LockKind kind, int seconds) {
    return called(FileFunction::Lock, [&] {
        State& s = state();
        if (s.server && slot < kRangeSlots && kind != LockKind::Unlock)
            return finish(s, s.server->lockRange(slot, kind, seconds));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (slot >= kRangeSlots || kind == LockKind::Unlock)
            return finish(s, Status::error(kUnsupportedFunction));
        return finish(s, s.lockWait(lockat::kRange + slot, kind, seconds));
    });
}

bool File::rangeLocksWaitInTurn() {
    return state().server != nullptr;
}

Status File::unlockRange(uint32_t slot) {
    return called(FileFunction::Lock, [&] {
        State& s = state();
        if (s.server && slot < kRangeSlots) return finish(s, s.server->unlockRange(slot));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (slot >= kRangeSlots) return finish(s, Status::error(kUnsupportedFunction));
        s.unlock(lockat::kRange + slot);
        return finish(s, Status::okay());
    });
}

FileLockGuard::FileLockGuard(File& file, int seconds) : file_(&file), status_(file.lock(seconds)) {
    held_ = status_.ok();
}

FileLockGuard::~FileLockGuard() {
    (void)release();
}

Status FileLockGuard::release() {
    if (!held_) return Status::okay();
    held_ = false;
    return file_->unlock();
}

RangeLockGuard::RangeLockGuard(File& file, uint32_t slot, LockKind kind, int seconds)
    : slot_(slot), status_(file.lockRange(slot, kind, seconds)) {
    if (status_.ok()) file_ = &file;
}

RangeLockGuard::~RangeLockGuard() {
    (void)release();
}

RangeLockGuard::RangeLockGuard(RangeLockGuard&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), slot_(other.slot_), status_(other.status_) {}

RangeLockGuard& RangeLockGuard::operator=(RangeLockGuard&& other) noexcept {
    if (this != &other) {
        (void)release();
        file_ = std::exchange(other.file_, nullptr);
        slot_ = other.slot_;
        status_ = other.status_;
    }
    return *this;
}

Status RangeLockGuard::release() {
    if (!file_) return Status::okay();
    File* f = std::exchange(file_, nullptr);
    return f->unlockRange(slot_);
}

}  // namespace kw::storage
