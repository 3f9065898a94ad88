// The write observer: told of every record that the file managers add, change or delete
// in the tables it observes, inside the transaction frame that carries the write, so
// that what it writes in turn (the audit journal) commits or rolls back with the
// change. A write of an observed table outside any frame gets a frame of its own.
//
// While an observer is installed, every frame that begins also takes in its companion
// table (the one it writes to), last: it is locked after the frame's other tables.
#pragma once

#include <cstdint>

#include "storage/file.h"
#include "storage/status.h"
#include "storage/table_decl.h"

namespace kw {

enum class WriteOperation : uint8_t { Insert, Update, Delete };

// One record written. The images are the table's record bytes as the program holds
// them in memory; they live for the call only.
struct WriteNotice {
    const storage::TableDecl* table = nullptr;
    WriteOperation operation = WriteOperation::Insert;
    const uint8_t* before = nullptr;  // nullptr for an insert
    const uint8_t* after = nullptr;   // nullptr for a delete
    uint32_t record = 0;              // the record's number in the data file
};

class WriteObserver {
  public:
    virtual ~WriteObserver() = default;
    // Whether writes of `table` are to be told (and framed). Called often: cheap.
    virtual bool Observes(const storage::TableDecl& table) = 0;
    // The table the observer writes to, open on the calling thread; nullptr when it
    // cannot be opened (no frame then begins: a change is never without its entry).
    virtual storage::File* Companion() = 0;
    // Called inside the frame once the write is done. A failure undoes the write: the
    // file manager reports it as the write's own failure and the frame is rolled back.
    virtual storage::Status Written(const WriteNotice& notice) = 0;
    // The thread's outermost frame is about to commit: what the observer kept back from
    // Written goes to its table now, as the frame's last writes. With `mayCommit` it may
    // commit the frame with its last write (storage::File::addAndCommit) and then sets
    // `committed`. A failure commits nothing: the frame is rolled back.
    virtual storage::Status Committing(bool mayCommit, bool& committed) {
        (void)mayCommit;
        committed = false;
        return storage::Status::okay();
    }
    // What was kept back is forgotten: the thread's frame was rolled back, or a new
    // one begins.
    virtual void Forget() {}
};

namespace write_observer {

// Installs `observer` (nullptr: none) and returns the previous one. Not while a frame
// is active on any thread.
WriteObserver* install(WriteObserver* observer);
WriteObserver* current();

// While a Quiet lives on a thread, that thread's writes are not told: a record that
// automatic numbering added to take a number, and removes again when the form is
// cancelled, was never a change.
class Quiet {
  public:
    Quiet();
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};
bool quiet();

}  // namespace write_observer
}  // namespace kw
