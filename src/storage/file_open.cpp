// Opening and closing a table's files.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

Status openError(int err) {
    return Status::system(codeFromErrno(err), err);
}

// Takes the sharing locks of an open and checks them against the other opens.
bool takeShareLocks(MappedFile& dat, int mode) {
    const int access = mode & 0x0F, share = mode & 0xF0;
    const bool reads = access != kAccessWrite, writes = access != kAccessRead;
    const bool denyRead = share == kDenyAll || share == kDenyRead;
    const bool denyWrite = share == kDenyAll || share == kDenyWrite || share == kShareCompat;
    auto take = [&](bool on, uint64_t at) { return !on || dat.lock(at, 1, LockKind::Shared) == 0; };
    if (!take(true, lockat::kPresence) || !take(reads, lockat::kUseRead) ||
        !take(writes, lockat::kUseWrite) || !take(denyRead, lockat::kDenyRead) ||
        !take(denyWrite, lockat::kDenyWrite))
        return false;
    auto other = [&](bool on, uint64_t at) {
        return on && dat.lockedByOther(at, 1, LockKind::Exclusive);
    };
    return !(other(reads, lockat::kDenyRead) || other(writes, lockat::kDenyWrite) ||
             other(denyRead, lockat::kUseRead) || other(denyWrite, lockat::kUseWrite));
}

}  // namespace

int createErrorCode(int err) {
    // A full disk is told as such (the system's text), not as a refused access.
    if (err == ENOSPC || err == EDQUOT) return kFileSystemError;
    int c = codeFromErrno(err);
    return c >= 19 ? kAccessDenied : c;
}

File::State::State(std::shared_ptr<Shared> s) : sh(std::move(s)) {}

File::State::~State() {
    if (open) (void)close();
}

uint8_t* File::State::buffer() {
    if (sh->decl.buffer) return static_cast<uint8_t*>(sh->decl.buffer());
    if (ownBuffer.size() != sh->decl.recordSize) ownBuffer.assign(sh->decl.recordSize, 0);
    return ownBuffer.data();
}

// The header's 85 bytes from the map, deciphered and their check sum checked; nothing
// compared with the rest of the file.
Status File::State::decodeHeaderBytes(Header& h) {
    if (!dat.have(0, kHeaderSize)) return Status::error(kInvalidDataFile);
    uint8_t b[kHeaderSize];
    std::memcpy(b, dat.at(0), kHeaderSize);
    if (le::get16(b) != kSignature) return Status::error(kNotThisFormat);
    if (le::get16(b + 2) & kAttrOwner) {
        if (!sh->owned) return Status::error(kInvalidDataFile);
        cipher::apply(b + 4, kHeaderSize - 4, sh->cipherKey);
        const uint16_t check = le::get16(b + kHeaderCheckAt);
        le::put16(b + kHeaderCheckAt, 0);
        if (cipher::headerSum(b) != check) return Status::error(kInvalidDataFile);
    }
    h = decodeHeader(b);
    return Status::okay();
}

Status File::State::readHeader(Header& h) {
    damagedData = false;
    if (Status s = decodeHeaderBytes(h); !s.ok()) return s;
    const uint64_t end = h.dataOffset + uint64_t{h.records} * h.slotLength;
    // Counts that the slots do not bear out: the file was cut short or its header
    // damaged, and salvage can save the records that are whole.
    damagedData = h.slotLength <= kSlotPrefix || h.dataOffset < kHeaderSize ||
                  h.deleted > h.records || h.firstFree > h.records || h.highest > h.records ||
                  h.lowest > h.records || !dat.have(0, end);
    return damagedData ? Status::error(kInvalidDataFile) : Status::okay();
}

Status File::State::refuseNetworkFolder() {
    uint64_t magic = 0;
    if (sh->fs->fileSystemType(directoryOf(sh->base), magic) != 0 || !sharedOverNetwork(magic))
        return Status::okay();
    return Status::system(kFileSystemError, EREMOTE);
}

Status File::State::openFiles(int mode, bool forMaintenance) {
    if (open) return Status::error(kFileAlreadyOpen);
    if (!sh->layoutStatus.ok()) return sh->layoutStatus;
    if (Status s = refuseNetworkFolder(); !s.ok()) return s;
    const int access = mode & 0x0F;
    if (access > kAccessReadWrite || (mode & 0xF0) > kDenyNone)
        return Status::error(kInvalidFilename);
    writable = access != kAccessRead;
    alone = (mode & 0xF0) == kDenyAll;
    if (Status s = openDataFile(); !s.ok()) return s;
    auto fail = [&](Status s) {
        closeFiles();
        return s;
    };
    if (Status s = checkHeader(mode); !s.ok()) return fail(s);
    Status s = log.open(*sh->fs, sh->base + ".LOG", writable, sh->base + ".LGC");
    if (!s.ok() && writable) return fail(s);
    bool missingKey = false;
    if (s = openKeyFiles(forMaintenance, missingKey); !s.ok()) return fail(s);
    if (!forMaintenance) {
        if (missingKey) return fail(Status::error(kKeyFileMustBeRebuilt));
        if (s = finishDeadStation(); !s.ok()) return fail(s);
        if (s = loadKeyHeads(); !s.ok()) return fail(s);
        if (s = readHeader(header); !s.ok()) return fail(s);
    }
    openMode = mode;
    open = true;
    if (writable) repairHolds();
    // The header and the key heads were read before the change counter could be: a
    // write of another station in between would go unseen. The first read reads them
    // again under the counter.
    seenSeq = 1;
    order = 0;
    pos = Position{};
    current = 0;
    readCopy.clear();
    atEof = atBof = false;
    return Status::okay();
}

Status File::State::openDataFile() {
    FileSystem& fs = *sh->fs;
    // A station that replaces the table (create) holds the old data file's presence
    // lock alone until the new files are in place. Once this open holds its share of
    // that lock, the name must still lead to the file opened; when it leads to another,
    // the files were replaced and the new ones are opened instead.
    const std::string datPath = sh->base + ".DAT";
    // An open starts again as often as the table is replaced under it, for as long as
    // the other waits of an open last.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(std::max(recoverSeconds, 0));
    for (;;) {
        int rc = dat.open(fs, datPath, writable ? kOpenReadWrite : kOpenRead);
        foundNothing = rc == ENOENT;
        if (rc != 0) return openError(rc);
        if (!lockWait(lockat::kPresence, LockKind::Shared, recoverSeconds).ok()) {
            closeFiles();
            return Status::error(kAccessDenied);
        }
        bool same = true;
        rc = fs.sameFile(dat.handle(), datPath, same);
        if ((rc == 0 && same) || rc == ENOSYS) return Status::okay();
        closeFiles();
        if (rc != 0 && rc != ENOENT) return openError(rc);
        if (std::chrono::steady_clock::now() >= deadline) return Status::error(kAccessDenied);
    }
}

Status File::State::checkHeader(int mode) {
    Header h;
    Status s = readHeader(h);
    // Another station's add raises the count in the header while its record may still
    // be on its way into the file: a header that promises more than the file holds is
    // read again for a moment before the file counts as damaged.
    for (int again = 0; s.code == kInvalidDataFile && again < 100; ++again) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        s = readHeader(h);
    }
    if (!s.ok()) return s;
    // The counts first: a file of another table is a wrong declaration, not damage.
    if (h.slotLength != sh->decl.recordSize + kSlotPrefix ||
        h.fieldCount != sh->decl.fields.size() || h.keyCount != sh->decl.keys.size())
        return Status::error(kInvalidRecordDeclaration);
    Layout file;
    if (!dat.have(0, h.dataOffset)) return Status::error(kInvalidDataFile);
    s = decodeDescriptors(h, dat.at(kHeaderSize), h.dataOffset - kHeaderSize, sh->owned,
                          sh->cipherKey, file);
    if (!s.ok()) return s;
    s = checkAgainst(file, sh->decl);
    if (!s.ok()) return s;
    if (!takeShareLocks(dat, mode)) return Status::error(kAccessDenied);
    header = h;
    return Status::okay();
}

Status File::State::openKeyFiles(bool forMaintenance, bool& missingKey) {
    for (std::size_t k = 0; k < sh->keys.size(); ++k) {
        keyFiles.emplace_back();
        unsigned flags = writable ? kOpenReadWrite : kOpenRead;
        if (forMaintenance && writable) flags |= kOpenCreate;
        const int rc =
            keyFiles.back().open(*sh->fs, sh->base + sh->keyFileDescs[k].extension, flags);
        if (rc == ENOENT) {
            missingKey = true;
        } else if (rc != 0) {
            return openError(rc);
        }
        trees.emplace_back(keyFiles.back(), sh->keys[k].length);
    }
    return Status::okay();
}

Status File::State::finishDeadStation() {
    if (!log.isOpen()) return Status::okay();
    if (!writable) return bulkWriterDied((log.head().flags & kJournalFlagBulk) != 0, false);
    // Finish what a station that died left behind. A station at work holds the write
    // lock and finishes such work itself; then there is nothing to do here.
    const bool free = dat.lock(lockat::kWrite, 1, LockKind::Exclusive) == 0;
    if (free) {
        Status s = lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);
        if (!s.ok()) {
            unlock(lockat::kWrite);
            return s;
        }
    }
    JournalHead jh = log.head();
    const bool soleStation = !dat.lockedByOther(lockat::kPresence, 1, LockKind::Exclusive);
    Status s = bulkWriterDied((jh.flags & kJournalFlagBulk) != 0, free);
    if (s.ok() && free &&
        ((jh.sequence & 1) || (soleStation && log.hasLiveRecords(jh.generation)))) {
        opHead = jh;
        s = recover();
        if (s.ok()) {
            opHead.sequence = (opHead.sequence | 1) + 1;
            s = log.writeHead(opHead);
        }
    }
    if (s.ok() && free) s = finishDeadFrame(true);
    if (free) {
        unlock(lockat::kOp);
        unlock(lockat::kWrite);
    }
    return s;
}

Status File::State::loadKeyHeads() {
    for (std::size_t k = 0; k < trees.size(); ++k) {
        Status s = trees[k].load();
        // The head names its key: another key's file in this one's place (copied over
        // it) would answer searches with another key's records.
        const KeyMeta& m = trees[k].meta();
        if (s.ok() && (m.flags != sh->keyFileDescs[k].flags || m.number != k + 1))
            s = Status::error(kInvalidKeyFile);
        if (!s.ok()) {
            s.fileIndex = static_cast<int>(k + 1);
            return s;
        }
    }
    return Status::okay();
}

void File::State::closeFiles() {
    trees.clear();
    keyFiles.clear();
    log.close();
    dat.close();
    open = false;
    held = 0;
    fileLocked = false;
    writeHeld = false;
}

Status File::State::close() {
    if (!open) return Status::okay();
    Status result = settle();
    // A file closed inside a transaction leaves it with its changes undone.
    if (transaction != 0) {
        Status s = closeTransaction(*this, RecordKind::Abort);
        if (!s.ok()) {
            leaveTransaction(*this);
            if (result.ok()) result = Status::error(kUnableToRollback);
        }
    }
    dropHold();
    if (fileLocked) {
        unlock(lockat::kFile);
        fileLocked = false;
        if (transaction == 0) {
            unlock(lockat::kWrite);
            writeHeld = false;
        }
    }
    if (bulk) {
        Status s = leaveBulk();
        if (result.ok()) result = s;
    }
    // The last station out leaves synced files and an empty journal behind.
    if (writable && log.isOpen() && !dat.lockedByOther(lockat::kPresence, 1, LockKind::Exclusive) &&
        log.hasLiveRecords(log.head().generation) &&
        dat.lock(lockat::kWrite, 1, LockKind::Exclusive) == 0) {
        if (dat.lock(lockat::kOp, 1, LockKind::Exclusive) == 0) {
            opHead = log.head();
            // A transaction a station died in is undone first: the checkpoint would
            // take its undo images away.
            Status s = finishDeadFrame(true);
            if (s.ok() && !(opHead.sequence & 1) && !(opHead.flags & kJournalFlagBulk))
                s = checkpoint(true);
            if (result.ok()) result = s;
            unlock(lockat::kOp);
        }
        unlock(lockat::kWrite);
    }
    closeFiles();
    saved.clear();
    return result;
}

}  // namespace kw::storage
