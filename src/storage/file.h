// kw::storage::File: the runtime FILE of one table, driven by the flat data-file driver.
//
// One File object exists per table (a global); it holds the table's declaration. The
// driver state (open files, positions, the copy of the record last read, holds, locks,
// the transaction) belongs to the calling thread: every thread that uses the File has
// its own, as the THREAD attribute asks, and loses it when it ends. The record buffer
// is the calling thread's too (TableDecl::buffer()).
//
// Every operation returns a Status whose code is one of error_codes.h (0 = success)
// and also leaves it as the thread's last error (lastStatus(), and the runtime's last
// error for the error manager).
//
// Files: N.DAT (data), N.K01 ... (one key file per key, numbered from 1 in declaration
// order, two base-36 digits: K01..K09, K0A..K0Z, K10 ...), N.LOG (journal), N.T00 (pack),
// N.BLD (duplicates found by build), N.LGC (the journal's counters), N.CR~ (empty,
// only while a create runs: creators of the table take turns on its lock), where N is
// the disk name in the directory given. A create writes its files
// under temporary names (N.DAT~ ...) and renames them into place, the data file last.
//
// Durability: by default an add, put or delete returns success only once its journal
// record is on the disk (one sync); the files themselves are synced at checkpoints.
// setDurable(false) (bulk import) writes without journal or sync; a crash in that mode
// leaves the key files to be rebuilt (46 at the next open).
//
// Several stations: writers serialise on byte-range locks of the data file; readers
// take no lock and retry a read that overlapped a write (seen through the journal's
// change counter). Holds are byte-range locks too, so a killed station holds nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file_system.h"
#include "storage/status.h"
#include "storage/table_decl.h"

namespace kw::storage {

// Open modes: access in the low nibble, sharing in the high nibble.
enum OpenMode : int {
    kAccessRead = 0x00,
    kAccessWrite = 0x01,
    kAccessReadWrite = 0x02,
    kShareCompat = 0x00,  // treated as deny-write
    kDenyAll = 0x10,
    kDenyWrite = 0x20,
    kDenyRead = 0x30,
    kDenyNone = 0x40,
    kDefaultOpenMode = 0x42,
};

// Operations a File reports to its call-back. Release is the notice that the File is
// being given up (destroyed) while a call-back is still registered.
enum class FileFunction : uint8_t {
    Open,
    Close,
    Create,
    Build,
    Read,
    Write,
    Position,
    Lock,
    Transaction,
    Send,
    Release
};

// Told before and after each operation on a File, on the calling thread, with the
// operation's error code (0 = success).
class FileCallback {
  public:
    virtual ~FileCallback() = default;
    virtual void FunctionCalled(FileFunction Op) = 0;
    virtual void FunctionDone(FileFunction Op, int ErrorCode) = 0;
};

struct FileOptions {
    std::string directory;     // "" = the current directory
    std::string name;          // disk name; "" = the declaration's
    FileSystem* fs = nullptr;  // nullptr = the POSIX file system
};

class File {
  public:
    explicit File(const TableDecl& decl, FileOptions options = {});
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const TableDecl& decl() const;
    std::string dataPath() const;
    std::string keyPath(int key) const;  // key from 1
    std::string logPath() const;
    std::string tempPath() const;
    static std::string keyExtension(int key);

    // The calling thread's record buffer (decl().recordSize bytes).
    uint8_t* buffer();

    Status create();
    Status open(int mode = kDefaultOpenMode);
    Status close();
    bool isOpen();

    // Sequential reading: key 0 is physical (record-number) order, 1..n the keys.
    Status set(int key = 0);             // from the start (previous: from the end)
    Status setFromBuffer(int key);       // from the key value in the record buffer
    Status setRecord(uint32_t record);   // physical order from this record
    Status next(bool hold = false);      // 33 past the end
    Status previous(bool hold = false);  // 33 before the start
    bool eof();
    bool bof();

    // One pass over the live records in physical order for a total over the whole
    // file: `perRecord` gets each record's bytes (deciphered; texts stay in the file's
    // code page, 866), read a piece of slots at a time so that no record is seen half
    // written or twice while other stations write. With `only`, just those byte ranges
    // of each record are copied out (the other bytes perRecord sees are unspecified);
    // an enciphered file is copied whole. The sequential position, the current record
    // and the record buffer are left alone.
    struct Span {
        uint16_t offset = 0;
        uint16_t length = 0;
    };
    Status scan(const std::function<void(const uint8_t* record)>& perRecord,
                const std::vector<Span>& only = {});
    // For a pass that reads a few fields of many records (totals of a list): until
    // narrow({}), next and previous (and the views reading through them) on this thread
    // need fill only these byte ranges of the record buffer; the other bytes are then
    // unspecified. The flat files read whole records all the same; the server asks only
    // for the fields that the ranges touch. A get, a record read by number and a held
    // read still fill the whole buffer.
    void narrow(const std::vector<Span>& only);
    // Money totals that a back end adds up itself (the server: only the sums come back).
    // For each term, the sum over the live records that meet every one of its conditions
    // of a REAL field in whole kopecks, each amount taken to kopecks as money::kopecks
    // takes it, so the sums are exactly those of a pass that adds the amounts one by
    // one with money::add. A condition compares a BYTE, SHORT or LONG field (a date too,
    // its empty date being 0) with a whole number. The flat files answer 80
    // (kUnsupportedFunction): the caller passes over the records itself (scan). A term
    // of field 0 counts the records instead.
    struct Condition {
        enum class Op : uint8_t { Eq, Ne, Lt, Le, Gt, Ge };
        int field = 0;  // 1-based
        Op op = Op::Eq;
        int64_t value = 0;
        bool operator==(const Condition&) const = default;
    };
    struct SumTerm {
        int field = 0;  // 1-based, a REAL field; 0: the number of records
        std::vector<Condition> when;
    };
    Status sumKopecks(const std::vector<SumTerm>& terms, std::vector<int64_t>& sums);
    // What a view's pass lets through, for the back end to leave the other records
    // where they are: every condition of `when` (as in sumKopecks) holds, and each
    // STRING field of `texts` equals its text (code page 1251) as the program compares
    // texts, trailing blanks not counting. Until filter({}), next and previous on this
    // thread may pass over records that fail it; the caller tests its own filter on
    // every record all the same, so a back end that keeps a record back only saves its
    // sending. The flat files read every record as before; the server adds the
    // conditions to its queries. A get, a record read by number (reget too), the count
    // and the scan are never filtered. A view sets it around each of its reads only, so
    // that other reads of the file on the thread see every record.
    struct TextEqual {
        int field = 0;  // 1-based, a STRING field
        std::string text;
        bool operator==(const TextEqual&) const = default;
    };
    struct Filter {
        std::vector<Condition> when;
        std::vector<TextEqual> texts;
        bool empty() const { return when.empty() && texts.empty(); }
        bool operator==(const Filter&) const = default;
    };
    void filter(const Filter& pass);

    Status get(int key, bool hold = false);  // by the key value in the buffer; 35 when none
    Status getRecord(uint32_t record, bool hold = false);  // 35 when none or deleted
    Status records(uint32_t& count);                       // records not deleted
    uint32_t currentRecord();                              // 0 when none

    Status add();     // the buffer as a new record
    Status put();     // the buffer over the current record
    Status remove();  // deletes the current record
    Status hold();    // holds the current record; 43 when another station holds it
    Status release();
    Status lock(int seconds = 0);  // the whole file; 32 when another station has it
    Status unlock();

    // The application's own locks between stations (file_guard.h): lock `slot` (below
    // kRangeSlots) of the calling thread's open of the data file, shared or exclusive,
    // waiting up to `seconds`; 5 when another open still holds a conflicting lock. They
    // guard nothing of the driver's: the application gives each slot its meaning.
    static constexpr uint32_t kRangeSlots = 48;
    Status lockRange(uint32_t slot, LockKind kind, int seconds);
    Status unlockRange(uint32_t slot);
    // Whether the thread's open waits for a slot in the order of asking (on a server):
    // a request that waits holds off the conflicting ones asked after it. The data
    // files' waits are not ordered: a shared lock is granted beside a waiting exclusive.
    bool rangeLocksWaitInTurn();

    // Transaction frame of the calling thread over several open files. The last of
    // them decides the transaction for all (its journal's commit record).
    static Status logout(int seconds, const std::vector<File*>& files);
    static Status commit();
    // The buffer as a new record, and the thread's transaction committed with it: an
    // error commits nothing (the caller rolls back). When this table decides the
    // transaction over several tables (the last of them), the add's own journal record
    // is the decision: the commit costs no write of its own to the disk. Without a
    // transaction of the thread, add().
    Status addAndCommit();
    static Status rollback();
    // A read-only frame of the calling thread over open tables kept by another back end:
    // until commit() or rollback() every read sees them as at one moment, while other
    // stations keep writing. The flat files have none (80): a consistent read of them
    // holds their writers off with logout().
    static Status snapshot(const std::vector<File*>& files);

    // Rebuilds the key files (exclusive access). `notes`, when given: one line for each
    // thing found and kept as it was rather than put right (a slot marked deleted that
    // is not on the free chain: it is left as it is and never reused).
    Status build(std::vector<std::string>* notes = nullptr);
    // Compares every key file with the records and the header's counts with the slots;
    // one line a disagreement in `problems` (empty when all agree). `unused`, when
    // given: the bytes of the data file past its last slot, which no record holds (the
    // slots of a bulk load killed midway, or of adds rolled back); the next adds write
    // over them, build and pack give them back.
    Status check(std::vector<std::string>& problems, uint64_t* unused = nullptr);
    // Removes deleted slots (exclusive access); slots marked deleted that are not on the
    // free chain are kept, as build keeps them, and named in `notes`.
    Status pack(std::vector<std::string>* notes = nullptr);

    // Saves what a damaged data file still holds (one an open refuses with 36): every
    // whole slot that is a record goes, renumbered from 1, into a sound data file that
    // takes the damaged one's place (kept as N.BAD), and the keys are built. Committed
    // journal work is put in first. The table must be closed, and no other station may
    // have it open (63).
    struct Salvaged {
        uint32_t kept = 0;        // records written into the sound file
        uint32_t unreadable = 0;  // slots (or the piece at the end) that hold no readable record
        uint32_t deleted = 0;     // slots marked deleted, left out
    };
    Status salvage(Salvaged& result);

    // Driver strings; the answer, "" for a set or an unknown option (80).
    std::string send(std::string_view option);
    // Whether the buffer's value of `key` is already taken by another record.
    Status duplicate(int key, bool& taken);

    // Position of the current record: its number (key 0) or key value and number.
    std::string position(int key = 0);
    Status reset(int key, const std::string& position);  // sequential from there
    Status reget(int key, const std::string& position);  // reads that record

    int saveState();
    Status restoreState(int handle);
    void freeState(int handle);

    void setDurable(bool on);
    bool durable();

    Status lastStatus();

    // One call-back for every thread's use of the File (nullptr: none). The caller
    // must detach it before the call-back object goes away.
    void setCallback(FileCallback* callback);
    FileCallback* callback() const;

    struct Shared;
    struct State;

  private:
    State& state();
    template <class F>
    Status called(FileFunction op, F&& body);
    std::string sendOption(std::string_view option);
    std::shared_ptr<Shared> shared_;
};

}  // namespace kw::storage
