// The table's journal (".LOG"): a redo log with undo images for transactions, shared by
// every station that writes the table, and the change counter that readers use to see
// whether a writer was at work while they read.
//
// Head, block 0 (512 bytes):
//     0    4 magic      "KWLG"
//     4    4 version    1
//     8    4 sequence   raised before and after every write of the table: odd while a
//                       station is writing, even when the files are consistent
//    12    4 generation raised at every checkpoint; records of an older generation
//                       are dead
//    16    8 end        where the next record goes
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
//    ...   4 CRC-32 of everything before it
//
// The head is changed through a shared writable map (no system call); a sync of the
// journal takes it to the disk with the records.
//
// An operation is committed once its record is on disk (one sync); its changes are
// then written to the files. Recovery replays the records of the current generation in
// order: operations and transaction operations are redone, an aborted transaction and
// one left open at the end are undone from their undo images, newest first. A
// checkpoint syncs the table's files and starts a new generation.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>
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

inline constexpr uint32_t kJournalFlagBulk = 1;
inline constexpr uint64_t kJournalStart = 512;
// Bytes a journal is given when created (records beyond them make it grow).
inline constexpr uint64_t kJournalPreallocated = uint64_t{1} << 20;

struct JournalHead {
    uint32_t sequence = 0;
    uint32_t generation = 1;
    uint64_t end = kJournalStart;
    uint32_t flags = 0;
    uint32_t nextTransaction = 1;
};

class Journal {
public:
    // Opens (and, when missing or empty, creates) the journal.
    Status open(FileSystem& fs, const std::string& path, bool writable);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    MappedFile& file() { return file_; }

    // The change counter as other stations left it (read from the map).
    uint32_t sequence();
    // The head as it is on disk now; 38-like damage gives a fresh head (dead records).
    JournalHead head();
    Status writeHead(const JournalHead& h);
    Status writeSequence(uint32_t seq);

    // Appends a record at `at`; `next` is where the following one goes. With `durable`
    // the call returns once the record is on the disk (a synchronous write that leaves
    // the head, changed through the map, to the next checkpoint).
    Status append(uint64_t at, uint32_t generation, RecordKind kind, uint32_t txn,
                  const std::vector<Change>& changes, uint64_t& next, bool durable = false);
    Status sync();
    // Whether the first record slot holds a live record of this generation.
    bool hasLiveRecords(uint32_t generation);

    // Replays the live records through `write` (file, offset, bytes, length). Returns
    // the end of the last live record in `end`.
    Status replay(uint32_t generation,
                  const std::function<Status(uint16_t, uint64_t, const uint8_t*, std::size_t)>& write,
                  uint64_t& end);

private:
    MappedFile file_;
    uint8_t* head_ = nullptr;  // the head block, mapped for writing (null: read-only)
    Handle syncHandle_ = kNoHandle;  // the journal opened for synchronous writes
};

uint32_t crc32(const uint8_t* p, std::size_t n, uint32_t crc = 0);

}  // namespace kw::storage
