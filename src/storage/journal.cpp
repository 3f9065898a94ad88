#include "storage/journal.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>

#include "storage/byte_order.h"

namespace kw::storage {

namespace {

constexpr uint8_t kHeadMagic[4] = {'K', 'W', 'L', 'G'};
constexpr uint8_t kRecMagic[4] = {'K', 'W', 'R', 'C'};
constexpr std::size_t kRecHead = 24;
constexpr std::size_t kChangeHead = 16;

void encodeHead(const JournalHead& h, uint8_t* b) {
    std::memset(b, 0, kJournalStart);
    std::memcpy(b, kHeadMagic, 4);
    le::put32(b + 4, 1);
    le::put32(b + 8, h.sequence);
    le::put32(b + 12, h.generation);
    le::put64(b + 16, h.end);
    le::put32(b + 24, h.flags);
    le::put32(b + 28, h.nextTransaction);
}

Status sysError(int err) {
    Status s = Status::system(kFileSystemError, err);
    s.fileIndex = 0;
    return s;
}

}  // namespace

uint32_t crc32(const uint8_t* p, std::size_t n, uint32_t crc) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

Status Journal::open(FileSystem& fs, const std::string& path, bool writable) {
    close();
    int rc = file_.open(fs, path, writable ? (kOpenReadWrite | kOpenCreate) : kOpenRead);
    if (rc != 0) return Status::system(codeFromErrno(rc), rc);
    if (!writable) return Status::okay();
    if (file_.size() < kJournalPreallocated) {
        // A new journal (or one cut short) gets a fresh head, which makes every record
        // dead, and room for its records written once, so that appending later changes
        // no file size and a sync moves only the record.
        uint8_t b[kJournalStart];
        encodeHead(JournalHead{}, b);
        if (file_.size() >= kJournalStart) std::memcpy(b, file_.at(0), kJournalStart);
        std::vector<uint8_t> zeros(kJournalPreallocated - kJournalStart, 0);
        rc = file_.write(zeros.data(), zeros.size(), kJournalStart);
        if (rc == 0) rc = file_.write(b, kJournalStart, 0);
        if (rc == 0) rc = file_.refresh();
        if (rc != 0) return sysError(rc);
    }
    uint8_t* p = nullptr;
    rc = fs.mapWritable(file_.handle(), kJournalStart, p);
    if (rc != 0) return sysError(rc);
    head_ = p;
    rc = fs.open(path, kOpenReadWrite | kOpenDataSync, syncHandle_);
    if (rc != 0) {
        syncHandle_ = kNoHandle;
        return sysError(rc);
    }
    return Status::okay();
}

void Journal::close() {
    if (head_) file_.fs().unmap(head_, kJournalStart);
    head_ = nullptr;
    if (syncHandle_ != kNoHandle) file_.fs().close(syncHandle_);
    syncHandle_ = kNoHandle;
    file_.close();
}

uint32_t Journal::sequence() {
    if (!file_.have(0, kJournalStart)) return 0;
    uint32_t v;
    std::memcpy(&v, file_.at(8), 4);
    std::atomic_thread_fence(std::memory_order_acquire);
    return v;
}

JournalHead Journal::head() {
    JournalHead h;
    if (!file_.have(0, kJournalStart)) return h;
    const uint8_t* b = file_.at(0);
    if (std::memcmp(b, kHeadMagic, 4) != 0 || le::get32(b + 4) != 1) return h;
    h.sequence = le::get32(b + 8);
    h.generation = le::get32(b + 12);
    h.end = le::get64(b + 16);
    h.flags = le::get32(b + 24);
    h.nextTransaction = le::get32(b + 28);
    if (h.end < kJournalStart) h.end = kJournalStart;
    return h;
}

Status Journal::writeHead(const JournalHead& h) {
    if (!head_) return sysError(EBADF);
    uint8_t b[kJournalStart];
    encodeHead(h, b);
    std::atomic_thread_fence(std::memory_order_release);
    int rc = file_.fs().store(head_, b, 32);
    return rc == 0 ? Status::okay() : sysError(rc);
}

Status Journal::writeSequence(uint32_t seq) {
    if (!head_) return sysError(EBADF);
    uint8_t b[4];
    le::put32(b, seq);
    std::atomic_thread_fence(std::memory_order_release);
    int rc = file_.fs().store(head_ + 8, b, 4);
    return rc == 0 ? Status::okay() : sysError(rc);
}

Status Journal::append(uint64_t at, uint32_t generation, RecordKind kind, uint32_t txn,
                       const std::vector<Change>& changes, uint64_t& next, bool durable) {
    std::size_t size = kRecHead + 4;
    for (const auto& c : changes) size += kChangeHead + c.bytes.size() + c.before.size();
    std::vector<uint8_t> r(size, 0);
    std::memcpy(r.data(), kRecMagic, 4);
    le::put32(r.data() + 4, generation);
    le::put32(r.data() + 8, static_cast<uint32_t>(size));
    r[12] = static_cast<uint8_t>(kind);
    le::put32(r.data() + 16, txn);
    le::put32(r.data() + 20, static_cast<uint32_t>(changes.size()));
    std::size_t pos = kRecHead;
    for (const auto& c : changes) {
        le::put16(r.data() + pos, c.file);
        r[pos + 2] = c.before.empty() ? 0 : 1;
        le::put64(r.data() + pos + 4, c.offset);
        le::put32(r.data() + pos + 12, static_cast<uint32_t>(c.bytes.size()));
        pos += kChangeHead;
        std::memcpy(r.data() + pos, c.bytes.data(), c.bytes.size());
        pos += c.bytes.size();
        if (!c.before.empty()) {
            std::memcpy(r.data() + pos, c.before.data(), c.before.size());
            pos += c.before.size();
        }
    }
    le::put32(r.data() + pos, crc32(r.data(), pos));
    int rc = durable && syncHandle_ != kNoHandle ? file_.fs().write(syncHandle_, r.data(), r.size(), at)
                                                 : file_.write(r.data(), r.size(), at);
    if (rc == 0 && durable && syncHandle_ == kNoHandle) rc = file_.sync();
    if (rc != 0) return sysError(rc);
    next = at + size;
    return Status::okay();
}

Status Journal::sync() {
    int rc = file_.sync();
    return rc == 0 ? Status::okay() : sysError(rc);
}

bool Journal::hasLiveRecords(uint32_t generation) {
    file_.refresh();
    if (!file_.have(kJournalStart, kRecHead + 4)) return false;
    const uint8_t* r = file_.at(kJournalStart);
    if (std::memcmp(r, kRecMagic, 4) != 0 || le::get32(r + 4) != generation) return false;
    const uint32_t len = le::get32(r + 8);
    if (len < kRecHead + 4 || !file_.have(kJournalStart, len)) return false;
    r = file_.at(kJournalStart);
    return crc32(r, len - 4) == le::get32(r + len - 4);
}

Status Journal::replay(uint32_t generation,
                       const std::function<Status(uint16_t, uint64_t, const uint8_t*, std::size_t)>& write,
                       uint64_t& end) {
    struct Item {
        uint16_t file;
        uint64_t offset;
        const uint8_t* bytes;
        const uint8_t* before;
        std::size_t len;
    };
    std::map<uint32_t, std::vector<Item>> open;  // transactions not yet closed
    auto undo = [&](std::vector<Item>& items) -> Status {
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            if (!it->before) continue;
            Status s = write(it->file, it->offset, it->before, it->len);
            if (!s.ok()) return s;
        }
        return Status::okay();
    };
    file_.refresh();
    uint64_t pos = kJournalStart;
    end = pos;
    while (file_.have(pos, kRecHead + 4)) {
        const uint8_t* r = file_.at(pos);
        if (std::memcmp(r, kRecMagic, 4) != 0 || le::get32(r + 4) != generation) break;
        const uint32_t len = le::get32(r + 8);
        if (len < kRecHead + 4 || !file_.have(pos, len)) break;
        r = file_.at(pos);
        if (crc32(r, len - 4) != le::get32(r + len - 4)) break;
        const auto kind = static_cast<RecordKind>(r[12]);
        const uint32_t txn = le::get32(r + 16);
        const uint32_t n = le::get32(r + 20);
        std::vector<Item> items;
        std::size_t p = kRecHead;
        bool ok = true;
        for (uint32_t i = 0; i < n && ok; ++i) {
            if (len - 4 - p < kChangeHead) {
                ok = false;
                break;
            }
            Item it{le::get16(r + p), le::get64(r + p + 4), nullptr, nullptr, le::get32(r + p + 12)};
            const bool hasBefore = r[p + 2] != 0;
            p += kChangeHead;
            const std::size_t need = it.len * (hasBefore ? 2 : 1);
            if (it.len > len || len - 4 - p < need) {
                ok = false;
                break;
            }
            it.bytes = r + p;
            if (hasBefore) it.before = r + p + it.len;
            p += need;
            items.push_back(it);
        }
        if (!ok) break;
        for (const auto& it : items) {
            Status s = write(it.file, it.offset, it.bytes, it.len);
            if (!s.ok()) return s;
        }
        if (kind == RecordKind::TxOp) {
            auto& v = open[txn];
            v.insert(v.end(), items.begin(), items.end());
        } else if (kind == RecordKind::Commit) {
            open.erase(txn);
        } else if (kind == RecordKind::Abort) {
            auto it = open.find(txn);
            if (it != open.end()) {
                Status s = undo(it->second);
                if (!s.ok()) return s;
                open.erase(it);
            }
        }
        pos += len;
        end = pos;
    }
    // Transactions that never closed are undone, the newest first.
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        Status s = undo(it->second);
        if (!s.ok()) return s;
    }
    return Status::okay();
}

}  // namespace kw::storage
