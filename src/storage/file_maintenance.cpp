// Build (rebuild the key files from the records) and pack (drop deleted slots through
// the ".T00" file). Both need the table to themselves. While they run, the journal's
// bulk flag is set, so a crash in the middle leaves "Key File Must Be Rebuilt" (46)
// rather than key files that silently disagree with the records.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

// Sorts fixed-size entries (byte strings of `size`) in place.
void sortEntries(std::vector<uint8_t>& e, std::size_t size) {
    const std::size_t n = e.size() / size;
    std::vector<uint32_t> idx(n);
    std::iota(idx.begin(), idx.end(), 0);
    std::sort(idx.begin(), idx.end(), [&](uint32_t a, uint32_t b) {
        return std::memcmp(e.data() + a * size, e.data() + b * size, size) < 0;
    });
    std::vector<uint8_t> out(e.size());
    for (std::size_t i = 0; i < n; ++i)
        std::memcpy(out.data() + i * size, e.data() + idx[i] * size, size);
    e.swap(out);
}

uint32_t be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::vector<uint32_t> File::State::strayDeleted() {
    std::vector<bool> onChain(header.records + 1, false);
    for (uint32_t at = header.firstFree, n = 0;
         at != 0 && at <= header.records && n < header.records; ++n) {
        const uint8_t* p = slot(at);
        if (!p || !(p[0] & kSlotDeleted) || onChain[at]) break;
        onChain[at] = true;
        at = le::get32(p + 1);
    }
    std::vector<uint32_t> stray;
    for (uint32_t r = 1; r <= header.records; ++r) {
        const uint8_t* p = slot(r);
        if (p && (p[0] & kSlotDeleted) && !onChain[r]) stray.push_back(r);
    }
    return stray;
}

namespace {

std::string strayNote(uint32_t r) {
    return "record " + std::to_string(r) +
           ": marked deleted but not on the free chain; kept as it is (not reused, not in the "
           "keys)";
}

}  // namespace

Status File::State::rebuildKeys() {
    Header h;
    Status s = readHeader(h);
    if (!s.ok()) return s;
    header = h;
    std::vector<std::vector<uint8_t>> entries(sh->keys.size());
    std::vector<uint32_t> deletedSlots;
    const std::vector<uint32_t> stray = strayDeleted();
    for (uint32_t r : stray) notes.push_back(strayNote(r));
    if (s = collectKeyEntries(stray, entries, deletedSlots); !s.ok()) return s;
    if (s = sortAndCheckUnique(entries); !s.ok()) return s;
    if (s = writeKeyFiles(entries); !s.ok()) return s;
    if (s = relinkFreeChain(deletedSlots, stray.size()); !s.ok()) return s;
    for (auto& t : trees) {
        s = t.load();
        if (!s.ok()) return s;
    }
    return Status::okay();
}

Status File::State::keyEntriesOfRecords(std::vector<std::vector<uint8_t>>& entries, bool bigEndian,
                                        const std::function<void(uint32_t)>& deleted) {
    std::vector<uint8_t> rec(sh->decl.recordSize);
    for (uint32_t r = 1; r <= header.records; ++r) {
        const uint8_t* p = slot(r);
        if (!p) return Status::error(kInvalidDataFile, r);
        if (p[0] & kSlotDeleted) {
            deleted(r);
            continue;
        }
        decodeRecord(p, rec.data());
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const KeyShape& ks = sh->keys[k];
            if (ks.omitted(rec.data())) continue;
            auto& e = entries[k];
            const std::size_t at = e.size();
            e.resize(at + ks.length + 4);
            ks.value(rec.data(), e.data() + at);
            uint8_t* n = e.data() + at + ks.length;
            if (!bigEndian) {
                le::put32(n, r);
                continue;
            }
            n[0] = static_cast<uint8_t>(r >> 24);
            n[1] = static_cast<uint8_t>(r >> 16);
            n[2] = static_cast<uint8_t>(r >> 8);
            n[3] = static_cast<uint8_t>(r);
        }
    }
    return Status::okay();
}

Status File::State::collectKeyEntries(const std::vector<uint32_t>& stray,
                                      std::vector<std::vector<uint8_t>>& entries,
                                      std::vector<uint32_t>& deletedSlots) {
    return keyEntriesOfRecords(entries, true, [&](uint32_t r) {
        if (!std::binary_search(stray.begin(), stray.end(), r)) deletedSlots.push_back(r);
    });
}

Status File::State::sortAndCheckUnique(std::vector<std::vector<uint8_t>>& entries) {
    // Duplicates in a unique key are reported in ".BLD" and stop the build.
    std::string report;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const std::size_t len = sh->keys[k].length, size = len + 4;
        sortEntries(entries[k], size);
        if (sh->keys[k].dup) continue;
        const auto& e = entries[k];
        for (std::size_t i = size; i < e.size(); i += size)
            if (std::memcmp(e.data() + i - size, e.data() + i, len) == 0)
                report += "key " + std::to_string(k + 1) + ": record " +
                          std::to_string(be32(e.data() + i + len)) + " duplicates record " +
                          std::to_string(be32(e.data() + i - size + len)) + "\n";
    }
    if (report.empty()) return Status::okay();
    Handle bh;
    if (sh->fs->open(sh->base + ".BLD", kOpenReadWrite | kOpenCreate | kOpenTruncate, bh) == 0) {
        (void)sh->fs->write(bh, report.data(), report.size(), 0);
        sh->fs->close(bh);
    }
    return Status::error(kDuplicateKey);
}

Status File::State::writeKeyFiles(const std::vector<std::vector<uint8_t>>& entries) {
    for (std::size_t k = 0; k < entries.size(); ++k) {
        KeyMeta m;
        m.length = sh->keyFileDescs[k].length;
        m.flags = sh->keyFileDescs[k].flags;
        m.number = static_cast<uint16_t>(k + 1);
        const std::vector<uint8_t> img = buildKeyImage(m, entries[k]);
        MappedFile& f = keyFiles[k];
        if (!f.isOpen()) {
            int rc = f.open(*sh->fs, sh->base + sh->keyFileDescs[k].extension,
                            kOpenReadWrite | kOpenCreate);
            if (rc != 0) return Status::system(codeFromErrno(rc), rc);
        }
        int rc = f.write(img.data(), img.size(), 0);
        if (rc == 0) rc = f.truncate(img.size());
        if (rc == 0) rc = f.sync();
        if (rc == 0) rc = f.refresh();
        if (rc != 0) return Status::system(kFileSystemError, rc);
    }
    return Status::okay();
}

Status File::State::relinkFreeChain(const std::vector<uint32_t>& deletedSlots,
                                    std::size_t strayCount) {
    // The free chain again, in slot order, and the counts that go with it.
    uint32_t link = 0;
    for (uint32_t r : deletedSlots) {
        const uint8_t* p = slot(r);
        if (le::get32(p + 1) != link) {
            uint8_t b[4];
            le::put32(b, link);
            Status w = writeFile(0, slotOffset(r) + 1, b, 4);
            if (!w.ok()) return w;
        }
        link = r;
    }
    header.firstFree = link;
    header.deleted = static_cast<uint32_t>(deletedSlots.size() + strayCount);
    std::vector<Change> changes;
    (void)headerChange(changes);
    Status s = writeFile(0, 0, changes[0].bytes.data(), kHeaderSize);
    if (!s.ok()) return s;
    if (dat.sync() != 0) return Status::error(kFileSystemError);
    return Status::okay();
}

// Cuts the data file after its last slot: what lies past it (slots a bulk load wrote
// before it died) belongs to no record. Only with the table to this station alone: no
// other station may have the space mapped.
Status File::State::dropTrailingSpace() {
    const uint64_t end = header.dataOffset + uint64_t{header.records} * header.slotLength;
    if (dat.refresh() != 0 || dat.size() <= end) return Status::okay();
    int rc = dat.truncate(end);
    if (rc == 0) rc = dat.sync();
    return rc == 0 ? Status::okay() : Status::system(kFileSystemError, rc);
}

// Writes that the journal holds committed but the files may not have yet (a station
// killed after its commit point) are finished first, as an open does, so that a build
// or pack works on them and never drops them. Called under the writer's and the apply
// lock.
Status File::State::finishCommitted() {
    if (!log.isOpen()) return Status::okay();
    opHead = log.head();
    if (!(opHead.sequence & 1) && !log.hasLiveRecords(opHead.generation)) return Status::okay();
    Status s = recover();
    if (!s.ok()) return s;
    opHead.sequence = (opHead.sequence | 1) + 1;
    return log.writeHead(opHead);
}

Status File::State::build() {
    if (Status s = settle(); !s.ok()) return s;
    const bool wasOpen = open;
    if (!wasOpen) {
        Status s = openFiles(kAccessReadWrite | kDenyAll, true);
        if (!s.ok()) return s;
    } else if (!writable) {
        return Status::error(kAccessDenied);
    } else if (dat.lockedByOther(lockat::kPresence, 1, LockKind::Exclusive)) {
        return Status::error(kExclusiveAccessRequired);
    }
    Status s = Status::okay();
    if (!writeHeld) s = lockWait(lockat::kWrite, LockKind::Exclusive, recoverSeconds);
    if (s.ok()) s = lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);
    if (s.ok()) s = finishCommitted();
    // The bulk lock is held while the flag is up (enterBulk).
    const bool bulkLock = s.ok() && !bulk && dat.lock(lockat::kBulk, 1, LockKind::Shared) == 0;
    if (s.ok()) {
        opHead = log.head();
        opHead.flags |= kJournalFlagBulk;
        opHead.sequence |= 1;
        s = log.writeHead(opHead);
        if (s.ok()) s = log.sync();
        if (s.ok()) s = rebuildKeys();
        if (s.ok()) s = dropTrailingSpace();
        if (s.ok()) {
            bool wasBulk = bulk;
            bulk = false;
            opHead.sequence += 1;
            s = checkpoint();  // new generation, flag cleared
            bulk = wasBulk;
            seenSeq = 1;
        }
        if (bulkLock) unlock(lockat::kBulk);
        releaseWriteLocks();
    } else if (!writeHeld) {
        unlock(lockat::kWrite);
    }
    if (!wasOpen) (void)close();
    return s;
}

Status File::State::pack() {
    if (Status s = settle(); !s.ok()) return s;
    const bool wasOpen = open;
    const int mode = kAccessReadWrite | kDenyAll;
    if (!wasOpen) {
        Status s = openFiles(mode, true);
        if (!s.ok()) return s;
    } else if (!writable) {
        return Status::error(kAccessDenied);
    } else if (dat.lockedByOther(lockat::kPresence, 1, LockKind::Exclusive)) {
        return Status::error(kExclusiveAccessRequired);
    }
    auto done = [&](Status s) {
        if (!wasOpen) (void)close();
        return s;
    };
    Status s = lockWait(lockat::kWrite, LockKind::Exclusive, recoverSeconds);
    if (!s.ok()) return done(s);
    s = lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);
    if (!s.ok()) {
        unlock(lockat::kWrite);
        return done(s);
    }
    s = finishCommitted();
    if (!s.ok()) {
        unlock(lockat::kOp);
        if (!writeHeld) unlock(lockat::kWrite);
        return done(s);
    }
    const bool bulkLock = !bulk && dat.lock(lockat::kBulk, 1, LockKind::Shared) == 0;
    opHead = log.head();
    opHead.flags |= kJournalFlagBulk;
    opHead.sequence |= 1;
    s = log.writeHead(opHead);
    if (s.ok()) s = log.sync();
    if (s.ok()) s = readHeader(header);
    FileSystem& fs = *sh->fs;
    const std::string temp = sh->base + ".T00", path = sh->base + ".DAT";
    if (s.ok()) s = writePacked(temp);
    if (s.ok()) {
        int rc = fs.rename(temp, path);
        if (rc != 0) s = Status::system(kFileSystemError, rc);
        fs.syncDirectory(directoryOf(sh->base));
    } else {
        fs.unlink(temp);
    }
    if (s.ok()) {
        // The new data file replaces the old one: open it and take its locks again.
        dropHold();
        int rc = dat.open(fs, path, kOpenReadWrite);
        if (rc != 0) {
            closeFiles();
            return done(Status::system(codeFromErrno(rc), rc));
        }
        s = relockAndRebuild(bulkLock);
    }
    if (s.ok()) {
        opHead.sequence += 1;
        s = checkpoint();
        seenSeq = 1;
        current = 0;
        readCopy.clear();
        pos = Position{};
    }
    if (bulkLock) unlock(lockat::kBulk);
    unlock(lockat::kOp);
    if (!writeHeld) unlock(lockat::kWrite);
    return done(s);
}

Status File::State::writePacked(const std::string& temp) {
    FileSystem& fs = *sh->fs;
    Handle th = kNoHandle;
    Status s = Status::okay();
    int rc = fs.open(temp, kOpenReadWrite | kOpenCreate | kOpenTruncate, th);
    if (rc != 0) s = Status::system(codeFromErrno(rc), rc);
    uint32_t live = 0, kept = 0;
    if (s.ok()) s = copyLiveSlots(th, live, kept);
    if (s.ok()) s = writePackedHead(th, live, kept);
    if (th != kNoHandle) fs.close(th);
    return s;
}

Status File::State::copyLiveSlots(Handle th, uint32_t& live, uint32_t& kept) {
    // The live slots renumbered from 1, written in pieces.
    FileSystem& fs = *sh->fs;
    Status s = Status::okay();
    std::vector<uint8_t> buf;
    const std::size_t chunk = std::size_t{1} << 20;
    uint64_t at = header.dataOffset;
    const std::vector<uint32_t> stray = strayDeleted();
    auto flush = [&]() {
        if (buf.empty() || !s.ok()) return;
        int rc = fs.write(th, buf.data(), buf.size(), at);
        if (rc != 0) s = Status::system(kFileSystemError, rc);
        at += buf.size();
        buf.clear();
    };
    for (uint32_t r = 1; r <= header.records && s.ok(); ++r) {
        const uint8_t* p = slot(r);
        if (!p) {
            s = Status::error(kInvalidDataFile, r);
            break;
        }
        const bool keep =
            (p[0] & kSlotDeleted) && std::binary_search(stray.begin(), stray.end(), r);
        if ((p[0] & kSlotDeleted) && !keep) continue;
        ++live;
        const std::size_t o = buf.size();
        buf.insert(buf.end(), p, p + header.slotLength);
        buf[o] = keep ? p[0] : static_cast<uint8_t>(kSlotWritten);
        le::put32(buf.data() + o + 1, 0);
        if (keep) {
            ++kept;
            notes.push_back(strayNote(r) + ", now record " + std::to_string(live));
        }
        if (buf.size() >= chunk) flush();
    }
    flush();
    return s;
}

Status File::State::writePackedHead(Handle th, uint32_t live, uint32_t kept) {
    // The descriptors as they are, under a header with the new counts.
    std::vector<uint8_t> head(dat.at(0), dat.at(0) + header.dataOffset);
    const Header keep = header;
    header.records = live;
    header.deleted = kept;
    header.firstFree = 0;
    header.highest = live;
    header.lowest = live ? 1 : 0;
    std::vector<Change> hc;
    (void)headerChange(hc);
    header = keep;
    std::memcpy(head.data(), hc[0].bytes.data(), kHeaderSize);
    FileSystem& fs = *sh->fs;
    int rc = fs.write(th, head.data(), head.size(), 0);
    if (rc == 0) rc = fs.sync(th);
    return rc == 0 ? Status::okay() : Status::system(kFileSystemError, rc);
}

Status File::State::relockAndRebuild(bool bulkLock) {
    dat.lock(lockat::kPresence, 1, LockKind::Shared);
    for (uint64_t l : {lockat::kUseRead, lockat::kUseWrite, lockat::kDenyRead, lockat::kDenyWrite})
        dat.lock(l, 1, LockKind::Shared);
    (void)lockWait(lockat::kWrite, LockKind::Exclusive, recoverSeconds);
    (void)lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);
    if (fileLocked) dat.lock(lockat::kFile, 1, LockKind::Exclusive);
    if (bulkLock || bulk) dat.lock(lockat::kBulk, 1, LockKind::Shared);
    // The slots kept were named by copyLiveSlots, by their old numbers.
    const std::size_t named = notes.size();
    Status s = rebuildKeys();
    notes.resize(named);
    return s;
}

}  // namespace kw::storage
