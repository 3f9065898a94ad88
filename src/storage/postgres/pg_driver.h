// The server back end's driver: one thread's use of one table kept in the server
// database, with the flat driver's operations, results and error codes (file.h).
//
// Positions: a record's number is its row's kw_row. Reading in key order is a keyset
// query through the key's index from the last row read (its key fields and kw_row),
// a small batch ahead at a time (growing while the pass goes on); never OFFSET, never
// more of the table than the batch. Rows read ahead are dropped when the thread writes.
//
// Changes: a put or delete names the row and the version it had when read: another
// desk's change in between gives 89, its deletion 33 (as the flat driver does on a
// changed or deleted slot). Holds, the file lock and the lock slots are the session's
// advisory locks (pg_session.h): a hold is an exclusive lock of (the table's hold class,
// kw_row); a write takes the row's lock for its own transaction, so a row another desk
// holds is refused (5), and the file lock's class shared, so a file another desk has
// locked is refused (32). A transaction takes the table's writer class for itself
// (joinTransaction): the desks' transactions in one table follow one another.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "storage/driver.h"
#include "storage/postgres/pg_session.h"
#include "storage/postgres/pg_table.h"
#include "storage/record_codec.h"
#include "storage/table_decl.h"

namespace kw::storage::pg {

// Rows of a whole-table scan's page: a pass that reads to the end asks for many at once.
inline constexpr int kScanPage = 20000;
// Batches of up to this many rows try each row's hold; longer ones read the lock table.
inline constexpr int kProbedBatch = 1024;

class ServerDriver : public Driver {
  public:
    ServerDriver(const TableDecl& decl, std::function<uint8_t*()> buffer, std::string conninfo);
    // A table destroyed while open (its File gone without a close) gives back its hold,
    // file lock and lock slots as close does, on its own thread while the thread's link
    // is there; otherwise they go with the link.
    ~ServerDriver() override;

    Status create() override;
    Status open(int mode) override;
    Status close() override;
    bool isOpen() override { return open_; }

    Status set(int key) override;
    Status setFromBuffer(int key) override;
    Status setRecord(uint32_t record) override;
    Status next(bool hold) override { return step(true, hold); }
    Status previous(bool hold) override { return step(false, hold); }
    bool eof() override { return atEof_; }
    bool bof() override { return atBof_; }
    void narrow(const std::vector<File::Span>& only) override;
    void filter(const File::Filter& pass) override;
    Status sumKopecks(const std::vector<File::SumTerm>& terms, std::vector<int64_t>& sums) override;
    Status scan(const std::function<void(const uint8_t* record)>& perRecord,
                const std::vector<File::Span>& only) override;

    Status get(int key, bool hold) override;
    Status getRecord(uint32_t record, bool hold) override;
    Status records(uint32_t& count) override;
    uint32_t currentRecord() override { return static_cast<uint32_t>(current_.id.row); }

    Status add() override;
    Status put() override;
    Status remove() override;
    Status hold() override;
    Status release() override;
    Status lock(int seconds) override;
    Status unlock() override;
    Status lockRange(uint32_t slot, LockKind kind, int seconds) override;
    Status unlockRange(uint32_t slot) override;

    Status duplicate(int key, bool& taken) override;
    std::string position(int key) override;
    Status reset(int key, const std::string& position) override;
    Status reget(int key, const std::string& position) override;
    int saveState() override;
    Status restoreState(int handle) override;
    void freeState(int handle) override { saved_.erase(handle); }

    void setDurable(bool on) override;
    Status joinTransaction(int seconds) override;
    std::string send(std::string_view option, Status& st) override;
    Status check(std::vector<std::string>& problems) override;
    std::string message() override { return session_.message; }

    // The advisory lock classes of a table: holds (with kw_row), the file lock (0), the
    // lock slots (with the slot) and the writer of a transaction (0).
    enum LockClass { kHolds = 0, kFileLock = 1, kSlots = 2, kWriter = 3 };
    static int32_t lockClass(const std::string& label, LockClass kind);

  private:
    // Where the next step reads: from the start (or the end), or around a key value
    // and row: next reads the first row at or after (key fields of `keys`, forward),
    // previous the last at or before (key fields, backward).
    struct Place {
        bool start = true;
        std::vector<uint8_t> keys;  // a record holding the key fields
        int64_t forward = 0, backward = 0;
    };
    struct Saved {
        int order;
        Place place;
        Row current;
        bool eof, bof;
    };
    // The order of key `key` as SQL: its terms (kw_row last) and the rows it keeps.
    struct Order {
        std::vector<std::string> terms;
        std::string where = "TRUE";
        const KeyDecl* key = nullptr;
    };
    bool orderOf(int key, Order& o) const;
    Status fetch(bool forward, int n);
    static std::string heldByOther(int n);
    bool tryHold(int64_t row, Status& st);
    Status step(bool forward, bool hold);
    Status deliver(const Row& row, bool hold);
    Status readRow(int64_t row, Row& out);
    static int64_t rowNumber(const Result& r, int i);  // of scan's binary rows
    Status decodePage(const Result& r, const std::vector<const FieldDecl*>& wanted,
                      std::vector<uint8_t>& out) const;
    void clampDates(const KeyDecl& key, uint8_t* record) const;
    bool decodeKey(int key, const std::string& value, std::vector<uint8_t>& rec) const;
    void placeAt(const Row& row);
    void dropAhead() { ahead_.clear(); }
    // Advisory locks: try once, or for `seconds`.
    bool tryLock(int32_t cls, int64_t id, bool shared, int seconds, Status& st);
    // Runs `sql` (a query whose one value says whether its locks were taken) until it
    // says "t" or `seconds` have passed: false then, or on a failure (`st`).
    bool pollLock(const std::string& sql, int seconds, Status& st);
    Status waitForLocks(const std::string& sql, int seconds, Result& r);
    Status opened(int mode);  // the handle's state of a table just opened
    // The open's uses and denials, declared against the other sessions' (pg_sharing.cpp);
    // dropSharing gives back what the close ends.
    Status declareSharing(int mode, bool again = true);
    void dropSharing();
    void noteOpen(uint8_t denials);  // this open's denials, counted in the session
    std::vector<const FieldDecl*> fieldsIn(const std::vector<File::Span>& only) const;
    static std::string binaryColumns(const std::vector<const FieldDecl*>& fields);
    Status binaryRow(const Result& r, int i, const std::vector<const FieldDecl*>& fields,
                     Row& out) const;
    void unlockOne(int32_t cls, int64_t id, bool shared);
    void giveBack(const std::string& unlocks);  // the select list of unlock calls
    // Give back the hold, the file lock, a lock slot (nothing to report: see unlockOne).
    void dropHold();
    void dropFileLock();
    void dropSlot(uint32_t slot);
    Status writeRefused(int64_t row, int32_t version);
    // After a roll-back the current row is what the server has again: its version then.
    Status versionAfterRollback();
    Status changeRow(const std::function<Result(Status&)>& change, int32_t version, Result& done);
    Status beginWrite(bool& savepoint);
    Status endWrite(bool savepoint, Status st);

    const TableDecl& decl_;
    std::function<uint8_t*()> buffer_;
    Session& session_;
    std::vector<KeyShape> shapes_;  // declared keys, then the partial keys
    StringFields strings_;
    std::string table_;  // the quoted SQL name

    bool open_ = false;
    bool writable_ = false;
    int order_ = 0;
    Place place_;
    Row current_;                    // the record last read or written; row 0 when none
    uint64_t currentRollbacks_ = 0;  // the session's roll-backs when current_ was taken
    bool atEof_ = false, atBof_ = false;

    // Rows read ahead in one direction from place_, with whether another desk held each.
    std::vector<Row> ahead_;
    std::vector<const FieldDecl*> narrowed_;  // the fields a pass reads ahead; empty: all
    // What the pass lets through (File::filter), while filterOn_; filterTurns_ counts its
    // changes. The rows read ahead were chosen with aheadFilter_ (0: unfiltered): a
    // view turns its filter on and off around each read and goes on with the same rows.
    File::Filter filter_;
    bool filterOn_ = false;
    uint64_t filterTurns_ = 0;
    uint64_t aheadFilter_ = 0;
    std::vector<bool> aheadHeld_;
    std::size_t aheadAt_ = 0;
    bool aheadForward_ = true;
    uint64_t aheadWrites_ = 0;
    int batch_ = 0;
    int recoverSeconds_ = 10;

    bool counted_ = false;     // the server keeps the tables' counts (kw_counts)
    uint64_t countsLink_ = 0;  // the connection counted_ was looked up on
    int64_t held_ = 0;         // the row this thread holds in this table
    uint64_t heldLink_ = 0;
    std::thread::id owner_ = std::this_thread::get_id();
    bool fileLocked_ = false;
    uint8_t denials_ = 0;       // the uses this open denies (pg_sharing.cpp)
    uint64_t denialsLink_ = 0;  // the connection they were declared on
    bool queued_ = false;       // the file lock was taken in turn (its turn is kept with it)
    std::map<uint32_t, LockKind> slots_;
    std::map<int, Saved> saved_;
};

}  // namespace kw::storage::pg
