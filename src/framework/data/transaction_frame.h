// The transaction frame of the calling thread, as the relation managers use it: tables
// are enrolled one by one (pending), then the frame begins over all of them with a
// wait for the other stations' locks, and ends in a commit or a rollback.
//
// The work is done by a TransactionDriver: the data-file driver's own transactions by
// default. Another one can be installed (a driver without transactions answers
// Enrol with 80, "Unsupported File Driver Function").
#pragma once

#include <vector>

#include "storage/file.h"

namespace kw {

class TransactionDriver {
  public:
    virtual ~TransactionDriver() = default;
    // Whether the table can take part in a frame (0: yes). Sets the runtime's last error
    // when it cannot.
    virtual storage::Status Enrol(storage::File& file);
    virtual storage::Status Begin(int seconds, const std::vector<storage::File*>& files);
    virtual storage::Status Commit();
    virtual storage::Status Rollback();
};

namespace transaction {

// Installs a driver (nullptr: the data-file driver) and returns the previous one
// (nullptr when it was the data-file driver). Not while a frame is pending or active.
TransactionDriver* setDriver(TransactionDriver* driver);

// Adds the table to the calling thread's pending frame (once); the driver's answer.
storage::Status Enrol(storage::File& file);
// Begins the frame over the pending tables, waiting up to `seconds` for locks; the
// pending list is emptied either way. Nothing pending: nothing begins, success. While
// a frame is active a new one joins it: its commit leaves the frame to the outer one,
// its rollback rolls the whole frame back. With a write observer installed
// (write_observer.h) its companion table joins every frame that begins, last.
storage::Status Begin(int seconds);
// Whether the calling thread's frame is active.
bool Active();
// End the active frame; success when none is active. A commit that fails leaves the
// frame active: the caller rolls it back.
storage::Status Commit();
storage::Status Rollback();
// Forgets the pending tables.
void Discard();

}  // namespace transaction
}  // namespace kw
