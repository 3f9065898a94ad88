#include "framework/data/transaction_frame.h"

#include <algorithm>
#include <atomic>

#include "framework/data/write_observer.h"
#include "runtime/last_error.h"

namespace kw {

storage::Status TransactionDriver::Enrol(storage::File& file) {
    if (file.isOpen()) return storage::Status::okay();
    last_error::set(storage::kFileNotOpen, storage::errorText(storage::kFileNotOpen));
    return storage::Status::error(storage::kFileNotOpen);
}

storage::Status TransactionDriver::Begin(int seconds, const std::vector<storage::File*>& files) {
    return storage::File::logout(seconds, files);
}

storage::Status TransactionDriver::Commit() {
    return storage::File::commit();
}

storage::Status TransactionDriver::Rollback() {
    return storage::File::rollback();
}

namespace transaction {

namespace {

TransactionDriver g_standard;
std::atomic<TransactionDriver*> g_driver{&g_standard};

struct Frame {
    std::vector<storage::File*> pending;
    bool active = false;
    int joined = 0;  // frames begun while one was active: they are part of it
};
thread_local Frame t_frame;

TransactionDriver& driver() {
    return *g_driver.load();
}

}  // namespace

TransactionDriver* setDriver(TransactionDriver* d) {
    TransactionDriver* previous = g_driver.exchange(d ? d : &g_standard);
    return previous == &g_standard ? nullptr : previous;
}

storage::Status Enrol(storage::File& file) {
    storage::Status st = driver().Enrol(file);
    if (st.ok() &&
        std::find(t_frame.pending.begin(), t_frame.pending.end(), &file) == t_frame.pending.end())
        t_frame.pending.push_back(&file);
    return st;
}

storage::Status Begin(int seconds) {
    std::vector<storage::File*> files;
    files.swap(t_frame.pending);
    if (t_frame.active) {
        ++t_frame.joined;
        return storage::Status::okay();
    }
    if (files.empty()) return storage::Status::okay();
    if (WriteObserver* observer = write_observer::current()) {
        observer->Forget();
        // The observer's table rides in every frame, so that what it writes about the
        // frame's changes commits with them. It is locked last: a desk that holds it
        // then waits for nothing, whatever else other desks hold meanwhile.
        storage::File* companion = observer->Companion();
        if (!companion) return storage::Status::error(storage::kFileNotOpen);
        if (std::find(files.begin(), files.end(), companion) == files.end()) {
            storage::Status st = driver().Enrol(*companion);
            if (!st.ok()) return st;
            files.push_back(companion);
        }
    }
    storage::Status st = driver().Begin(seconds, files);
    t_frame.active = st.ok();
    return st;
}

bool Active() {
    return t_frame.active;
}

storage::Status Commit() {
    if (!t_frame.active) return storage::Status::okay();
    if (t_frame.joined > 0) {
        --t_frame.joined;
        return storage::Status::okay();
    }
    // The observer's writes kept back for the commit go last; the data-file driver's
    // frame can be committed by the last of them.
    if (WriteObserver* observer = write_observer::current()) {
        bool committed = false;
        storage::Status st = observer->Committing(&driver() == &g_standard, committed);
        if (!st.ok()) return st;  // still active: the caller rolls it back
        if (committed) {
            t_frame.active = false;
            return st;
        }
    }
    // A commit that fails leaves the frame active, so that the caller's rollback undoes
    // it and gives its locks back.
    storage::Status st = driver().Commit();
    if (st.ok()) t_frame.active = false;
    return st;
}

storage::Status Rollback() {
    if (!t_frame.active) return storage::Status::okay();
    t_frame.active = false;
    t_frame.joined = 0;
    if (WriteObserver* observer = write_observer::current()) observer->Forget();
    return driver().Rollback();
}

void Discard() {
    t_frame.pending.clear();
}

}  // namespace transaction
}  // namespace kw
