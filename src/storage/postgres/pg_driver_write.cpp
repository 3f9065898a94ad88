// The server driver: add, put, delete, holds, the file lock, the lock slots.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "storage/postgres/pg_driver.h"
#include "storage/postgres/pg_record.h"
#include "storage/postgres/pg_schema.h"

namespace kw::storage::pg {

namespace {

// The value of one field as a typed parameter (or NULL) of a statement.
std::string typedValue(const FieldDecl& f, const uint8_t* record,
                       std::vector<std::string>& params) {
    const auto v = fieldValue(f, record);
    if (!v) return "NULL::" + columnType(f);
    params.push_back(*v);
    return "$" + std::to_string(params.size()) + "::" + columnType(f);
}

std::string n(int64_t v) {
    return std::to_string(v);
}

}  // namespace

// Tried again until `seconds` have passed, after 1 ms at first, since another desk's
// loan holds a lock for a few milliseconds, growing to 16 ms for a longer hold (a
// closing).
bool ServerDriver::pollLock(const std::string& sql, int seconds, Status& st) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (int attempt = 0;; ++attempt) {
        Result r = session_.run(sql, {}, st);
        if (!st.ok()) return false;
        if (r.value(0, 0) == "t") return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << std::min(attempt, 4)));
    }
}

bool ServerDriver::tryLock(int32_t cls, int64_t id, bool shared, int seconds, Status& st) {
    return pollLock(std::string("SELECT ") +
                        (shared ? "pg_try_advisory_lock_shared" : "pg_try_advisory_lock") + "(" +
                        n(cls) + ", " + n(static_cast<int32_t>(id)) + ")",
                    seconds, st);
}

// Tried a few times within a few milliseconds: another desk's read tries each row's hold
// shared for a moment (heldByOther), which is no hold.
bool ServerDriver::tryHold(int64_t row, Status& st) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1 << (attempt - 1)));
        if (tryLock(lockClass(decl_.label, kHolds), row, false, 0, st)) return true;
        if (!st.ok()) return false;
    }
    return false;
}

void ServerDriver::unlockOne(int32_t cls, int64_t id, bool shared) {
    giveBack(std::string(shared ? "pg_advisory_unlock_shared" : "pg_advisory_unlock") + "(" +
             n(cls) + ", " + n(static_cast<int32_t>(id)) + ")");
}

void ServerDriver::giveBack(const std::string& unlocks) {
    // The session and its locks are gone, or they are another process's (a fork's copy).
    if (!session_.connection.isOpen() || session_.connection.inherited()) return;
    // A failure here is a broken link, which gave the lock back with the session.
    (void)session_.exec("SELECT " + unlocks);
}

// Inside the thread's transaction a write runs under a savepoint, so that a refused
// write (a repeated unique key) leaves the transaction's other writes standing, as
// in the flat files.
Status ServerDriver::beginWrite(bool& savepoint) {
    savepoint = false;
    if (!open_) return Status::error(kFileNotOpen);
    if (!writable_) return Status::error(kAccessDenied);
    if (session_.inTransaction) {
        if (session_.transactionLost) return Status::system(kFileSystemError, 0);
        if (Status st = session_.exec("SAVEPOINT kw_write"); !st.ok()) return st;
        savepoint = true;
        session_.savepointOpen = true;
    }
    return Status::okay();
}

Status ServerDriver::endWrite(bool savepoint, Status st) {
    ++session_.writes;
    session_.savepointOpen = false;
    if (savepoint && !session_.transactionLost) {
        // A savepoint that cannot be ended leaves the transaction unusable: it does not commit.
        if (!session_
                 .exec(st.ok() ? "RELEASE SAVEPOINT kw_write" : "ROLLBACK TO SAVEPOINT kw_write")
                 .ok())
            session_.transactionLost = true;
    }
    return st;
}

// Why a put or delete of `row` changed nothing, in the flat driver's order: the file
// locked by another desk (32), the row gone (33), held by another desk (5), changed
// since it was read (89). 0 when none of these holds any longer (a hold or lock given
// back in between): the write is tried again.
Status ServerDriver::writeRefused(int64_t row, int32_t version) {
    Status st;
    Result r = session_.run(
        "SELECT (SELECT \"kw_version\" FROM " + table_ + " WHERE \"kw_row\" = $1::bigint), " +
            "pg_try_advisory_xact_lock_shared(" + n(lockClass(decl_.label, kFileLock)) + ", 0), " +
            "pg_try_advisory_xact_lock_shared(" + n(lockClass(decl_.label, kHolds)) +
            ", $1::bigint::integer)",
        {n(row)}, st);
    if (!st.ok()) return st;
    const auto rec = static_cast<uint32_t>(row);
    if (r.value(0, 1) != "t") return Status::error(kFileLocked);
    if (r.isNull(0, 0)) return Status::error(kRecordNotAvailable, rec);
    if (r.value(0, 2) != "t") return Status::error(kAccessDenied, rec);
    if (version != 0 && std::atoi(r.value(0, 0).c_str()) != version)
        return Status::error(kRecordChanged, rec);
    return Status::okay();
}

// Runs a change of the current row (put or delete: `change` gives the statement's
// answer) until it is made or refused for a reason; `done` gets the answer that made it.
Status ServerDriver::changeRow(const std::function<Result(Status&)>& change, int32_t version,
                               Result& done) {
    for (int attempt = 0;; ++attempt) {
        Status st;
        done = change(st);
        if (!st.ok() || done.rows() > 0) return st;
        st = writeRefused(current_.id.row, version);
        if (!st.ok()) return st;
        // Refused a moment ago for a reason that has gone since: once more, a few times.
        if (attempt == 4)
            return Status::error(kRecordChanged, static_cast<uint32_t>(current_.id.row));
        std::this_thread::sleep_for(std::chrono::milliseconds(5 << attempt));
    }
}

// The conditions every change of a row carries: the file not locked by another desk and
// the row not held by one (taken shared for the statement's transaction).
static std::string writeGuards(const std::string& label, const std::string& rowParam) {
    return "pg_try_advisory_xact_lock_shared(" +
           n(ServerDriver::lockClass(label, ServerDriver::kFileLock)) +
           ", 0) AND pg_try_advisory_xact_lock_shared(" +
           n(ServerDriver::lockClass(label, ServerDriver::kHolds)) + ", " + rowParam +
           "::bigint::integer)";
}

// As the flat files read the current record's slot again when a roll-back put the
// files back.
Status ServerDriver::versionAfterRollback() {
    if (currentRollbacks_ == session_.rollbacks || !open_) return Status::okay();
    currentRollbacks_ = session_.rollbacks;
    Status st;
    Result r =
        session_.run("SELECT \"kw_version\" FROM " + table_ + " WHERE \"kw_row\" = $1::bigint",
                     {n(current_.id.row)}, st);
    if (st.ok() && r.rows() == 1) current_.id.version = std::atoi(r.value(0, 0).c_str());
    return st;
}

Status ServerDriver::add() {
    bool savepoint = false;
    if (Status s = beginWrite(savepoint); !s.ok()) return s;
    const uint8_t* rec = buffer_();
    std::vector<std::string> params;
    std::string names, values;
    for (const auto* f : columns(decl_)) {
        names += (names.empty() ? "" : ", ") + quoted(f->name);
        values += (values.empty() ? "" : ", ") + typedValue(*f, rec, params);
    }
    Status st;
    Result r = session_.run("INSERT INTO " + table_ + " (" + names + ") SELECT " + values +
                                " WHERE " + "pg_try_advisory_xact_lock_shared(" +
                                n(lockClass(decl_.label, kFileLock)) +
                                ", 0) ON CONFLICT DO NOTHING RETURNING \"kw_row\", \"kw_version\"",
                            params, st);
    if (st.ok() && r.rows() == 0) {
        // Nothing added: the file is locked by another desk, or a unique key repeats.
        Result why = session_.run("SELECT pg_try_advisory_xact_lock_shared(" +
                                      n(lockClass(decl_.label, kFileLock)) + ", 0)",
                                  {}, st);
        if (st.ok()) st = Status::error(why.value(0, 0) == "t" ? kDuplicateKey : kFileLocked);
    }
    if (st.ok()) {
        currentRollbacks_ = session_.rollbacks;
        current_.id.row = std::strtoll(r.value(0, 0).c_str(), nullptr, 10);
        current_.id.version = static_cast<int32_t>(std::strtol(r.value(0, 1).c_str(), nullptr, 10));
        current_.record.assign(rec, rec + decl_.recordSize);
    }
    return endWrite(savepoint, st);
}

Status ServerDriver::put() {
    if (open_ && current_.id.row == 0) return Status::error(kRecordNotAvailable);
    if (Status s = versionAfterRollback(); !s.ok()) return s;
    bool savepoint = false;
    if (Status s = beginWrite(savepoint); !s.ok()) return s;
    const uint8_t* rec = buffer_();
    std::vector<std::string> params{n(current_.id.row), n(current_.id.version)};
    std::string set;
    for (const auto* f : columns(decl_))
        set += ", " + quoted(f->name) + " = " + typedValue(*f, rec, params);
    const std::string sql = "UPDATE " + table_ + " SET \"kw_version\" = \"kw_version\" + 1" + set +
                            " WHERE \"kw_row\" = $1::bigint AND \"kw_version\" = $2::integer AND " +
                            writeGuards(decl_.label, "$1") + " RETURNING \"kw_version\"";
    Result r;
    Status st =
        changeRow([&](Status& s) { return session_.run(sql, params, s); }, current_.id.version, r);
    if (st.ok()) {
        current_.id.version = static_cast<int32_t>(std::strtol(r.value(0, 0).c_str(), nullptr, 10));
        current_.record.assign(rec, rec + decl_.recordSize);
    }
    return endWrite(savepoint, st);
}

// As in the flat files, a delete does not compare the record with the copy read.
Status ServerDriver::remove() {
    if (open_ && current_.id.row == 0) return Status::error(kRecordNotAvailable);
    bool savepoint = false;
    if (Status s = beginWrite(savepoint); !s.ok()) return s;
    const std::string sql = "DELETE FROM " + table_ + " WHERE \"kw_row\" = $1::bigint AND " +
                            writeGuards(decl_.label, "$1") + " RETURNING \"kw_row\"";
    Result r;
    Status st =
        changeRow([&](Status& s) { return session_.run(sql, {n(current_.id.row)}, s); }, 0, r);
    if (st.ok()) {
        if (held_ == current_.id.row) dropHold();
        current_ = Row{};
    }
    return endWrite(savepoint, st);
}

Status ServerDriver::hold() {
    if (!open_) return Status::error(kFileNotOpen);
    if (current_.id.row == 0) return Status::error(kRecordNotAvailable);
    if (held_ == current_.id.row && heldLink_ == session_.links) return Status::okay();
    dropHold();
    Status st;
    if (!tryHold(current_.id.row, st))
        return st.ok() ? Status::error(kRecordHeld, static_cast<uint32_t>(current_.id.row)) : st;
    held_ = current_.id.row;
    heldLink_ = session_.links;
    return Status::okay();
}

void ServerDriver::dropHold() {
    if (held_ && heldLink_ == session_.links)
        unlockOne(lockClass(decl_.label, kHolds), held_, false);
    held_ = 0;
}

Status ServerDriver::release() {
    if (!open_) return Status::error(kFileNotOpen);
    dropHold();
    return Status::okay();
}

// Waits for the advisory locks `locks` (the select list of one statement: its values
// come back in `r`, from column 1) with the server's lock_timeout set to `seconds` for
// the wait; inside the thread's transaction under a savepoint, so that a wait in vain
// leaves the transaction sound. A wait in vain (the time limit, or the server's
// deadlock check) is 32.
Status ServerDriver::waitForLocks(const std::string& locks, int seconds, Result& r) {
    // The timeout is set and set back by the statement itself: a failure takes the first
    // setting back with its transaction.
    const std::string sql = "SELECT set_config('lock_timeout', '" + n(int64_t{seconds} * 1000) +
                            "ms', false), " + locks + ", set_config('lock_timeout', '10s', false)";
    // The lock timeout, or the deadlock check: 32; any other failure as it is.
    auto inVain = [](const std::string& state, Status st) {
        return state == "55P03" || state == "40P01" ? Status::error(kFileLocked) : st;
    };
    Status st;
    if (!session_.inTransaction) {
        r = session_.run(sql, {}, st);
        if (st.ok() || session_.transactionLost) return st;
        return inVain(r.state(), st);
    }
    session_.savepointOpen = true;
    r = session_.run("SAVEPOINT kw_lock; " + sql, {}, st);
    if (st.ok()) st = session_.exec("RELEASE SAVEPOINT kw_lock");
    session_.savepointOpen = false;
    if (st.ok() || session_.transactionLost) return st;
    if (Status back = session_.exec("ROLLBACK TO SAVEPOINT kw_lock; RELEASE SAVEPOINT kw_lock");
        !back.ok())
        return back;
    return inVain(r.state(), st);
}

// Desks that wait for the file lock queue up for their turn on the server (key 1 of the
// file lock's class), since a lock polled lies idle for up to the poll's pause after
// its holder lets go: four desks issuing loans took turns at a third of the pace. The
// turn is kept with the lock and both are given back together, so the next desk in the
// queue finds the file free the moment it gets its turn. The file lock itself (key 0) is
// never waited for in the queue: a write of another desk tries it shared for a moment,
// and a waiting request in the server's queue would refuse that try.
Status ServerDriver::lock(int seconds) {
    if (!open_) return Status::error(kFileNotOpen);
    if (fileLocked_) return Status::okay();
    if (!writable_) return Status::error(kAccessDenied);
    const int32_t cls = lockClass(decl_.label, kFileLock);
    Status st;
    if (seconds <= 0) {
        if (!tryLock(cls, 0, false, 0, st)) return st.ok() ? Status::error(kFileLocked) : st;
        fileLocked_ = true;
        return Status::okay();
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    Result r;
    st = waitForLocks(
        "pg_advisory_lock(" + n(cls) + ", 1), pg_try_advisory_lock(" + n(cls) + ", 0)", seconds, r);
    if (!st.ok()) return st;
    // Taken out of turn only by a desk that tried once, or tried shared by a write.
    if (r.value(0, 2) != "t") {
        const auto left = std::chrono::duration_cast<std::chrono::seconds>(
            until - std::chrono::steady_clock::now());
        if (!tryLock(cls, 0, false, std::max<int>(0, static_cast<int>(left.count())), st)) {
            unlockOne(cls, 1, false);
            return st.ok() ? Status::error(kFileLocked) : st;
        }
    }
    fileLocked_ = true;
    queued_ = true;
    return Status::okay();
}

void ServerDriver::dropFileLock() {
    const std::string cls = n(lockClass(decl_.label, kFileLock));
    if (fileLocked_)
        giveBack("pg_advisory_unlock(" + cls + ", 0)" +
                 (queued_ ? ", pg_advisory_unlock(" + cls + ", 1)" : ""));
    fileLocked_ = false;
    queued_ = false;
}

Status ServerDriver::unlock() {
    if (!open_) return Status::error(kFileNotOpen);
    dropFileLock();
    return Status::okay();
}

// The table's writer class taken for the transaction, as the flat files' transaction
// keeps their writer's lock: one desk's transaction in the table at a time, so that what
// it reads inside is what it writes over (a counter read and written back loses no
// other desk's amount, a journal's last entry stays the last until the next is added).
// With it the file lock's class shared: no other desk locks the file meanwhile.
// The desk waits in the server's lock queue, so that the lock passes to it the moment
// the desk before lets go (polled, it lay idle for up to the poll's pause while four
// desks took turns); the wait runs under a savepoint with the desk's time limit, and a
// wait in vain (the limit, or the server's deadlock check between two desks' tables)
// rolls back to it and leaves the transaction sound (32). Without time to wait: one try.
Status ServerDriver::joinTransaction(int seconds) {
    if (!open_) return Status::error(kFileNotOpen);
    if (!writable_) return Status::error(kAccessDenied);
    const std::string file = n(lockClass(decl_.label, kFileLock));
    const std::string writer = n(lockClass(decl_.label, kWriter));
    Status st;
    if (seconds <= 0) {
        const std::string sql = "SELECT pg_try_advisory_xact_lock_shared(" + file +
                                ", 0) AND pg_try_advisory_xact_lock(" + writer + ", 0)";
        if (pollLock(sql, 0, st)) return Status::okay();
        return st.ok() ? Status::error(kFileLocked) : st;
    }
    Result r;
    return waitForLocks(
        "pg_advisory_xact_lock_shared(" + file + ", 0), pg_advisory_xact_lock(" + writer + ", 0)",
        seconds, r);
}

Status ServerDriver::lockRange(uint32_t slot, LockKind kind, int seconds) {
    if (!open_) return Status::error(kFileNotOpen);
    const bool shared = kind == LockKind::Shared;
    auto it = slots_.find(slot);
    if (it != slots_.end() && it->second == kind) return Status::okay();
    const int32_t cls = lockClass(decl_.label, kSlots);
    Status st;
    if (seconds <= 0) {
        if (!tryLock(cls, slot, shared, 0, st)) return st.ok() ? Status::error(kAccessDenied) : st;
    } else {
        // Waited for in the server's lock queue: the desks get the slot in the order they
        // asked, and a desk waiting for it exclusively holds off the shared takers that
        // come after it (the day's closing is not kept waiting by writes that overlap).
        Result r;
        st = waitForLocks(std::string(shared ? "pg_advisory_lock_shared(" : "pg_advisory_lock(") +
                              n(cls) + ", " + n(static_cast<int32_t>(slot)) + ")",
                          seconds, r);
        if (st.code == kFileLocked) return Status::error(kAccessDenied);
        if (!st.ok()) return st;
    }
    // A slot taken again in the other mode changes its mode, as a byte-range lock does.
    if (it != slots_.end()) unlockOne(cls, slot, it->second == LockKind::Shared);
    slots_[slot] = kind;
    return Status::okay();
}

void ServerDriver::dropSlot(uint32_t slot) {
    auto it = slots_.find(slot);
    if (it == slots_.end()) return;
    unlockOne(lockClass(decl_.label, kSlots), slot, it->second == LockKind::Shared);
    slots_.erase(it);
}

Status ServerDriver::unlockRange(uint32_t slot) {
    if (!open_) return Status::error(kFileNotOpen);
    dropSlot(slot);
    return Status::okay();
}

}  // namespace kw::storage::pg
