// Writing: add, put and delete. Each computes every change (slot, key blocks, header)
// before anything is written, so a refused operation (duplicate key, changed record)
// leaves the files exactly as they were; then the changes are journalled and applied.
#include <cstring>

#include "runtime/clock.h"
#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

// Gathered key blocks of a bulk session are written when they pass kBulkBytes; the
// slots, which are only appended, in pieces of kAppendBytes (one buffer, reused).
constexpr std::size_t kBulkBytes = std::size_t{32} << 20;
constexpr std::size_t kAppendBytes = std::size_t{4} << 20;

struct KeyValues {
    std::vector<std::vector<uint8_t>> value;
    std::vector<bool> omitted;
};

KeyValues keyValues(const File::Shared& sh, const uint8_t* rec) {
    KeyValues kv;
    for (const auto& k : sh.keys) {
        kv.value.emplace_back(k.length);
        k.value(rec, kv.value.back().data());
        kv.omitted.push_back(k.omitted(rec));
    }
    return kv;
}

// A change of the current record (put, remove) under way: its slot, the key values of
// the record stored there, and the header as it was, put back when the change fails.
struct RecordChange {
    explicit RecordChange(File::State& state) : st(state) {}

    File::State& st;
    uint32_t r = 0;
    const uint8_t* p = nullptr;
    Header before;
    KeyValues stored;

    Status begin(bool deletedToo) {
        Status s = st.beginRecordWrite(deletedToo, r, p);
        if (!s.ok()) return s;
        before = st.header;
        std::vector<uint8_t> old(st.sh->decl.recordSize);
        st.decodeRecord(p, old.data());
        stored = keyValues(*st.sh, old.data());
        return s;
    }
    // The header put back and the write abandoned; `e` returned.
    Status fail(Status e) {
        st.header = before;
        st.abortWrite();
        return e;
    }
};

// The change that writes record `rec` into slot r as live; `written` receives the
// record's bytes as the slot holds them.
Change slotWrite(File::State& st, uint32_t r, const uint8_t* rec, std::vector<uint8_t>& written) {
    Change c;
    c.file = 0;
    c.offset = st.slotOffset(r);
    c.bytes.assign(st.header.slotLength, 0);
    c.bytes[0] = kSlotWritten;
    st.encodeRecord(rec, c.bytes.data() + kSlotPrefix);
    written.assign(c.bytes.begin() + kSlotPrefix, c.bytes.end());
    return c;
}

void noteWritten(Header& h, uint32_t rec) {
    if (h.highest == 0 || rec > h.highest) h.highest = rec;
    if (h.lowest == 0 || rec < h.lowest) h.lowest = rec;
}

}  // namespace

Status File::State::headerChange(std::vector<Change>& changes) {
    if (maintainHeaderTime) {
        header.changeDate = static_cast<uint32_t>(kw::clock::today());
        header.changeTime = static_cast<uint32_t>(kw::clock::clockTime());
    }
    Change c;
    c.file = 0;
    c.offset = 0;
    c.bytes.assign(kHeaderSize, 0);
    Header h = header;
    h.check = 0;
    encodeHeader(h, c.bytes.data());
    if (header.attributes & kAttrOwner) {
        le::put16(c.bytes.data() + kHeaderCheckAt, cipher::headerSum(c.bytes.data()));
        cipher::apply(c.bytes.data() + 4, kHeaderSize - 4, sh->cipherKey);
    }
    changes.push_back(std::move(c));
    return Status::okay();
}

Status File::State::keyChanges(std::vector<Change>& changes) {
    for (std::size_t k = 0; k < trees.size(); ++k) {
        for (auto& [n, b] : trees[k].takeChanges()) {
            Change c;
            c.file = static_cast<uint16_t>(k + 1);
            c.offset = uint64_t{n} * kBlockSize;
            c.bytes.assign(b.begin(), b.end());
            changes.push_back(std::move(c));
        }
    }
    return Status::okay();
}

// Takes a deleted slot out of the free chain (a put that revives it).
Status File::State::unlinkFree(uint32_t rec, std::vector<Change>& changes) {
    if (header.firstFree == rec) {
        const uint8_t* p = slot(rec);
        uint32_t link = p ? le::get32(p + 1) : 0;
        header.firstFree = link <= header.records ? link : 0;
        return Status::okay();
    }
    uint32_t at = header.firstFree;
    for (uint32_t guard = 0; at != 0 && guard <= header.records; ++guard) {
        const uint8_t* p = slot(at);
        if (!p) break;
        const uint32_t link = le::get32(p + 1);
        if (link == rec) {
            const uint8_t* q = slot(rec);
            Change c;
            c.file = 0;
            c.offset = slotOffset(at);
            c.bytes.assign(p, p + kSlotPrefix);
            le::put32(c.bytes.data() + 1, q ? le::get32(q + 1) : 0);
            changes.push_back(std::move(c));
            return Status::okay();
        }
        at = link;
    }
    return Status::okay();  // not in the chain: nothing to unlink
}

Status File::State::bulkAdd() {
    const uint8_t* rec = buffer();
    const KeyValues kv = keyValues(*sh, rec);
    for (std::size_t k = 0; k < trees.size(); ++k) {
        if (kv.omitted[k] || sh->keys[k].dup) continue;
        bool taken = false;
        Status s = trees[k].findValue(kv.value[k].data(), 0, taken);
        if (!s.ok()) return s;
        if (taken) return Status::error(kDuplicateKey);
    }
    if (header.records == UINT32_MAX) return Status::error(kFileSystemError);
    const uint32_t r = header.records + 1;
    if (appendBuf.empty()) {
        appendFirst = r;
        appendBuf.reserve(kAppendBytes + header.slotLength);
    }
    const std::size_t at = appendBuf.size();
    appendBuf.resize(at + header.slotLength, 0);
    appendBuf[at] = kSlotWritten;
    encodeRecord(rec, appendBuf.data() + at + kSlotPrefix);
    for (std::size_t k = 0; k < trees.size(); ++k) {
        if (kv.omitted[k]) continue;
        Status s = trees[k].insert(kv.value[k].data(), r);
        if (!s.ok()) {
            appendBuf.resize(at);
            (void)endBulkSession();
            return s;
        }
    }
    header.records = r;
    noteWritten(header, r);
    current = r;
    readCopy.assign(appendBuf.begin() + static_cast<std::ptrdiff_t>(at + kSlotPrefix),
                    appendBuf.begin() + static_cast<std::ptrdiff_t>(at + header.slotLength));
    std::size_t pending = 0;
    for (const auto& t : trees) pending += t.pendingBlocks() * kBlockSize;
    if (pending > kBulkBytes) return flushBulk();
    if (appendBuf.size() >= kAppendBytes) return writeAppended();
    return Status::okay();
}

Status File::State::add() {
    if (!open) return Status::error(kFileNotOpen);
    // Without journal and with no deleted slot to reclaim, adds are gathered in memory.
    if (!durable && transaction == 0 && writable && log.isOpen()) {
        if (!bulkSession) {
            Status s = beginBulkSession();
            if (!s.ok()) return s;
        }
        if (!(header.attributes & kAttrReclaim) || header.firstFree == 0) return bulkAdd();
        Status s = endBulkSession();
        if (!s.ok()) return s;
    }
    const uint8_t* rec = buffer();
    const KeyValues kv = keyValues(*sh, rec);
    Status s = beginWrite();
    if (!s.ok()) return s;
    const Header before = header;
    auto fail = [&](Status e) {
        header = before;
        abortWrite();
        return e;
    };
    for (std::size_t k = 0; k < trees.size(); ++k) {
        if (kv.omitted[k] || sh->keys[k].dup) continue;
        bool taken = false;
        s = trees[k].findValue(kv.value[k].data(), 0, taken);
        if (!s.ok()) return fail(s);
        if (taken) return fail(Status::error(kDuplicateKey));
    }
    uint32_t r = 0;
    if ((header.attributes & kAttrReclaim) && header.firstFree != 0) {
        const uint8_t* p = slot(header.firstFree);
        if (p && (p[0] & kSlotDeleted)) {
            r = header.firstFree;
            const uint32_t link = le::get32(p + 1);
            header.firstFree = link <= header.records && link != r ? link : 0;
            if (header.deleted > 0) --header.deleted;
        } else {
            header.firstFree = 0;  // a broken chain is dropped rather than followed
        }
    }
    if (r == 0) {
        if (header.records == UINT32_MAX) return fail(Status::error(kFileSystemError));
        r = ++header.records;
    }
    std::vector<Change> changes;
    std::vector<uint8_t> written;
    changes.push_back(slotWrite(*this, r, rec, written));
    for (std::size_t k = 0; k < trees.size(); ++k) {
        if (kv.omitted[k]) continue;
        s = trees[k].insert(kv.value[k].data(), r);
        if (!s.ok()) return fail(s);
    }
    noteWritten(header, r);
    (void)keyChanges(changes);
    (void)headerChange(changes);
    s = commitWrite(changes);
    if (!s.ok()) return fail(s);
    current = r;
    readCopy = written;
    return endWrite();
}

Status File::State::beginRecordWrite(bool deletedToo, uint32_t& r, const uint8_t*& p) {
    if (!open) return Status::error(kFileNotOpen);
    if (current == 0) return Status::error(kRecordNotAvailable);
    r = current;
    Status s = beginWrite();
    if (!s.ok()) return s;
    p = slot(r);
    if (!p)
        s = Status::error(kRecordNotFound, r);
    else if ((p[0] & kSlotDeleted) && !(deletedToo && ignoreStatus))
        s = Status::error(kRecordNotAvailable, r);
    else if (!ignoreStatus && heldByOther(r))
        s = Status::error(kAccessDenied, r);
    if (!s.ok()) abortWrite();
    return s;
}

Status File::State::put() {
    const uint8_t* rec = buffer();
    const KeyValues kv = keyValues(*sh, rec);
    RecordChange w(*this);
    Status s = w.begin(true);
    if (!s.ok()) return s;
    auto fail = [&](Status e) { return w.fail(e); };
    const uint32_t r = w.r;
    const uint8_t* p = w.p;
    KeyValues& ov = w.stored;
    const bool wasDeleted = (p[0] & kSlotDeleted) != 0;
    // Another station changed the record since it was read here.
    if (readCopy.size() == sh->decl.recordSize &&
        std::memcmp(p + kSlotPrefix, readCopy.data(), readCopy.size()) != 0)
        return fail(Status::error(kRecordChanged, r));
    if (wasDeleted) ov.omitted.assign(ov.omitted.size(), true);  // a deleted record has no entries
    std::vector<bool> changed(trees.size(), false);
    for (std::size_t k = 0; k < trees.size(); ++k) {
        changed[k] = ov.omitted[k] != kv.omitted[k] || ov.value[k] != kv.value[k];
        if (!changed[k] || kv.omitted[k] || sh->keys[k].dup) continue;
        bool taken = false;
        s = trees[k].findValue(kv.value[k].data(), r, taken);
        if (!s.ok()) return fail(s);
        if (taken) return fail(Status::error(kDuplicateKey, r));
    }
    std::vector<Change> changes;
    if (wasDeleted) {
        s = unlinkFree(r, changes);
        if (!s.ok()) return fail(s);
        if (header.deleted > 0) --header.deleted;
    }
    for (std::size_t k = 0; k < trees.size(); ++k) {
        if (!changed[k]) continue;
        if (!ov.omitted[k]) {
            s = trees[k].erase(ov.value[k].data(), r);
            if (!s.ok() && !(s.code == kKeyFileMustBeRebuilt && ignoreCorruptions)) return fail(s);
        }
        if (!kv.omitted[k]) {
            s = trees[k].insert(kv.value[k].data(), r);
            if (!s.ok()) return fail(s);
        }
    }
    std::vector<uint8_t> written;
    changes.insert(changes.begin(), slotWrite(*this, r, rec, written));
    (void)keyChanges(changes);
    Header h = header;
    noteWritten(header, r);
    const bool headerChanged = wasDeleted || maintainHeaderTime || h.highest != header.highest ||
                               h.lowest != header.lowest;
    if (headerChanged) (void)headerChange(changes);
    s = commitWrite(changes);
    if (!s.ok()) return fail(s);
    readCopy = written;
    return endWrite();
}

Status File::State::remove() {
    RecordChange w(*this);
    Status s = w.begin(false);
    if (!s.ok()) return s;
    auto fail = [&](Status e) { return w.fail(e); };
    const uint32_t r = w.r;
    const KeyValues& ov = w.stored;
    for (std::size_t k = 0; k < trees.size(); ++k) {
        if (ov.omitted[k]) continue;
        s = trees[k].erase(ov.value[k].data(), r);
        if (!s.ok() && !(s.code == kKeyFileMustBeRebuilt && ignoreCorruptions)) return fail(s);
    }
    std::vector<Change> changes;
    Change c;
    c.file = 0;
    c.offset = slotOffset(r);
    c.bytes.assign(kSlotPrefix, 0);
    c.bytes[0] = kSlotDeleted;
    le::put32(c.bytes.data() + 1, header.firstFree);
    changes.push_back(std::move(c));
    header.firstFree = r;
    ++header.deleted;
    noteWritten(header, r);
    (void)keyChanges(changes);
    (void)headerChange(changes);
    s = commitWrite(changes);
    if (!s.ok()) return fail(s);
    if (held == r) dropHold();
    current = 0;
    readCopy.clear();
    return endWrite();
}

}  // namespace kw::storage
