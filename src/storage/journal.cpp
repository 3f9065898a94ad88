#include "storage/journal.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
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
    le::put32(b + 8, h.id);
    le::put32(b + 12, h.generation);
    le::put32(b + 24, h.flags);
    le::put32(b + 28, h.nextTransaction);
}

// Any value that differs between two journals made one after the other will do.
uint32_t newJournalId() {
    static std::atomic<uint32_t> made{0};
    const auto t =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    uint32_t id = static_cast<uint32_t>(t ^ (t >> 32)) * 2654435761u + made.fetch_add(1) * 40503u +
                  static_cast<uint32_t>(::getpid());
    return id == 0 ? 1 : id;
}

Status sysError(int err) {
    Status s = Status::system(kFileSystemError, err);
    s.fileIndex = 0;
    return s;
}

}  // namespace

// CRC-32 (the polynomial of zip), eight bytes a step: a journal record of a few key
// blocks is checked in about a microsecond.
uint32_t crc32(const uint8_t* p, std::size_t n, uint32_t crc) {
    static const auto table = [] {
        std::array<std::array<uint32_t, 256>, 8> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (std::size_t k = 1; k < 8; ++k)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        return t;
    }();
    crc = ~crc;
    for (; n >= 8; n -= 8, p += 8) {
        const uint32_t lo = le::get32(p) ^ crc, hi = le::get32(p + 4);
        crc = table[7][lo & 0xFF] ^ table[6][(lo >> 8) & 0xFF] ^ table[5][(lo >> 16) & 0xFF] ^
              table[4][lo >> 24] ^ table[3][hi & 0xFF] ^ table[2][(hi >> 8) & 0xFF] ^
              table[1][(hi >> 16) & 0xFF] ^ table[0][hi >> 24];
    }
    for (; n > 0; --n, ++p) crc = table[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

namespace {

// The counters file: its first bytes, as offsets.
constexpr uint64_t kCountGeneration = 0;  // journal generation the end belongs to
constexpr uint64_t kCountSequence = 4;
constexpr uint64_t kCountEnd = 8;
constexpr uint64_t kCountId = 16;
constexpr uint64_t kCountHolds = 20;
constexpr uint64_t kCountFrame = 24;
constexpr uint64_t kCountersSize = 512;

}  // namespace

Status Journal::open(FileSystem& fs, const std::string& path, bool writable,
                     const std::string& countersPath) {
    close();
    int rc = file_.open(fs, path, writable ? (kOpenReadWrite | kOpenCreate) : kOpenRead);
    if (rc != 0) return Status::system(codeFromErrno(rc), rc);
    if (writable && file_.size() < kJournalPreallocated) {
        rc = preallocate();
        if (rc != 0) return sysError(rc);
    }
    if (!countersPath.empty()) {
        rc =
            counters_.open(fs, countersPath, writable ? (kOpenReadWrite | kOpenCreate) : kOpenRead);
        // Zero bytes are a valid start (no generation yet); stations that extend it
        // at once extend it alike.
        if (rc == 0 && writable && counters_.size() < kCountersSize) rc = extendCounters();
        if (rc != 0) {
            counters_.close();
            if (writable) return sysError(rc);
        }
    }
    if (!writable) return Status::okay();
    // Records go straight to the disk where the file system allows: a synchronous
    // write then skips the page cache's write-back and costs a tenth less.
    rc = reopenSynced(true);
    return rc == 0 ? Status::okay() : sysError(rc);
}

// A new journal gets a fresh head and room for its records written once, so that
// appending later changes no file size and a sync moves only the record. A journal
// shorter than that (made by an older program, or cut short) keeps its head and every
// byte it has: only the room beyond is added. Stations opening a new table at once do
// this one after the other, so that none writes zeros over another's first records.
int Journal::preallocate() {
    const uint64_t lockAt = uint64_t{1} << 40;
    int rc = lockWithin(file_.fs(), file_.handle(), lockAt, 1, LockKind::Exclusive, 10);
    if (rc != 0) return rc;
    rc = file_.refresh();
    const uint64_t size = file_.size();
    if (rc == 0) rc = addRoom(kJournalPreallocated);
    if (rc == 0 && size < kJournalStart) {
        uint8_t b[kJournalStart];
        JournalHead fresh;
        fresh.id = newJournalId();
        encodeHead(fresh, b);
        rc = file_.write(b, kJournalStart, 0);
    }
    file_.lock(lockAt, 1, LockKind::Unlock);
    return rc;
}

// The counters file is given its bytes by a write, not by a size change: a store into a
// page of the map that the file system has not given space yet would kill the program on
// a full disk, where a write just fails. Stations doing this at once take turns, and
// write only what the file lacks.
int Journal::extendCounters() {
    const uint64_t lockAt = uint64_t{1} << 40;
    int rc = lockWithin(file_.fs(), file_.handle(), lockAt, 1, LockKind::Exclusive, 10);
    if (rc != 0) return rc;
    rc = counters_.refresh();
    const uint64_t size = counters_.size();
    if (rc == 0 && size < kCountersSize) {
        const std::vector<uint8_t> zeros(kCountersSize - size, 0);
        rc = counters_.write(zeros.data(), zeros.size(), size);
        if (rc == 0) rc = counters_.refresh();
    }
    file_.lock(lockAt, 1, LockKind::Unlock);
    return rc;
}

void Journal::close() {
    if (syncHandle_ != kNoHandle) file_.fs().close(syncHandle_);
    syncHandle_ = kNoHandle;
    if (directHandle_ != kNoHandle) file_.fs().close(directHandle_);
    directHandle_ = kNoHandle;
    direct_ = false;
    counters_.close();
    file_.close();
}

const uint8_t* Journal::counters() {
    return counters_.isOpen() && counters_.have(0, kCountersSize) ? counters_.at(0) : nullptr;
}

uint32_t Journal::sequence() {
    const uint8_t* c = counters();
    if (!c) return 1;  // odd: readers take the writers' lock instead
    uint32_t v;
    std::memcpy(&v, c + kCountSequence, 4);
    std::atomic_thread_fence(std::memory_order_acquire);
    return v;
}

JournalHead Journal::head() {
    JournalHead h;
    if (file_.have(0, kJournalStart)) {
        const uint8_t* b = file_.at(0);
        if (std::memcmp(b, kHeadMagic, 4) == 0 && le::get32(b + 4) == 1) {
            h.id = le::get32(b + 8);
            h.generation = le::get32(b + 12);
            h.flags = le::get32(b + 24);
            h.nextTransaction = le::get32(b + 28);
        }
    }
    h.sequence = sequence();
    const uint8_t* c = counters();
    // The end kept with the counters holds for the generation it was written for; else
    // (a new counters file, a crash between the two heads) it is found by reading.
    if (c && le::get32(c + kCountGeneration) == h.generation && le::get32(c + kCountId) == h.id)
        h.end = std::max<uint64_t>(le::get64(c + kCountEnd), kJournalStart);
    else
        h.end = liveEnd(h.generation);
    return h;
}

Status Journal::writeHead(const JournalHead& h) {
    if (!counters_.isOpen() || counters_.size() < kCountersSize) return sysError(EBADF);
    uint8_t c[20];
    le::put32(c + kCountGeneration, h.generation);
    le::put32(c + kCountSequence, h.sequence);
    le::put64(c + kCountEnd, h.end);
    le::put32(c + kCountId, h.id);
    std::atomic_thread_fence(std::memory_order_release);
    int rc = counters_.write(c, sizeof c, 0);
    if (rc != 0) return sysError(rc);
    // The journal's own head changes only at checkpoints and transactions: the sync of
    // a record never has to carry it.
    uint8_t b[kJournalStart];
    encodeHead(h, b);
    if (!file_.have(0, kJournalStart)) return sysError(EIO);
    const uint8_t* now = file_.at(0);
    if (std::memcmp(now, b, 32) == 0) return Status::okay();
    rc = file_.write(b, 32, 0);
    return rc == 0 ? Status::okay() : sysError(rc);
}

Status Journal::writeSequence(uint32_t seq) {
    if (!counters_.isOpen() || counters_.size() < kCountersSize) return sysError(EBADF);
    uint8_t b[4];
    le::put32(b, seq);
    std::atomic_thread_fence(std::memory_order_release);
    int rc = counters_.write(b, 4, kCountSequence);
    return rc == 0 ? Status::okay() : sysError(rc);
}

uint32_t* Journal::holdsCounter() {
    if (!counters()) return nullptr;
    return reinterpret_cast<uint32_t*>(counters_.writableAt(kCountHolds));
}

uint32_t Journal::holds() {
    const uint8_t* c = counters();
    if (!c) return UINT32_MAX;  // unknown: every hold lock must be looked at
    auto* p = const_cast<uint32_t*>(reinterpret_cast<const uint32_t*>(c + kCountHolds));
    return std::atomic_ref<uint32_t>(*p).load(std::memory_order_acquire);
}

void Journal::addHolds(int32_t delta) {
    uint32_t* p = holdsCounter();
    if (!p) return;
    std::atomic_ref<uint32_t> n(*p);
    if (delta >= 0) {
        n.fetch_add(static_cast<uint32_t>(delta), std::memory_order_acq_rel);
        return;
    }
    // Never below zero: a count put right meanwhile may already leave this hold out.
    uint32_t v = n.load(std::memory_order_acquire);
    const auto d = static_cast<uint32_t>(-delta);
    while (!n.compare_exchange_weak(v, v > d ? v - d : 0, std::memory_order_acq_rel)) {
    }
}

void Journal::repairHolds(uint32_t expected, uint32_t value) {
    uint32_t* p = holdsCounter();
    if (!p) return;
    std::atomic_ref<uint32_t>(*p).compare_exchange_strong(expected, value,
                                                          std::memory_order_acq_rel);
}

uint32_t Journal::openFrame() {
    const uint8_t* c = counters();
    return c ? le::get32(c + kCountFrame) : 0;
}

Status Journal::writeFrame(uint32_t transaction) {
    if (!counters_.isOpen() || counters_.size() < kCountersSize) return sysError(EBADF);
    uint8_t b[4];
    le::put32(b, transaction);
    const int rc = counters_.write(b, 4, kCountFrame);
    return rc == 0 ? Status::okay() : sysError(rc);
}

Status Journal::append(uint64_t at, uint32_t generation, RecordKind kind, uint32_t txn,
                       const std::vector<Change>& changes, uint64_t& next, bool durable,
                       const std::string& note) {
    std::size_t content = kRecHead;
    for (const auto& c : changes) content += kChangeHead + c.bytes.size() + c.before.size();
    if (!note.empty()) content += kChangeHead + note.size();
    // A record written past the page cache fills whole sectors from a sector boundary;
    // the padding lies between its changes and its check. A record written through the
    // page cache is padded alike, so that the next one can go past it.
    const bool aligned = direct_ && at % kSector == 0;
    const bool direct = durable && aligned;
    const std::size_t size =
        aligned ? (content + 4 + kSector - 1) / kSector * kSector : content + 4;
    record_.assign(size + kSector, 0);
    const auto misalign = reinterpret_cast<uintptr_t>(record_.data()) % kSector;
    uint8_t* r = record_.data() + (misalign ? kSector - misalign : 0);
    std::memcpy(r, kRecMagic, 4);
    le::put32(r + 4, generation);
    le::put32(r + 8, static_cast<uint32_t>(size));
    r[12] = static_cast<uint8_t>(kind);
    le::put32(r + 16, txn);
    le::put32(r + 20, static_cast<uint32_t>(changes.size() + (note.empty() ? 0 : 1)));
    std::size_t pos = kRecHead;
    if (!note.empty()) {
        le::put16(r + pos, kFrameNote);
        le::put32(r + pos + 12, static_cast<uint32_t>(note.size()));
        std::memcpy(r + pos + kChangeHead, note.data(), note.size());
        pos += kChangeHead + note.size();
    }
    for (const auto& c : changes) {
        le::put16(r + pos, c.file);
        r[pos + 2] = c.before.empty() ? 0 : 1;
        le::put64(r + pos + 4, c.offset);
        le::put32(r + pos + 12, static_cast<uint32_t>(c.bytes.size()));
        pos += kChangeHead;
        std::memcpy(r + pos, c.bytes.data(), c.bytes.size());
        pos += c.bytes.size();
        if (!c.before.empty()) {
            std::memcpy(r + pos, c.before.data(), c.before.size());
            pos += c.before.size();
        }
    }
    le::put32(r + size - 4, crc32(r, size - 4));
    int rc;
    if (!durable) {
        rc = aligned ? writeDirect(r, size, at) : EINVAL;
        if (rc != 0) rc = file_.write(r, size, at);
    } else if (syncHandle_ == kNoHandle) {
        rc = file_.write(r, size, at);
        if (rc == 0) rc = file_.sync();
    } else {
        rc = file_.fs().write(syncHandle_, r, size, at);
        if (rc == EINVAL && direct) {
            // The device wants larger pieces than a sector: write through the page cache
            // from now on.
            rc = reopenSynced(false);
            if (rc == 0) rc = file_.fs().write(syncHandle_, r, size, at);
        }
    }
    if (rc != 0) return sysError(rc);
    next = at + size;
    return Status::okay();
}

// A record that need not wait for the disk, written past the page cache all the same:
// the synchronous records written past it leave the cache without the journal's pages,
// and a store through the map would first read its page back from the disk.
int Journal::writeDirect(const uint8_t* r, std::size_t size, uint64_t at) {
    if (directHandle_ == kNoHandle &&
        file_.fs().open(file_.path(), kOpenReadWrite | kOpenDirect, directHandle_) != 0) {
        directHandle_ = kNoHandle;
        return EINVAL;
    }
    return file_.fs().write(directHandle_, r, size, at);
}

int Journal::reopenSynced(bool direct) {
    if (syncHandle_ != kNoHandle) file_.fs().close(syncHandle_);
    syncHandle_ = kNoHandle;
    direct_ = false;
    int rc = EINVAL;
    if (direct) {
        rc = file_.fs().open(file_.path(), kOpenReadWrite | kOpenDataSync | kOpenDirect,
                             syncHandle_);
        direct_ = rc == 0;
    }
    if (rc != 0) rc = file_.fs().open(file_.path(), kOpenReadWrite | kOpenDataSync, syncHandle_);
    if (rc != 0) syncHandle_ = kNoHandle;
    return rc;
}

// Zeros from the end of what the file has (never over its head or records) up to
// `size` bytes.
int Journal::addRoom(uint64_t size) {
    int rc = file_.refresh();
    const uint64_t from = std::max(file_.size(), kJournalStart);
    if (rc == 0 && from < size) {
        std::vector<uint8_t> zeros(size - from, 0);
        rc = file_.write(zeros.data(), zeros.size(), from);
        if (rc == 0) rc = file_.refresh();
    }
    return rc;
}

Status Journal::grow(uint64_t size) {
    int rc = addRoom(size);
    if (rc == 0) rc = file_.sync();
    return rc == 0 ? Status::okay() : sysError(rc);
}

Status Journal::sync() {
    int rc = file_.sync();
    return rc == 0 ? Status::okay() : sysError(rc);
}

uint32_t Journal::liveRecordAt(uint64_t pos, uint32_t generation) {
    if (!file_.have(pos, kRecHead + 4)) return 0;
    const uint8_t* r = file_.at(pos);
    if (std::memcmp(r, kRecMagic, 4) != 0 || le::get32(r + 4) != generation) return 0;
    const uint32_t len = le::get32(r + 8);
    if (len < kRecHead + 4 || !file_.have(pos, len)) return 0;
    r = file_.at(pos);
    return crc32(r, len - 4) == le::get32(r + len - 4) ? len : 0;
}

bool Journal::hasLiveRecords(uint32_t generation) {
    file_.refresh();
    return liveRecordAt(kJournalStart, generation) != 0;
}

uint64_t Journal::liveEnd(uint32_t generation) {
    file_.refresh();
    uint64_t pos = kJournalStart;
    while (const uint32_t len = liveRecordAt(pos, generation)) pos += len;
    return pos;
}

Status Journal::replay(
    uint32_t generation,
    const std::function<Status(uint16_t, uint64_t, const uint8_t*, std::size_t)>& write,
    uint64_t& end, ReplayFrames* frames) {
    struct Item {
        uint16_t file;
        uint64_t offset;
        const uint8_t* bytes;
        const uint8_t* before;
        std::size_t len;
    };
    std::map<uint32_t, std::vector<Item>> open;   // transactions not yet closed
    std::map<uint32_t, std::string> coordinator;  // of open transactions over several tables
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
    while (const uint32_t len = liveRecordAt(pos, generation)) {
        const uint8_t* r = file_.at(pos);
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
            Item it{le::get16(r + p), le::get64(r + p + 4), nullptr, nullptr,
                    le::get32(r + p + 12)};
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
        std::string note;
        for (auto it = items.begin(); it != items.end();) {
            if (it->file == kFrameNote) {
                note.assign(reinterpret_cast<const char*>(it->bytes), it->len);
                it = items.erase(it);
                continue;
            }
            Status s = write(it->file, it->offset, it->bytes, it->len);
            if (!s.ok()) return s;
            ++it;
        }
        if (kind == RecordKind::TxOp) {
            auto& v = open[txn];
            v.insert(v.end(), items.begin(), items.end());
            if (!note.empty()) coordinator[txn] = note;
        } else if (kind == RecordKind::Commit) {
            open.erase(txn);
            if (frames && !note.empty()) frames->decided.emplace_back(txn, note);
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
    // Transactions that never closed are undone, the newest first, but for those that
    // their coordinator committed.
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (frames && it->first == frames->live) continue;
        const auto c = coordinator.find(it->first);
        if (frames && frames->committedAt && c != coordinator.end() &&
            frames->committedAt(it->first, c->second)) {
            frames->kept.push_back(it->first);
            continue;
        }
        Status s = undo(it->second);
        if (!s.ok()) return s;
        if (frames) frames->undone.push_back(it->first);
    }
    return Status::okay();
}

void Journal::transactions(uint32_t generation, std::vector<uint32_t>& committed,
                           std::vector<uint32_t>& open,
                           std::vector<std::pair<uint32_t, std::string>>* decided) {
    if (decided) decided->clear();
    committed.clear();
    open.clear();
    file_.refresh();
    for (uint64_t pos = kJournalStart;;) {
        const uint32_t len = liveRecordAt(pos, generation);
        if (len == 0) break;
        const uint8_t* r = file_.at(pos);
        const auto kind = static_cast<RecordKind>(r[12]);
        const uint32_t txn = le::get32(r + 16);
        if (kind == RecordKind::TxOp && std::find(open.begin(), open.end(), txn) == open.end())
            open.push_back(txn);
        if (kind == RecordKind::Commit || kind == RecordKind::Abort)
            open.erase(std::remove(open.begin(), open.end(), txn), open.end());
        if (kind == RecordKind::Commit) committed.push_back(txn);
        // A note comes first among a record's changes.
        if (decided && kind == RecordKind::Commit && le::get32(r + 20) > 0 &&
            le::get16(r + kRecHead) == kFrameNote) {
            const uint32_t n = le::get32(r + kRecHead + 12);
            if (kRecHead + kChangeHead + n + 4 <= len)
                decided->emplace_back(
                    txn, std::string(reinterpret_cast<const char*>(r + kRecHead + kChangeHead), n));
        }
        pos += len;
    }
}

}  // namespace kw::storage
