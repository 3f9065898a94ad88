// Whole-file locks, transactions and driver strings.
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "runtime/codepage.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

std::atomic<uint32_t> g_txnCounter{0};

uint32_t newTransactionId() {
    uint32_t id = (static_cast<uint32_t>(::getpid()) << 12) ^ ++g_txnCounter;
    return id == 0 ? 1 : id;
}

bool truthy(const std::string& v) {
    return v == "ON" || v == "1" || v == "TRUE" || v == "YES";
}

}  // namespace

Status File::lock(int seconds) {
    return called(FileFunction::Lock, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->lock(seconds));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (s.fileLocked) return finish(s, Status::okay());
        if (!s.writable) return finish(s, Status::error(kAccessDenied));
        if (Status e = s.settle(); !e.ok()) return finish(s, e);
        Status st = s.lockWait(lockat::kFile, LockKind::Exclusive, seconds);
        if (!st.ok()) return finish(s, st.code == kAccessDenied ? Status::error(kFileLocked) : st);
        if (!s.writeHeld) {
            st = s.lockWait(lockat::kWrite, LockKind::Exclusive, seconds);
            if (!st.ok()) {
                s.unlock(lockat::kFile);
                return finish(s, st.code == kAccessDenied ? Status::error(kFileLocked) : st);
            }
        }
        if (st = s.finishDeadFrame(false); !st.ok()) {
            if (!s.writeHeld) s.unlock(lockat::kWrite);
            s.unlock(lockat::kFile);
            return finish(s, st);
        }
        s.fileLocked = true;
        s.writeHeld = true;
        return finish(s, Status::okay());
    });
}

Status File::unlock() {
    return called(FileFunction::Lock, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->unlock());
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (!s.fileLocked) return finish(s, Status::okay());
        s.unlock(lockat::kFile);
        s.fileLocked = false;
        if (s.transaction == 0) {
            s.unlock(lockat::kWrite);
            s.writeHeld = false;
        }
        return finish(s, Status::okay());
    });
}

Status File::logout(int seconds, const std::vector<File*>& files) {
    // Tables kept by another back end begin its transaction (all of them there).
    if (Backend* b = registeredBackend(); b && !files.empty() && files[0]->state().server) {
        for (File* f : files)
            if (!f->state().server || !f->state().server->isOpen())
                return finish(f->state(), Status::error(kFileNotOpen));
        if (Status st = b->begin(seconds); !st.ok()) return finish(files[0]->state(), st);
        for (File* f : files) {
            if (Status st = f->state().server->joinTransaction(seconds); !st.ok()) {
                (void)b->rollback();
                return finish(f->state(), st);
            }
        }
        return finish(files[0]->state(), Status::okay());
    }
    Transaction& t = threadTransaction();
    if (!t.files.empty()) {
        if (!files.empty()) return finish(files[0]->state(), Status::error(kLogoutAlreadyActive));
        return Status::error(kLogoutAlreadyActive);
    }
    const uint32_t id = newTransactionId();
    Status result = Status::okay();
    for (File* f : files) {
        State& s = f->state();
        if (Status e = s.settle(); !e.ok())
            result = e;
        else if (!s.open)
            result = Status::error(kFileNotOpen);
        else if (!s.writable)
            result = Status::error(kAccessDenied);
        else if (!s.writeHeld) {
            Status st = s.lockWait(lockat::kWrite, LockKind::Exclusive, seconds);
            if (!st.ok()) result = st.code == kAccessDenied ? Status::error(kFileLocked) : st;
        }
        // A transaction left open by a station that died is undone before this one
        // begins (and marks the table as its own at its first write).
        if (result.ok()) result = s.finishDeadFrame(false);
        if (!result.ok()) {
            if (!s.writeHeld) s.unlock(lockat::kWrite);
            // Give back what was taken so far.
            for (auto& [sh, st] : t.files) {
                st->transaction = 0;
                if (!st->fileLocked) {
                    st->unlock(lockat::kWrite);
                    st->writeHeld = false;
                }
            }
            t.files.clear();
            return finish(s, result);
        }
        s.writeHeld = true;
        s.transaction = id;
        s.undo.clear();
        t.files.emplace_back(f->shared_, &s);
    }
    // The other tables' records of the transaction name the last table, whose commit
    // decides it for all: the table written last (the audit journal of a change) can
    // carry the decision in its own record (File::addAndCommit).
    for (std::size_t i = 0; i + 1 < t.files.size(); ++i)
        t.files[i].second->frameCoordinator =
            frameName(t.files.back().second->sh->base, t.files[i].second->sh->base);
    if (!t.files.empty()) t.files.back().second->frameCoordinator.clear();
    t.id = id;
    if (!files.empty()) (void)finish(files[0]->state(), Status::okay());
    return Status::okay();
}

Status File::snapshot(const std::vector<File*>& files) {
    Backend* b = registeredBackend();
    if (!b || files.empty() || !files[0]->state().server)
        return Status::error(kUnsupportedFunction);
    for (File* f : files)
        if (!f->state().server || !f->state().server->isOpen())
            return finish(f->state(), Status::error(kFileNotOpen));
    return finish(files[0]->state(), b->beginSnapshot());
}

// Writes a commit or abort record for the state's transaction and ends it there; with
// `decision` the commit of a coordinator, naming the other tables, that leaves the
// transaction, its mark and its locks in place until they have their commits. Without
// `durable` the record may still be on its way to the disk when the call returns (a
// table whose coordinator decided: frame_commit.cpp).
Status closeTransaction(File::State& s, RecordKind kind, const std::string& decision,
                        bool durable) {
    if (s.transaction == 0) return Status::okay();  // already ended (closed file)
    Status st = s.lockWait(lockat::kOp, LockKind::Exclusive, s.recoverSeconds);
    if (!st.ok()) return st;
    s.opHead = s.log.head();
    if (kind == RecordKind::Abort) {
        s.opHead.sequence |= 1;
        st = s.log.writeSequence(s.opHead.sequence);
        for (auto it = s.undo.rbegin(); it != s.undo.rend() && st.ok(); ++it)
            for (auto c = it->rbegin(); c != it->rend() && st.ok(); ++c)
                st = s.writeFile(c->file, c->offset, c->before.data(), c->before.size());
    }
    uint64_t next = 0;
    if (st.ok())
        st = s.log.append(s.opHead.end, s.opHead.generation, kind, s.transaction, {}, next, durable,
                          decision);
    if (st.ok()) {
        s.opHead.end = next;
        if (s.opHead.sequence & 1) s.opHead.sequence += 1;
        st = s.log.writeHead(s.opHead);
    }
    // Once the record is written the transaction is closed for every station; a mark
    // that stays (a failed write) only makes the next writer read the journal again.
    if (st.ok() && decision.empty() && s.frameMarked) (void)s.log.writeFrame(0);
    if (kind == RecordKind::Abort && st.ok()) s.rereadCurrent();
    s.seenSeq = 1;
    s.unlock(lockat::kOp);
    if (!st.ok()) return st;
    if (decision.empty()) {
        if (kind == RecordKind::Commit) s.keepRoomAfterTransaction();
        leaveTransaction(s);
    }
    return Status::okay();
}

void leaveTransaction(File::State& s) {
    s.transaction = 0;
    s.undo.clear();
    s.frameCoordinator.clear();
    s.frameMarked = false;
    if (!s.fileLocked) {
        s.unlock(lockat::kWrite);
        s.writeHeld = false;
    }
}

Status File::commit() {
    if (Backend* b = registeredBackend(); b && b->inTransaction()) return b->commit();
    Transaction& t = threadTransaction();
    if (t.files.empty()) return Status::error(kLogoutNotActive);
    if (t.files.size() > 1) return commitFrame(t);
    while (!t.files.empty()) {
        File::State* s = t.files.front().second;
        Status st = closeTransaction(*s, RecordKind::Commit);
        if (!st.ok()) return finish(*s, Status::error(kUnableToLogTransaction));
        t.files.erase(t.files.begin());
    }
    return Status::okay();
}

Status File::addAndCommit() {
    if (Backend* b = registeredBackend(); b && b->inTransaction()) {
        Status st = add();
        return st.ok() ? b->commit() : st;
    }
    Transaction& t = threadTransaction();
    if (t.files.empty()) return add();
    State& s = state();
    if (t.files.size() < 2 || t.files.back().second != &s || s.transaction == 0) {
        Status st = add();
        return st.ok() ? commit() : st;
    }
    s.deciding = decisionNote(t);
    Status st = add();
    s.deciding.clear();
    // A failed add wrote no decision: the transaction is still open for the rollback.
    if (!st.ok()) return st;
    return commitFrame(t, true);
}

Status File::rollback() {
    if (Backend* b = registeredBackend(); b && b->inTransaction()) return b->rollback();
    Transaction& t = threadTransaction();
    if (t.files.empty()) return Status::error(kLogoutNotActive);
    Status result = Status::okay();
    for (auto it = t.files.rbegin(); it != t.files.rend(); ++it) {
        File::State* s = it->second;
        Status st = closeTransaction(*s, RecordKind::Abort);
        if (!st.ok()) result = finish(*s, Status::error(kUnableToRollback));
        // Whatever happened, the files leave the transaction; an abort that did not
        // reach the journal is undone by the recovery of the next writer.
        leaveTransaction(*s);
    }
    t.files.clear();
    return result;
}

std::string File::send(std::string_view option) {
    FileCallback* cb = shared_->callback.load(std::memory_order_acquire);
    if (cb) cb->FunctionCalled(FileFunction::Send);
    State& s = state();
    std::string answer;
    if (s.server) {
        Status st;
        answer = s.server->send(option, st);
        (void)finish(s, st);
    } else {
        answer = sendOption(option);
    }
    if (cb) cb->FunctionDone(FileFunction::Send, state().last.code);
    return answer;
}

std::string File::sendOption(std::string_view option) {
    State& s = state();
    const std::string o = cp::upper(option);
    const auto eq = o.find('=');
    std::string name = o.substr(0, eq), value = eq == std::string::npos ? "" : o.substr(eq + 1);
    auto trim = [](std::string& x) {
        while (!x.empty() && x.back() == ' ') x.pop_back();
        while (!x.empty() && x.front() == ' ') x.erase(x.begin());
    };
    trim(name);
    trim(value);
    const bool set = eq != std::string::npos;
    auto onOff = [](bool b) { return std::string(b ? "ON" : "OFF"); };
    auto sw = [&](bool& flag) {
        (void)finish(s, Status::okay());
        if (set) {
            flag = truthy(value);
            return std::string();
        }
        return onOff(flag);
    };
    if (name == "IGNORESTATUS") return sw(s.ignoreStatus);
    if (name == "IGNORECORRUPTIONS") return sw(s.ignoreCorruptions);
    if (name == "MAINTAINHEADERTIME") return sw(s.maintainHeaderTime);
    if (name == "QUICKSCAN") return sw(s.quickScan);
    if (name == "RECOVER") {
        (void)finish(s, Status::okay());
        if (!set) return std::to_string(s.recoverSeconds);
        s.recoverSeconds = std::max(0, std::atoi(value.c_str()));
        return std::string();
    }
    if (name == "DELETED" || name == "HELD") {
        if (!s.open) {
            (void)finish(s, Status::error(kFileNotOpen));
            return std::string();
        }
        if (s.current == 0) {
            (void)finish(s, Status::error(kRecordNotAvailable));
            return std::string();
        }
        bool on = false;
        Status st = s.readStable([&] {
            const uint8_t* p = s.slot(s.current);
            if (!p) return Status::error(kRecordNotAvailable, s.current);
            // Holds are locks here; a held bit on disk may be left by a station that died.
            on = name == "DELETED" ? (p[0] & kSlotDeleted) != 0
                                   : s.held == s.current || s.heldByOther(s.current);
            return Status::okay();
        });
        (void)finish(s, st);
        return st.ok() ? onOff(on) : std::string();
    }
    (void)finish(s, Status::error(kUnsupportedFunction));
    return std::string();
}

}  // namespace kw::storage
