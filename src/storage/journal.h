// The table's journal (".LOG"): a redo log with undo images for transactions, shared by
// every station that writes the table; and beside it the counters file (".LGC"), which
// carries what the stations change at every write and readers look at on every read.
//
// Journal head, block 0 (512 bytes):
//     0    4 magic      "KWLG"
//     4    4 version    1
//     8    4 journal id drawn when the journal is made; the counters file names the
//                       journal its counters belong to by it
//    12    4 generation raised at every checkpoint; records of an older generation
//                       are dead
//    16    8 zero
//    24    4 flags      1: writes without journal (bulk mode) since the last checkpoint
//    28    4 next transaction number
//
// Records from offset 512, each:
//     0    4 magic      "KWRC"
//     4    4 generation
//     8    4 length     of the whole record, checksum included
//    12    1 kind       1 operation, 2 operation inside a transaction, 3 commit, 4 abort
//    13    3 zero
//    16    4 transaction number (0 for kind 1)
//    20    4 change count
//    24      changes, each: file (2: 0 data file, n key file n), 1 when undo bytes
//            follow (1), zero (1), offset (8), length (4), the new bytes, then for a
//            transaction the bytes they replace
//    ...     zero padding up to a whole number of sectors (512 bytes) when the journal
//            is written past the page cache
//    ...   4 CRC-32 of everything before it
//
// Counters file (512 bytes, all zero when new), changed through a shared writable map
// and never synced: it lives in the page cache that all stations of the machine share.
//     0    4 generation the end below belongs to (0: none)
//     4    4 sequence   raised before and after every write of the table: odd while a
//                       station is writing, even when the files are consistent
//     8    8 end        where the next record goes
//    16    4 journal id the end belongs to (a table made again has a new journal)
//    20    4 holds      records held by all stations together, changed by atomic
//                       additions; readers look up a record's hold lock only while it
//                       is not zero. A station killed while holding leaves it too high
//                       (slower reads, never wrong ones) until a station finds no hold
//                       lock at all and puts it right.
//    24    4 frame      the transaction a station has open in the table (0: none). Its
//                       station holds the writers' lock throughout: whoever takes that
//                       lock and finds another's transaction here knows its station
//                       died inside it, and undoes it from the journal.
// The counters are kept out of the journal on purpose: a store into a mapped page of
// the journal would make every synchronous record write carry that page and the
// file's times with it, doubling the cost of a durable write. When the counters are
// lost (a new file, a crash of the machine) the end is found again by reading the live
// records, and the first station to open the table recovers it.
//
// A transaction over several tables is decided by one record: the commit record of its
// last table (the coordinator), which names the other tables and may carry that
// table's last changes of the transaction (redone as any record's). Their records of the
// transaction name the coordinator, and a table that finds such a transaction open at
// its end in recovery keeps it when the coordinator's journal holds its commit. The
// coordinator's recovery first gives every table it names a commit record of the
// transactions it decided, so that no decision is forgotten while a table needs it.
//
// An operation is committed once its record is on disk (one sync); its changes are
// then written to the files. Recovery replays the records of the current generation in
// order: operations and transaction operations are redone, an aborted transaction and
// one left open at the end are undone from their undo images, newest first. A
// checkpoint syncs the table's files and starts a new generation.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/mapped_file.h"
#include "storage/status.h"

namespace kw::storage {

struct Change {
    uint16_t file = 0;  // 0 data file, n key file n
    uint64_t offset = 0;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> before;  // only inside a transaction
};

enum class RecordKind : uint8_t { Op = 1, TxOp = 2, Commit = 3, Abort = 4 };

// A change of this file number carries a note of the transaction's tables instead of
// bytes of a file: in a coordinator's commit the other tables' names ('\n' between
// them), in another table's transaction record the coordinator's name.
inline constexpr uint16_t kFrameNote = 0xFFFF;

// What a replay learns of transactions over several tables.
struct ReplayFrames {
    // Whether the coordinator named by a transaction left open at the end committed it.
    std::function<bool(uint32_t txn, const std::string& coordinator)> committedAt;
    // The transactions this journal decided as coordinator, with their tables' note.
    std::vector<std::pair<uint32_t, std::string>> decided;
    // The replaying station's own transaction, still going on: redone, never undone.
    uint32_t live = 0;
    // The transactions left open that the replay undid (the newest first), and those it
    // kept on their coordinator's word.
    std::vector<uint32_t> undone, kept;
};

inline constexpr uint32_t kJournalFlagBulk = 1;
inline constexpr uint64_t kJournalStart = 512;
// Bytes a journal is given when created (records beyond them make it grow).
inline constexpr uint64_t kJournalPreallocated = uint64_t{1} << 20;
// A journal that fills up is given room up to this size once, before it checkpoints
// whenever it fills: a busy table syncs its files every few thousand writes, a quiet
// one keeps a small journal.
inline constexpr uint64_t kJournalLimit = uint64_t{4} << 20;
// Room left at the end of a journal when it checkpoints (a record may pass its end).
inline constexpr uint64_t kJournalSlack = uint64_t{64} << 10;

struct JournalHead {
    uint32_t id = 0;  // drawn when the journal is made: counters of another journal do not count
    uint32_t sequence = 0;
    uint32_t generation = 1;
    uint64_t end = kJournalStart;
    uint32_t flags = 0;
    uint32_t nextTransaction = 1;
};

class Journal {
  public:
    // Opens (and, when missing or empty, creates) the journal and its counters file
    // (none when countersPath is empty: the journal is only being made).
    Status open(FileSystem& fs, const std::string& path, bool writable,
                const std::string& countersPath = {});
    void close();
    bool isOpen() const { return file_.isOpen(); }
    MappedFile& file() { return file_; }

    // The change counter as other stations left it (read from the map); odd when there
    // is no counters file.
    uint32_t sequence();
    // The head as it is on disk now; 38-like damage gives a fresh head (dead records).
    JournalHead head();
    Status writeHead(const JournalHead& h);
    Status writeSequence(uint32_t seq);

    // The count of records held by all stations (UINT32_MAX when unknown).
    uint32_t holds();
    // Adds `delta` to the count; nothing when the journal is not open for writing.
    void addHolds(int32_t delta);
    // Sets the count from `expected` to `value` unless another station changed it.
    void repairHolds(uint32_t expected, uint32_t value);

    // The transaction open in the table (0: none, or no counters file).
    uint32_t openFrame();
    Status writeFrame(uint32_t transaction);

    // Appends a record at `at`; `next` is where the following one goes. With `durable`
    // the call returns once the record is on the disk (a synchronous write that leaves
    // the head, changed through the map, to the next checkpoint).
    // A `note` (kFrameNote) goes with the changes when not empty.
    Status append(uint64_t at, uint32_t generation, RecordKind kind, uint32_t txn,
                  const std::vector<Change>& changes, uint64_t& next, bool durable = false,
                  const std::string& note = {});
    Status sync();
    // Gives the journal room up to `size` bytes, written and synced (under the
    // writers' lock).
    Status grow(uint64_t size);
    // Whether the first record slot holds a live record of this generation.
    bool hasLiveRecords(uint32_t generation);
    // Where the live records of this generation end.
    uint64_t liveEnd(uint32_t generation);

    // Replays the live records through `write` (file, offset, bytes, length). Returns
    // the end of the last live record in `end`.
    Status replay(
        uint32_t generation,
        const std::function<Status(uint16_t, uint64_t, const uint8_t*, std::size_t)>& write,
        uint64_t& end, ReplayFrames* frames = nullptr);

    // The live records' transactions of this generation that have a commit record, and
    // those that have records but neither a commit nor an abort; with `decided`, the
    // commits that carry a note of other tables, with it.
    void transactions(uint32_t generation, std::vector<uint32_t>& committed,
                      std::vector<uint32_t>& open,
                      std::vector<std::pair<uint32_t, std::string>>* decided = nullptr);

    // The length of the live record of this generation at pos, 0 when there is none.
    uint32_t liveRecordAt(uint64_t pos, uint32_t generation);

  private:
    int preallocate();
    int extendCounters();
    int addRoom(uint64_t size);
    const uint8_t* counters();  // nullptr when there is no counters file
    uint32_t* holdsCounter();   // nullptr when not writable

    MappedFile file_;
    MappedFile counters_;
    Handle syncHandle_ = kNoHandle;    // the journal opened for synchronous writes
    Handle directHandle_ = kNoHandle;  // ... for the others past the page cache (when direct_)
    bool direct_ = false;              // ... past the page cache, in whole sectors
    static constexpr std::size_t kSector = 512;
    std::vector<uint8_t> record_;  // the record being written (room to align it)
    // Opens the synchronous handle again, past the page cache when `direct` and the
    // file system allows it; 0 or errno.
    int reopenSynced(bool direct);
    // Writes a whole-sector record past the page cache without waiting for the disk
    // (only while direct_); an error (no such handle) when it cannot.
    int writeDirect(const uint8_t* r, std::size_t size, uint64_t at);
};

uint32_t crc32(const uint8_t* p, std::size_t n, uint32_t crc = 0);

}  // namespace kw::storage
