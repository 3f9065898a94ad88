// Internals of File shared by its source files: the table's shared part and the
// per-thread driver state. Not part of the driver's interface.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "storage/data_format.h"
#include "storage/driver.h"
#include "storage/file.h"
#include "storage/journal.h"
#include "storage/key_tree.h"
#include "storage/mapped_file.h"
#include "storage/record_codec.h"

namespace kw::storage {

// Byte-range locks of the data file, far beyond any data.
namespace lockat {
inline constexpr uint64_t kBase = uint64_t{1} << 40;
inline constexpr uint64_t kWrite = kBase + 0;     // one writer (operation, LOCK, transaction)
inline constexpr uint64_t kOp = kBase + 1;        // held by a writer while it changes files
inline constexpr uint64_t kFile = kBase + 2;      // LOCK of the whole file
inline constexpr uint64_t kPresence = kBase + 3;  // every open holds it shared
inline constexpr uint64_t kUseRead = kBase + 4;
inline constexpr uint64_t kUseWrite = kBase + 5;
inline constexpr uint64_t kDenyRead = kBase + 6;
inline constexpr uint64_t kDenyWrite = kBase + 7;
inline constexpr uint64_t kBulk = kBase + 8;     // stations writing without journal
inline constexpr uint64_t kRange = kBase + 16;   // + slot: the application's own (File::lockRange)
inline constexpr uint64_t kRecord = kBase + 64;  // + record number: holds
}  // namespace lockat

struct File::Shared {
    TableDecl decl;
    FileSystem* fs = nullptr;
    std::string base;  // directory and disk name, without extension
    Layout layout;     // of a new file
    Status layoutStatus;
    std::vector<KeyShape> keys;  // the declared keys, then the partial keys
    // Per key of `keys`: its key file's extension, and the value length and flags of its head.
    struct KeyFileDesc {
        std::string extension;
        uint8_t length = 0;
        uint8_t flags = 0;
    };
    std::vector<KeyFileDesc> keyFileDescs;
    StringFields strings;
    uint16_t cipherKey = 0;
    bool owned = false;
    uint64_t id = 0;

    std::atomic<FileCallback*> callback{nullptr};

    std::mutex mutex;
    std::unordered_map<std::thread::id, std::unique_ptr<State>> states;
};

// Runs one operation between the call-back's FunctionCalled and FunctionDone.
template <class F>
Status File::called(FileFunction op, F&& body) {
    FileCallback* cb = shared_->callback.load(std::memory_order_acquire);
    if (cb) cb->FunctionCalled(op);
    Status st = body();
    if (cb) cb->FunctionDone(op, st.code);
    return st;
}

// The sequential position: where the next next() or previous() reads.
struct Position {
    enum Kind { Start, Key, Record } kind = Start;
    std::vector<uint8_t> value;  // Key: the key value
    uint32_t forward = 0;        // Key: next reads the first entry >= (value, forward)
                                 // Record: next reads the first live record >= forward
    uint32_t backward = 0;       // Key: previous reads the last entry <= (value, backward)
                                 // Record: previous reads the last live record <= backward
    // Key: the entry last read, usable while the journal counter is still cursorSeq
    // (odd: not usable); saves the walk from the root for the next step.
    KeyTree::Cursor cursor;
    uint32_t cursorSeq = 1;
};

struct Snapshot {
    int order = 0;
    Position pos;
    uint32_t current = 0;
    std::vector<uint8_t> readCopy;
    bool eof = false, bof = false;
};

struct File::State {
    std::shared_ptr<Shared> sh;
    explicit State(std::shared_ptr<Shared> s);
    ~State();

    // --- open files ---
    bool open = false;
    bool writable = false;
    bool alone = false;         // opened exclusively: no other station can be in the files
    bool foundNothing = false;  // the last open found no data file: create() then makes none over
                                // one made meanwhile
    MappedFile dat;
    Journal log;
    std::deque<MappedFile> keyFiles;
    std::deque<KeyTree> trees;
    Header header;         // as last read
    uint32_t seenSeq = 1;  // journal counter the header and trees were read at (odd: none)

    // --- reading ---
    int order = 0;
    Position pos;
    uint32_t current = 0;
    std::vector<uint8_t> readCopy;  // the current record's bytes as read from its slot
    bool atEof = false, atBof = false;
    std::vector<uint8_t> scratch;       // record bytes read, before they are delivered
    std::vector<uint8_t> keyScratch;    // key value of the entry read
    std::vector<uint8_t> valueScratch;  // key value searched for
    KeyTree::Cursor cursorScratch;      // where the entry read lies

    // --- holds, locks, transaction ---
    uint32_t held = 0;
    bool fileLocked = false;
    bool writeHeld = false;                 // the write lock is kept beyond one operation
    uint32_t transaction = 0;               // 0: none
    std::string frameCoordinator;           // noted in the transaction's records (frame_commit)
    std::string deciding;                   // the next record is the decision naming these
    bool frameMarked = false;               // the journal's counters name the transaction
    std::vector<std::vector<Change>> undo;  // changes of the transaction, in order
    bool bulk = false;

    // --- options ---
    bool durable = true;
    bool ignoreStatus = false;
    bool ignoreCorruptions = false;
    bool maintainHeaderTime = false;
    bool quickScan = false;
    int recoverSeconds = 10;

    std::map<int, Snapshot> saved;
    std::vector<uint8_t> ownBuffer;
    // The table on another back end (driver.h) for this thread; null: the flat files.
    std::unique_ptr<Driver> server;
    Status last;

    // file_open.cpp
    Status create();
    Status openFiles(int mode, bool forMaintenance);
    // The steps of openFiles, in order; on failure the caller closes what was opened.
    Status openDataFile();         // the file the name leads to now, its presence lock shared
    Status checkHeader(int mode);  // header, field and key descriptors, sharing locks
    Status openKeyFiles(bool forMaintenance, bool& missingKey);
    Status finishDeadStation();  // journal work a station that died left behind
    Status loadKeyHeads();
    // EREMOTE (90) when the table's folder lies on a file system shared between machines.
    Status refuseNetworkFolder();
    Status close();
    void closeFiles();
    Status readHeader(Header& h);         // from the map, deciphered and checked
    Status decodeHeaderBytes(Header& h);  // its 85 bytes only: what readHeader and salvage share
    bool damagedData = false;  // the last header read has counts its slots do not bear out
    uint8_t* buffer();

    // file_sync.cpp: consistency between stations
    Status refresh();  // header and key heads again when another station wrote
    template <class F>
    Status readStable(F&& read);
    Status readSlow(const std::function<Status()>& read);
    // Under the writers' lock: a transaction that another station left open in the
    // table (it died inside it) is undone from the journal. `opHeld`: the apply lock is
    // held already.
    Status finishDeadFrame(bool opHeld);
    // frame_commit.cpp
    std::vector<std::pair<uint32_t, std::string>> decisionsStillNeeded();
    Status lockWait(uint64_t off, LockKind kind, int seconds, uint64_t len = 1);
    void unlock(uint64_t off, uint64_t len = 1);
    // A write: beginWrite takes the locks and marks the journal; commitWrite journals
    // and applies the changes; endWrite (after success) or abortWrite (after a failure
    // before anything was applied) marks the journal again and drops the locks.
    Status beginWrite();
    Status commitWrite(std::vector<Change>& changes);
    Status reserveRoom(const std::vector<Change>& changes);
    Status withdrawRecord(uint64_t at);
    Status endWrite();
    enum class RoomNeed { None, Writeback, Room };
    RoomNeed roomNeed(const JournalHead& h);
    void keepRoom();
    void keepRoomAfterTransaction();
    void abortWrite();
    void releaseWriteLocks();
    Status recoverStale();
    Status recover();
    Status syncFiles();  // the data file and the key files to the disk
    // A new generation of the journal, the files synced. With `mayPostpone` it is not
    // made while another table still needs a decision of this journal (`postponed`).
    Status checkpoint(bool mayPostpone = false, bool* postponed = nullptr);
    // Closes in the journal the transactions a replay settled (`frames`), so that a
    // later replay of the same generation settles them alike.
    Status closeSettled(const ReplayFrames& frames);
    Status writeFile(uint16_t file, uint64_t off, const uint8_t* p, std::size_t n);
    Status enterBulk();
    Status leaveBulk();
    // 46 when the journal's bulk flag is up (`flagUp`, as the caller read it) and no
    // station holds the bulk lock: a station that wrote without journal died and the
    // keys must be rebuilt. A caller without the apply lock is answered after a second
    // look under it.
    Status bulkWriterDied(bool flagUp, bool underApplyLock);
    // Bulk session: adds without journal keep the writer's locks and gather their
    // slots and key blocks in memory; they reach the files when the gathered bytes pass
    // a limit and when any other operation comes (settle()).
    bool bulkSession = false;
    std::vector<uint8_t> appendBuf;  // slots appended in the session, from appendFirst
    uint32_t appendFirst = 0;
    Status beginBulkSession();
    Status flushBulk();
    Status writeAppended();  // the gathered slots, with the key blocks left gathered
    Status endBulkSession();
    Status settle() { return bulkSession ? endBulkSession() : Status::okay(); }
    Status bulkAdd();
    bool marked = false;          // the journal counter is odd for the running write
    uint32_t writebackAsked = 0;  // generation in which the files were sent on their way
    // The generation and journal end at which a checkpoint was last put off (checkpoint).
    uint32_t postponedIn = 0;
    uint64_t postponedAt = 0;
    Status markWriting();
    bool applyFailed = false;  // a committed write could not be applied: leave it to recovery
    uint64_t recordStart = 0;  // journal offset of the running write's record
    JournalHead opHead;        // the journal head during a write, as it will be written
    int openMode = 0;

    // file_read.cpp
    uint64_t slotOffset(uint32_t rec) const {
        return header.dataOffset + uint64_t{rec - 1} * header.slotLength;
    }
    // The slot's bytes (prefix and record) from the map; nullptr when outside the file.
    const uint8_t* slot(uint32_t rec);
    static constexpr uint32_t kReadAhead = 4;  // slots a sequential read asks for ahead
    void prefetchSlot(uint32_t rec);
    // Record bytes of a slot as the program sees them (deciphered, OEM to ANSI).
    void decodeRecord(const uint8_t* slotBytes, uint8_t* out) const {
        decodeBytes(slotBytes + kSlotPrefix, out);
    }
    void decodeBytes(const uint8_t* recordBytes, uint8_t* out) const;
    void encodeRecord(const uint8_t* record, uint8_t* slotRecord) const;
    Status readInto(uint32_t rec, bool hold);  // makes rec current and fills the buffer
    Status step(bool forward, bool hold);
    Status stepPhysical(bool forward, uint32_t& rec);
    Status stepKey(bool forward, uint32_t& rec);
    Status getByKey(int key, bool hold);
    Status getByRecord(uint32_t rec, bool hold);
    bool heldByOther(uint32_t rec);
    void repairHolds();  // puts right a hold count a killed station left too high
    Status takeHold(uint32_t rec);
    void dropHold();
    // After the files were put back (rollback): the copy of the current record as read
    // becomes its slot on disk again; no copy when the slot is gone or deleted.
    void rereadCurrent();

    // file_write.cpp
    Status add();
    Status put();
    Status remove();
    // The opening of a change of the current record (put, delete): the write begun and
    // its slot found, not deleted (unless `deletedToo` and IGNORESTATUS) and not held by
    // another station. On failure nothing is left begun.
    Status beginRecordWrite(bool deletedToo, uint32_t& r, const uint8_t*& p);
    Status headerChange(std::vector<Change>& changes);
    Status keyChanges(std::vector<Change>& changes);
    Status unlinkFree(uint32_t rec, std::vector<Change>& changes);

    // file_maintenance.cpp
    Status build();
    Status pack();
    Status rebuildKeys();
    // The steps of rebuildKeys: every key's entries of the live records (the stray
    // slots left out, the other deleted ones listed), sorted and checked for duplicates,
    // written, and the free chain linked again.
    // Each live record's entry in every key that does not omit it, appended to
    // entries[k]: the key's value, then the record number, big-endian (the entries then
    // sort as bytes) or little-endian; `deleted` is told each deleted slot instead.
    Status keyEntriesOfRecords(std::vector<std::vector<uint8_t>>& entries, bool bigEndian,
                               const std::function<void(uint32_t)>& deleted);
    Status collectKeyEntries(const std::vector<uint32_t>& stray,
                             std::vector<std::vector<uint8_t>>& entries,
                             std::vector<uint32_t>& deletedSlots);
    Status sortAndCheckUnique(std::vector<std::vector<uint8_t>>& entries);
    Status writeKeyFiles(const std::vector<std::vector<uint8_t>>& entries);
    Status relinkFreeChain(const std::vector<uint32_t>& deletedSlots, std::size_t strayCount);
    // The steps of pack: the packed copy written to `temp` (its slots, then its head),
    // and, once it replaced the data file, the locks taken again and the keys rebuilt.
    Status writePacked(const std::string& temp);
    Status copyLiveSlots(Handle th, uint32_t& live, uint32_t& kept);
    Status writePackedHead(Handle th, uint32_t live, uint32_t kept);
    Status relockAndRebuild(bool bulkLock);
    Status dropTrailingSpace();
    Status finishCommitted();
    // Slots marked deleted that the free chain does not reach: left so by a delete or a
    // reusing add cut short by another program or by damage. Nothing tells whether such a
    // record was being deleted or written over, so build and pack keep it as it is: out of
    // the free chain (never reused), its bytes untouched, and named in `notes`.
    std::vector<uint32_t> strayDeleted();
    std::vector<std::string> notes;

    // file_check.cpp: check's steps. The key entries the records call for, the
    // deleted slots against the header and the free chain, and each key file against
    // its entries; what disagrees is added to `problems`.
    Status checkFiles(std::vector<std::string>& problems, uint64_t* unused);
    Status expectedKeyEntries(std::vector<std::vector<uint8_t>>& expect, uint32_t& deleted);
    void checkDeletedSlots(uint32_t deleted, std::vector<std::string>& problems);
    void checkKeyFile(std::size_t k, const std::vector<uint8_t>& expect,
                      std::vector<std::string>& problems);

    // file_salvage.cpp
    Status salvage(Salvaged& out);
    Status readRawHeader(Header& h);
    Status salvageJournal(bool replayIt);
    Status copyReadable(const Header& h, Salvaged& out, std::vector<uint8_t>& slots);
    Status replaceData(const Header& h, const std::vector<uint8_t>& slots, uint32_t kept);
};

// Runs `read` so that it sees no write of another station half done: it is run again
// when the journal counter moved meanwhile, and under the writers' lock when a writer
// is at work.
template <class F>
Status File::State::readStable(F&& read) {
    if (!open) return Status::error(kFileNotOpen);
    if (bulkSession) {
        Status s = endBulkSession();
        if (!s.ok()) return s;
    }
    if (log.isOpen()) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const uint32_t s1 = log.sequence();
            if (s1 & 1) break;
            Status s = refresh();
            if (s.ok()) s = read();
            std::atomic_thread_fence(std::memory_order_acquire);
            if (log.sequence() == s1) return s;
        }
    }
    return readSlow(std::function<Status()>(read));
}

// The calling thread's transaction (logout..commit/rollback).
struct Transaction {
    std::vector<std::pair<std::shared_ptr<File::Shared>, File::State*>> files;
    uint32_t id = 0;
};
Transaction& threadTransaction();

// Ends the state's part of the thread's transaction with a commit or an abort
// (undoing its changes) record.
Status closeTransaction(File::State& s, RecordKind kind, const std::string& decision = {},
                        bool durable = true);
// The state leaves its transaction: its undo images and the writers' lock (unless the
// whole file is locked) are given up.
void leaveTransaction(File::State& s);

// frame_commit.cpp: transactions over several tables.
// Commits the thread's transaction over several tables: the last table's commit record
// decides it (an error before it: nothing is committed, roll back); the others follow.
// `decided`: the decision is written already (the last table's deciding add).
Status commitFrame(Transaction& t, bool decided = false);
// The decision's note: the names of the transaction's other tables.
std::string decisionNote(const Transaction& t);
// How the journal of table `base` names table `target`: its disk name when both share
// a folder, else its whole path.
std::string frameName(const std::string& target, const std::string& base);
// The table a note of table `base`'s journal names.
std::string framePath(const std::string& name, const std::string& base);
// Whether the journal of table `base` holds a commit of the transaction.
bool committedAt(FileSystem& fs, const std::string& base, uint32_t txn);

// At an open or create: the driver of the back end that keeps the table's directory,
// made for the thread when needed; nullptr when the flat files keep it (file_backend.cpp).
Driver* chooseDriver(File::State& s);
// Build and pack of a table on the server: nothing to do (the server keeps its indexes)
// but to say whether the table is there.
Status maintainOnServer(Driver& d);

// Records the result of an operation as the thread's last error and returns it.
Status finish(File::State& s, Status st);

// The directory part of a table's base path ("." when there is none).
std::string directoryOf(const std::string& base);

// Maps a system error of a write to the driver's code as create reports it.
int createErrorCode(int err);

}  // namespace kw::storage
