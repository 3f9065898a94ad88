// Reading: positions, next and previous in physical and key order, get by key and by
// record number, holds.
#include <cstring>

#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/file_impl.h"

namespace kw::storage {

const uint8_t* File::State::slot(uint32_t rec) {
    if (rec == 0 || rec > header.records) return nullptr;
    const uint64_t off = slotOffset(rec);
    if (!dat.have(off, header.slotLength)) return nullptr;
    return dat.at(off);
}

// A pass reads on: the slot a few steps ahead is asked for while this one is copied
// (the processor's own prefetching stops at every page of the map).
void File::State::prefetchSlot(uint32_t rec) {
    if (rec == 0 || rec > header.records) return;
    const uint64_t off = slotOffset(rec);
    if (!dat.have(off, header.slotLength)) return;
    const uint8_t* p = dat.at(off);
    for (unsigned i = 0; i < header.slotLength; i += 64) __builtin_prefetch(p + i);
}

void File::State::decodeBytes(const uint8_t* recordBytes, uint8_t* out) const {
    const std::size_t n = sh->decl.recordSize;
    if (!(header.attributes & kAttrEncrypt)) {
        sh->strings.copyToAnsi(recordBytes, out, n);  // one pass over the record
        return;
    }
    std::memcpy(out, recordBytes, n);
    cipher::apply(out, n, sh->cipherKey);
    sh->strings.toAnsi(out);
}

void File::State::encodeRecord(const uint8_t* record, uint8_t* slotRecord) const {
    const std::size_t n = sh->decl.recordSize;
    std::memcpy(slotRecord, record, n);
    sh->strings.toOem(slotRecord);
    if (header.attributes & kAttrEncrypt) cipher::apply(slotRecord, n, sh->cipherKey);
}

bool File::State::heldByOther(uint32_t rec) {
    // While no station holds a record the hold locks need not be looked at: a pass over
    // the file costs no system call per record.
    if (log.isOpen() && log.holds() <= (held != 0 ? 1u : 0u)) return false;
    return dat.lockedByOther(lockat::kRecord + rec, 1, LockKind::Exclusive);
}

void File::State::repairHolds() {
    if (!log.isOpen()) return;
    const uint32_t n = log.holds();
    const uint32_t mine = held != 0 ? 1 : 0;
    if (n <= mine) return;
    // Holds of a killed station died with it; its count did not. When no other open
    // holds a lock on any record, the count is ours alone.
    bool conflict = true;
    const uint64_t all = uint64_t{1} << 33;
    if (dat.fs().testLock(dat.handle(), lockat::kRecord, all, LockKind::Exclusive, conflict) != 0 ||
        conflict)
        return;
    log.repairHolds(n, mine);
}

Status File::State::takeHold(uint32_t rec) {
    if (held == rec) return Status::okay();
    dropHold();
    int rc = dat.lock(lockat::kRecord + rec, 1, LockKind::Exclusive);
    if (rc == EAGAIN) return Status::error(kRecordHeld, rec);
    if (rc != 0) return Status::system(kFileSystemError, rc);
    held = rec;
    log.addHolds(1);
    return Status::okay();
}

void File::State::dropHold() {
    if (held != 0 && dat.isOpen()) {
        unlock(lockat::kRecord + held);
        log.addHolds(-1);
    }
    held = 0;
}

void File::State::rereadCurrent() {
    if (current == 0) return;
    const uint64_t off = slotOffset(current);
    if (!dat.have(off, header.slotLength)) {
        readCopy.clear();
        return;
    }
    const uint8_t* p = dat.at(off);
    if (p[0] & kSlotDeleted)
        readCopy.clear();
    else
        readCopy.assign(p + kSlotPrefix, p + kSlotPrefix + sh->decl.recordSize);
}

// Copies the slot's record bytes as they lie on disk into `scratch`; 35 when the
// record is missing, or deleted while deleted slots are not read.
static Status copySlot(File::State& s, uint32_t rec) {
    const uint8_t* p = s.slot(rec);
    if (!p) return Status::error(kRecordNotFound, rec);
    if ((p[0] & kSlotDeleted) && !s.ignoreStatus) return Status::error(kRecordNotFound, rec);
    s.scratch.assign(p + kSlotPrefix, p + kSlotPrefix + s.sh->decl.recordSize);
    return Status::okay();
}

Status File::State::stepPhysical(bool forward, uint32_t& rec) {
    rec = 0;
    int64_t r;
    if (pos.kind == Position::Record)
        r = forward ? int64_t{pos.forward} : int64_t{pos.backward};
    else
        r = forward ? 1 : int64_t{header.records};
    if (r < 1) r = forward ? 1 : 0;
    for (; r >= 1 && r <= int64_t{header.records}; r += forward ? 1 : -1) {
        const uint8_t* p = slot(static_cast<uint32_t>(r));
        if (!p) return Status::error(kInvalidDataFile, static_cast<uint32_t>(r));
        if ((p[0] & kSlotDeleted) && !ignoreStatus) continue;
        rec = static_cast<uint32_t>(r);
        prefetchSlot(forward ? rec + kReadAhead : (rec > kReadAhead ? rec - kReadAhead : 0));
        scratch.assign(p + kSlotPrefix, p + kSlotPrefix + sh->decl.recordSize);
        return Status::okay();
    }
    return Status::okay();
}

Status File::State::stepKey(bool forward, uint32_t& rec) {
    rec = 0;
    KeyTree& t = trees[static_cast<std::size_t>(order - 1)];
    KeyTree::Cursor c;
    Status s;
    if (pos.kind == Position::Key && pos.cursorSeq == seenSeq && !(seenSeq & 1) &&
        pos.cursor.valid()) {
        c = pos.cursor;
        s = t.step(c, forward);
    } else if (pos.kind == Position::Key) {
        s = forward ? t.seek(pos.value.data(), pos.forward, c)
                    : t.seekLast(pos.value.data(), pos.backward, c);
    } else {
        s = forward ? t.first(c) : t.last(c);
    }
    const std::size_t len = sh->keys[static_cast<std::size_t>(order - 1)].length;
    for (uint32_t guard = 0; s.ok() && c.valid(); ++guard) {
        const uint32_t r = t.recordAt(c);
        if (pos.kind == Position::Key) {
            // Key order only moves on; an entry on the wrong side means damaged links.
            int cmp = std::memcmp(t.valueAt(c), pos.value.data(), len);
            if (cmp == 0)
                cmp = r < (forward ? pos.forward : pos.backward)
                          ? -1
                          : r > (forward ? pos.forward : pos.backward);
            if (forward ? cmp < 0 : cmp > 0) {
                Status bad = Status::error(kInvalidKeyFile, r);
                bad.block = c.block;
                bad.fileIndex = order;
                return bad;
            }
        }
        const uint8_t* p = slot(r);
        if (p && (!(p[0] & kSlotDeleted) || ignoreStatus)) {
            rec = r;
            KeyTree::Cursor ahead = c;
            if (forward) {
                ahead.index += kReadAhead;
                prefetchSlot(t.recordAt(ahead));
            } else if (ahead.index >= kReadAhead) {
                ahead.index -= kReadAhead;
                prefetchSlot(t.recordAt(ahead));
            }
            scratch.assign(p + kSlotPrefix, p + kSlotPrefix + sh->decl.recordSize);
            keyScratch.assign(t.valueAt(c), t.valueAt(c) + len);
            cursorScratch = c;
            return Status::okay();
        }
        // The key names a record that is not there.
        if (!ignoreCorruptions || guard > header.records)
            return Status::error(kKeyFileMustBeRebuilt, r);
        s = t.step(c, forward);
    }
    return s;
}

Status File::State::readInto(uint32_t rec, bool hold) {
    if (hold) {
        Status s = takeHold(rec);
        if (!s.ok()) return s;
        // Read it again under the hold: the copy must be what the hold protects.
        s = readStable([&] { return copySlot(*this, rec); });
        if (!s.ok()) {
            dropHold();
            return s;
        }
    }
    decodeBytes(scratch.data(), buffer());
    readCopy.swap(scratch);
    current = rec;
    atEof = atBof = false;
    return Status::okay();
}

Status File::State::step(bool forward, bool hold) {
    if (!open) return Status::error(kFileNotOpen);
    uint32_t rec = 0;
    Status s =
        readStable([&] { return order == 0 ? stepPhysical(forward, rec) : stepKey(forward, rec); });
    if (!s.ok()) return s;
    if (rec == 0) {
        (forward ? atEof : atBof) = true;
        return Status::error(kRecordNotAvailable);
    }
    if (order == 0) {
        pos.kind = Position::Record;
    } else {
        pos.kind = Position::Key;
        pos.value.swap(keyScratch);
        pos.cursor = cursorScratch;
    }
    pos.cursorSeq = order != 0 && log.isOpen() ? seenSeq : 1;
    pos.forward = rec + 1;
    pos.backward = rec - 1;
    // A record another station holds is not delivered; the position has moved past it,
    // so the next step reads on.
    if (!hold && !ignoreStatus && heldByOther(rec)) return Status::error(kRecordHeld, rec);
    return readInto(rec, hold);
}

Status File::State::getByKey(int key, bool hold) {
    if (!open) return Status::error(kFileNotOpen);
    if (key < 1 || key > static_cast<int>(trees.size())) return Status::error(kEntryNotFound);
    const KeyShape& k = sh->keys[static_cast<std::size_t>(key - 1)];
    std::vector<uint8_t>& value = valueScratch;
    value.resize(k.length);
    k.value(buffer(), value.data());
    KeyTree& t = trees[static_cast<std::size_t>(key - 1)];
    uint32_t rec = 0;
    Status s = readStable([&] {
        rec = 0;
        KeyTree::Cursor c;
        Status st = t.seek(value.data(), 0, c);
        if (!st.ok()) return st;
        if (!c.valid() || std::memcmp(t.valueAt(c), value.data(), k.length) != 0)
            return Status::error(kRecordNotFound);
        rec = t.recordAt(c);
        st = copySlot(*this, rec);
        if (st.code == kRecordNotFound) return Status::error(kKeyFileMustBeRebuilt, rec);
        return st;
    });
    if (!s.ok()) return s;
    order = key;
    pos = Position{};
    pos.kind = Position::Key;
    pos.value = value;
    pos.forward = rec + 1;
    pos.backward = rec - 1;
    return readInto(rec, hold);
}

Status File::State::getByRecord(uint32_t rec, bool hold) {
    if (!open) return Status::error(kFileNotOpen);
    Status s = readStable([&] { return copySlot(*this, rec); });
    if (!s.ok()) return s;
    if (order == 0) {
        pos = Position{};
        pos.kind = Position::Record;
        pos.forward = rec + 1;
        pos.backward = rec - 1;
    }
    return readInto(rec, hold);
}

}  // namespace kw::storage
