// Consistency between stations: locks, the journal protocol of a write, recovery and
// checkpoints, and reads that retry when a writer was at work meanwhile.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "storage/file_impl.h"

namespace kw::storage {

Status File::State::lockWait(uint64_t off, LockKind kind, int seconds, uint64_t len) {
    const int rc = lockWithin(dat.fs(), dat.handle(), off, len, kind, seconds);
    if (rc == EAGAIN) return Status::error(kAccessDenied);
    return rc == 0 ? Status::okay() : Status::system(kFileSystemError, rc);
}

void File::State::unlock(uint64_t off, uint64_t len) {
    dat.lock(off, len, LockKind::Unlock);
}

Status File::State::refresh() {
    const bool journal = log.isOpen();
    const uint32_t seq = journal ? log.sequence() : 1;
    if (journal && seq == seenSeq && !(seq & 1)) return Status::okay();
    Header h;
    Status s = readHeader(h);
    if (!s.ok()) return s;
    header = h;
    for (std::size_t k = 0; k < trees.size(); ++k) {
        s = trees[k].load();
        if (!s.ok()) {
            s.fileIndex = static_cast<int>(k + 1);
            return s;
        }
    }
    seenSeq = seq;
    return Status::okay();
}

Status File::State::readSlow(const std::function<Status()>& read) {
    if (!log.isOpen()) {
        Status s = refresh();
        return s.ok() ? read() : s;
    }
    // A writer is at work (or died at work): wait for it, or finish its work.
    Status s = lockWait(lockat::kOp, LockKind::Shared, recoverSeconds);
    if (!s.ok()) return s;
    if ((log.sequence() & 1) && writable && !writeHeld) {
        unlock(lockat::kOp);
        s = recoverStale();
        if (!s.ok()) return s;
        s = lockWait(lockat::kOp, LockKind::Shared, recoverSeconds);
        if (!s.ok()) return s;
    }
    s = refresh();
    if (s.ok()) s = read();
    unlock(lockat::kOp);
    return s;
}

Status File::State::finishDeadFrame(bool opHeld) {
    if (!log.isOpen() || !writable) return Status::okay();
    const uint32_t frame = log.openFrame();
    if (frame == 0 || frame == transaction) return Status::okay();
    if (!opHeld) {
        Status s = lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);
        if (!s.ok()) return s;
    }
    opHead = log.head();
    Status s = Status::okay();
    if (!(opHead.flags & kJournalFlagBulk)) {
        // Readers wait while the files are put back (an odd counter).
        opHead.sequence |= 1;
        s = log.writeSequence(opHead.sequence);
        if (s.ok()) s = recover();  // which takes the mark away
        if (s.ok()) {
            opHead.sequence += 1;
            s = log.writeHead(opHead);
        }
    }
    if (!opHeld) unlock(lockat::kOp);
    return s;
}

Status File::State::recoverStale() {
    Status s = lockWait(lockat::kWrite, LockKind::Exclusive, recoverSeconds);
    if (!s.ok()) return s;
    s = lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);
    if (!s.ok()) {
        unlock(lockat::kWrite);
        return s;
    }
    opHead = log.head();
    if (opHead.flags & kJournalFlagBulk) {
        if (!bulk) s = bulkWriterDied(true, true);
    } else if (opHead.sequence & 1) {
        s = recover();
        if (s.ok()) {
            opHead.sequence += 1;
            s = log.writeHead(opHead);
        }
    }
    if (s.ok()) s = finishDeadFrame(true);
    unlock(lockat::kOp);
    unlock(lockat::kWrite);
    return s;
}

Status File::State::writeFile(uint16_t file, uint64_t off, const uint8_t* p, std::size_t n) {
    MappedFile* f = nullptr;
    if (file == 0)
        f = &dat;
    else if (file <= keyFiles.size())
        f = &keyFiles[file - 1];
    if (!f || !f->isOpen()) return Status::error(kFileSystemError);
    int rc = f->write(p, n, off);
    if (rc != 0) {
        Status s = Status::system(kFileSystemError, rc);
        s.fileIndex = file == 0 ? -1 : file;
        return s;
    }
    return Status::okay();
}

Status File::State::syncFiles() {
    int rc = dat.sync();
    for (auto& k : keyFiles)
        if (rc == 0 && k.isOpen()) rc = k.sync();
    return rc == 0 ? Status::okay() : Status::system(kFileSystemError, rc);
}

Status File::State::checkpoint(bool mayPostpone, bool* postponed) {
    repairHolds();
    // Decisions over several tables that a table still needs go on into the new
    // generation (frame_commit.cpp). Between the new head and their records a station
    // that dies loses them, and a table's recovery that looks meanwhile does not find
    // them: where it can wait, the journal keeps its generation until the tables that
    // need them have settled their part (at their next write), and grows meanwhile.
    const auto carried = decisionsStillNeeded();
    if (mayPostpone && !carried.empty()) {
        if (postponed) *postponed = true;
        return Status::okay();
    }
    Status s = syncFiles();
    if (!s.ok()) return s;
    opHead.generation += 1;
    opHead.end = kJournalStart;
    // The flag stays while any station writes without journal.
    if (!bulk && !dat.lockedByOther(lockat::kBulk, 1, LockKind::Exclusive))
        opHead.flags &= ~kJournalFlagBulk;
    s = log.writeHead(opHead);
    if (s.ok()) s = log.sync();
    for (const auto& [txn, note] : carried) {
        uint64_t next = 0;
        if (s.ok())
            s = log.append(opHead.end, opHead.generation, RecordKind::Commit, txn, {}, next, true,
                           note);
        if (s.ok()) opHead.end = next;
    }
    if (s.ok() && !carried.empty()) s = log.writeHead(opHead);
    return s;
}

Status File::State::closeSettled(const ReplayFrames& frames) {
    auto close = [&](RecordKind kind, uint32_t txn) {
        uint64_t next = 0;
        Status s = log.append(opHead.end, opHead.generation, kind, txn, {}, next, true);
        if (s.ok()) opHead.end = next;
        return s;
    };
    Status s = Status::okay();
    for (uint32_t txn : frames.undone)
        if (s.ok()) s = close(RecordKind::Abort, txn);
    for (uint32_t txn : frames.kept)
        if (s.ok()) s = close(RecordKind::Commit, txn);
    if (s.ok() && !(frames.undone.empty() && frames.kept.empty())) s = log.writeHead(opHead);
    return s;
}

Status File::State::recover() {
    uint64_t end = 0;
    ReplayFrames frames;
    frames.live = transaction;
    frames.committedAt = [this](uint32_t txn, const std::string& coordinator) {
        return committedAt(*sh->fs, framePath(coordinator, sh->base), txn);
    };
    Status s = log.replay(
        opHead.generation,
        [this](uint16_t f, uint64_t off, const uint8_t* p, std::size_t n) {
            return writeFile(f, off, p, n);
        },
        end, &frames);
    if (!s.ok()) return s;
    // A dead station may have written records past the end the counters tell: what
    // this station appends next goes after them.
    opHead.end = end;
    // Inside the station's own transaction the journal keeps its undo images: no
    // checkpoint until it ends. What the replay settled is closed in the journal, so
    // that a later replay of the generation does not undo it again over newer writes.
    if (transaction != 0) {
        seenSeq = 1;
        return closeSettled(frames);
    }
    bool postponed = false;
    s = checkpoint(true, &postponed);
    if (s.ok() && postponed) s = closeSettled(frames);
    if (!s.ok()) return s;
    // Under the writers' lock no other station's transaction is alive: one named in the
    // counters was a dead station's, and the replay has settled it.
    if (log.openFrame() != 0) {
        s = log.writeFrame(0);
        if (!s.ok()) return s;
    }
    seenSeq = 1;  // read everything again
    return Status::okay();
}

Status File::State::beginWrite() {
    if (!open) return Status::error(kFileNotOpen);
    if (bulkSession) {
        Status e = endBulkSession();
        if (!e.ok()) return e;
    }
    if (!writable) return Status::error(kAccessDenied);
    if (!log.isOpen()) return Status::error(kUnableToLogTransaction);
    // The writer's lock and the apply lock are neighbours: one call takes both.
    Status s = Status::okay();
    if (!writeHeld) {
        if (dat.lock(lockat::kWrite, 2, LockKind::Exclusive) != 0) {
            if (dat.lockedByOther(lockat::kFile, 1, LockKind::Shared))
                return Status::error(kFileLocked);
            s = lockWait(lockat::kWrite, LockKind::Exclusive, recoverSeconds, 2);
            if (!s.ok())
                return dat.lockedByOther(lockat::kFile, 1, LockKind::Shared)
                           ? Status::error(kFileLocked)
                           : s;
        }
    } else {
        s = lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);
        if (!s.ok()) return s;
    }
    opHead = log.head();
    if (!bulk) {
        s = bulkWriterDied((opHead.flags & kJournalFlagBulk) != 0, true);
        if (!s.ok()) {
            releaseWriteLocks();
            return s;
        }
    }
    if (opHead.sequence & 1) s = recover();
    if (s.ok()) s = finishDeadFrame(true);
    if (!s.ok()) {
        releaseWriteLocks();
        return s;
    }
    if (!durable && !bulk && transaction == 0) {
        s = enterBulk();
        if (!s.ok()) {
            releaseWriteLocks();
            return s;
        }
    }
    // Under the write lock the files can only change by this station's hand: read
    // the header and key heads afresh. The journal counter is raised only when the
    // first change is about to be applied, so a refused write changes no byte.
    marked = false;
    s = refresh();
    if (!s.ok()) {
        abortWrite();
        return s;
    }
    return Status::okay();
}

Status File::State::markWriting() {
    if (marked) return Status::okay();
    opHead.sequence |= 1;
    Status s = log.writeSequence(opHead.sequence);
    if (s.ok()) marked = true;
    return s;
}

void File::State::releaseWriteLocks() {
    if (writeHeld)
        unlock(lockat::kOp);
    else
        unlock(lockat::kWrite, 2);
}

void File::State::abortWrite() {
    for (auto& t : trees) (void)t.discard();
    // After a failed apply the odd counter stays, so the next writer recovers.
    if (marked && !applyFailed) {
        opHead.sequence += 1;
        (void)log.writeHead(opHead);
    }
    marked = false;
    applyFailed = false;
    seenSeq = 1;
    releaseWriteLocks();
}

// Zeros past the end of every file that a change reaches beyond it, so that applying the
// changes needs no more disk space: a full disk then refuses the write here, before its
// commit point, and nothing of it is stored. The zeros lie past the last slot and past the
// key files' blocks in use, where no reader looks; the next adds write over them.
Status File::State::reserveRoom(const std::vector<Change>& changes) {
    std::vector<uint64_t> end(keyFiles.size() + 1, 0);
    for (const auto& c : changes)
        if (c.file < end.size()) end[c.file] = std::max(end[c.file], c.offset + c.bytes.size());
    for (std::size_t f = 0; f < end.size(); ++f) {
        MappedFile& m = f == 0 ? dat : keyFiles[f - 1];
        if (end[f] == 0 || !m.isOpen()) continue;
        if (end[f] > m.size() && m.refresh() != 0) return Status::error(kFileSystemError);
        if (end[f] <= m.size()) continue;
        const std::vector<uint8_t> zeros(end[f] - m.size(), 0);
        Status s = writeFile(static_cast<uint16_t>(f), m.size(), zeros.data(), zeros.size());
        if (!s.ok()) return s;
    }
    return Status::okay();
}

// Takes back a journal record that is not committed after all: its first bytes zeroed on
// the disk, so that no recovery replays it.
Status File::State::withdrawRecord(uint64_t at) {
    const uint8_t zero[4] = {0, 0, 0, 0};
    const int rc = log.file().write(zero, 4, at);
    if (rc != 0) return Status::system(kFileSystemError, rc);
    return log.sync();
}

namespace {

// The bytes a change replaces, kept for its undo. The room is reserved before: they are
// in the file and are copied at once; a byte past its end (none is) stays zero.
void copyReplaced(Change& c, MappedFile& f) {
    c.before.assign(c.bytes.size(), 0);
    if (c.bytes.empty()) return;
    if (f.have(c.offset, c.bytes.size())) {
        std::memcpy(c.before.data(), f.at(c.offset), c.bytes.size());
        return;
    }
    for (std::size_t i = 0; i < c.bytes.size(); ++i)
        if (f.have(c.offset + i, 1)) c.before[i] = *f.at(c.offset + i);
}

}  // namespace

Status File::State::commitWrite(std::vector<Change>& changes) {
    const bool journal = durable || transaction != 0;
    if (journal) {
        Status room = reserveRoom(changes);
        if (!room.ok()) return room;
        if (transaction != 0) {
            for (auto& c : changes) copyReplaced(c, c.file == 0 ? dat : keyFiles[c.file - 1]);
            // Marked before its first record: a station that finds the mark and not the
            // writers' lock knows this one died inside the transaction.
            if (!frameMarked) {
                Status m = log.writeFrame(transaction);
                if (!m.ok()) return m;
                frameMarked = true;
            }
        }
        uint64_t next = 0;
        recordStart = opHead.end;
        // A deciding record (File::addAndCommit) commits the transaction over several
        // tables with its changes: it names the other tables, as a coordinator's commit.
        const RecordKind kind = transaction == 0   ? RecordKind::Op
                                : deciding.empty() ? RecordKind::TxOp
                                                   : RecordKind::Commit;
        Status s = log.append(opHead.end, opHead.generation, kind, transaction, changes, next, true,
                              transaction == 0             ? std::string()
                              : kind == RecordKind::Commit ? deciding
                                                           : frameCoordinator);
        if (!s.ok()) {
            // Not committed: make sure no later recovery takes the record for one. Should
            // even that fail, the record may be whole on the disk: the write is reported
            // as done, and finished by the next recovery (the counter stays odd).
            if (!withdrawRecord(opHead.end).ok() &&
                log.liveRecordAt(opHead.end, opHead.generation) != 0) {
                opHead.end = opHead.end + log.liveRecordAt(opHead.end, opHead.generation);
                if (markWriting().ok()) {
                    if (transaction != 0) undo.push_back(changes);
                    applyFailed = true;
                    return Status::okay();
                }
            }
            return s;
        }
        opHead.end = next;
        if (transaction != 0) undo.push_back(changes);
    }
    Status m = markWriting();
    if (!m.ok()) {
        // Not a byte of the files changed: take the record back, the write failed. A
        // record that cannot be taken back stays committed: the write goes on and is done.
        if (!journal) return m;
        if (withdrawRecord(recordStart).ok() ||
            log.liveRecordAt(recordStart, opHead.generation) == 0) {
            opHead.end = recordStart;
            if (transaction != 0) undo.pop_back();
            return m;
        }
    }
    for (const auto& c : changes) {
        Status s = writeFile(c.file, c.offset, c.bytes.data(), c.bytes.size());
        if (!s.ok()) {
            if (!journal) return s;
            // The operation is committed in the journal (its commit point is passed): it
            // is done, and reported so. Finish it from there now, or leave the counter odd
            // so that the next reader or writer finishes it.
            if (!recover().ok()) applyFailed = true;
            break;
        }
    }
    return Status::okay();
}

// What the journal's room asks for with its records ending where `h` says.
File::State::RoomNeed File::State::roomNeed(const JournalHead& h) {
    const uint64_t room = std::max(log.file().size(), kJournalPreallocated);
    if (h.end + kJournalSlack > room) return RoomNeed::Room;
    if (room >= kJournalLimit && h.end > room / 2 && writebackAsked != h.generation)
        return RoomNeed::Writeback;
    return RoomNeed::None;
}

// Records stay inside the journal's room: it grows once, then checkpoints. Under the
// writers' and the apply lock, with opHead as the journal's head.
void File::State::keepRoom() {
    const RoomNeed need = roomNeed(opHead);
    if (need == RoomNeed::Room) {
        const uint64_t room = std::max(log.file().size(), kJournalPreallocated);
        const bool waiting =
            postponedIn == opHead.generation && opHead.end < postponedAt + kJournalSlack;
        // A checkpoint put off for another table (checkpoint) is asked again once the
        // journal has grown by its slack, not at every write.
        bool postponed = false;
        if (!waiting && (room >= kJournalLimit || !log.grow(kJournalLimit).ok()))
            (void)checkpoint(true, &postponed);
        if (postponed) {
            postponedIn = opHead.generation;
            postponedAt = opHead.end;
        }
    } else if (need == RoomNeed::Writeback) {
        // Halfway to the checkpoint the files start going to the disk in the
        // background, so that its syncs find little left to write.
        writebackAsked = opHead.generation;
        dat.startWriteback();
        for (auto& k : keyFiles) k.startWriteback();
    }
}

// After this table's part of a transaction has ended in a commit: the room is kept as
// after a write of its own, so that a table written only in transactions (the audit
// journal) checkpoints as often as any other.
void File::State::keepRoomAfterTransaction() {
    if (!writeHeld || bulk || !log.isOpen()) return;
    // A look without the lock first: most transactions leave the journal room enough.
    if (roomNeed(log.head()) == RoomNeed::None) return;
    if (!lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds).ok()) return;
    opHead = log.head();
    if (!(opHead.sequence & 1)) keepRoom();
    unlock(lockat::kOp);
}

Status File::State::endWrite() {
    if (applyFailed) {
        // Committed but not yet in the files: the odd counter sends the next reader or
        // writer to the journal; this station reads everything again.
        // Pending key blocks are dropped; a head that cannot be read is read again at
        // the next use all the same (seenSeq).
        for (auto& t : trees)
            if (!t.discard().ok()) break;
        applyFailed = false;
        marked = false;
        seenSeq = 1;
        releaseWriteLocks();
        return Status::okay();
    }
    if (!marked) {
        releaseWriteLocks();
        return Status::okay();
    }
    marked = false;
    // The operation is done. Should the head not be written, the counter stays odd and
    // the next writer replays the journal, which changes nothing that is not so already.
    opHead.sequence += 1;
    Status s = log.writeHead(opHead);
    seenSeq = s.ok() ? opHead.sequence : 1;
    if (s.ok() && transaction == 0 && !bulk) keepRoom();
    releaseWriteLocks();
    return Status::okay();
}

// The journal's bulk flag and the bulk lock of the stations that write without journal
// change only under the apply lock, and in an order that never shows the flag without
// a lock while a bulk writer lives: the lock is taken before the flag is raised, and
// the flag is lowered before the lock is let go.
Status File::State::enterBulk() {
    Status s = checkpoint();
    if (!s.ok()) return s;
    const int rc = dat.lock(lockat::kBulk, 1, LockKind::Shared);
    if (rc != 0) return Status::system(kFileSystemError, rc);
    opHead.flags |= kJournalFlagBulk;
    s = log.writeHead(opHead);
    if (s.ok()) s = log.sync();
    if (!s.ok()) {
        unlock(lockat::kBulk);
        return s;
    }
    bulk = true;
    return Status::okay();
}

Status File::State::leaveBulk() {
    if (!bulk) return Status::okay();
    Status s = settle();
    if (!s.ok()) return s;
    if (!writeHeld) s = lockWait(lockat::kWrite, LockKind::Exclusive, recoverSeconds);
    if (!s.ok()) return s;
    s = lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);
    if (!s.ok()) {
        if (!writeHeld) unlock(lockat::kWrite);
        return s;
    }
    bulk = false;
    opHead = log.head();
    // The last station out of bulk mode lowers the flag (its checkpoint syncs the
    // files); the others sync the files and leave the flag up.
    if (!dat.lockedByOther(lockat::kBulk, 1, LockKind::Exclusive)) {
        s = checkpoint();
    } else {
        s = syncFiles();
    }
    unlock(lockat::kBulk);
    releaseWriteLocks();
    return s;
}

Status File::State::bulkWriterDied(bool flagUp, bool underApplyLock) {
    auto noBulkLock = [&] { return !dat.lockedByOther(lockat::kBulk, 1, LockKind::Exclusive); };
    if (!flagUp || !noBulkLock()) return Status::okay();
    if (underApplyLock) return Status::error(kKeyFileMustBeRebuilt);
    // Flag and lock were read at two moments: a bulk writer may have ended between them
    // (or another begun). Under the apply lock they hold still.
    Status s = lockWait(lockat::kOp, LockKind::Shared, recoverSeconds);
    if (!s.ok()) return s;
    const bool dead = (log.head().flags & kJournalFlagBulk) && noBulkLock();
    unlock(lockat::kOp);
    return dead ? Status::error(kKeyFileMustBeRebuilt) : Status::okay();
}

}  // namespace kw::storage

namespace kw::storage {

Status File::State::beginBulkSession() {
    Status s = beginWrite();  // locks, recovery, bulk flag, fresh header
    if (!s.ok()) return s;
    s = markWriting();
    if (!s.ok()) {
        abortWrite();
        return s;
    }
    bulkSession = true;
    appendBuf.clear();
    appendFirst = 0;
    return Status::okay();
}

Status File::State::writeAppended() {
    if (appendBuf.empty()) return Status::okay();
    Status s = writeFile(0, slotOffset(appendFirst), appendBuf.data(), appendBuf.size());
    appendBuf.clear();
    appendFirst = 0;
    return s;
}

Status File::State::flushBulk() {
    Status s = writeAppended();
    // Key blocks in block order, neighbours in one write.
    for (std::size_t k = 0; k < trees.size() && s.ok(); ++k) {
        auto blocks = trees[k].takeChanges();
        std::vector<uint8_t> run;
        uint32_t runStart = 0, prev = 0;
        auto put = [&]() {
            if (!run.empty() && s.ok())
                s = writeFile(static_cast<uint16_t>(k + 1), uint64_t{runStart} * kBlockSize,
                              run.data(), run.size());
            run.clear();
        };
        for (auto& [n, b] : blocks) {
            if (run.empty() || n != prev + 1) {
                put();
                runStart = n;
            }
            run.insert(run.end(), b.begin(), b.end());
            prev = n;
        }
        put();
    }
    if (s.ok()) {
        std::vector<Change> hc;
        (void)headerChange(hc);
        s = writeFile(0, 0, hc[0].bytes.data(), kHeaderSize);
    }
    return s;
}

Status File::State::endBulkSession() {
    bulkSession = false;
    Status s = flushBulk();
    if (!s.ok()) {
        // The files are part written: the odd counter and the bulk flag stay, so the
        // keys are rebuilt before the table is used again.
        for (auto& t : trees) (void)t.discard();
        applyFailed = true;
        abortWrite();
        return s;
    }
    return endWrite();
}

}  // namespace kw::storage
