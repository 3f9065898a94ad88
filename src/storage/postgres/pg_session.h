// The calling thread's connections to the server: one per connection line and thread,
// as the flat driver's state is per thread, so that a thread's tables share its
// transaction and its advisory locks (holds, file locks, the application's lock slots)
// are held by its own session: a desk that dies holds nothing.
//
// A statement that fails because the link broke closes the connection; the next
// operation connects again. Advisory locks and a transaction running then are gone
// with the old session: the transaction's commit fails (48), its roll-back succeeds.
// A process made by fork() connects on its own at its first operation; the connection
// it was given stays the other process's.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "storage/postgres/pg_connection.h"
#include "storage/status.h"

namespace kw::storage::pg {

struct Session {
    std::string conninfo;
    Connection connection;
    bool inTransaction = false;
    // The transaction cannot commit: the link broke inside it, or a statement failed
    // outside a savepoint (the server then refuses everything until it ends).
    bool transactionLost = false;
    bool savepointOpen = false;  // a write's savepoint is set: its failure undoes only it
    uint64_t writes = 0;     // this thread's writes so far: rows read ahead before one are stale
    uint64_t links = 0;      // connections made so far: locks taken before the last one are gone
    uint64_t rollbacks = 0;  // transactions rolled back so far
    std::string message;     // the last failure, as said to the user (code page 1251)
    // Tables this connection found on the server: opening one again asks nothing (a
    // form opens its tables at every loan). Forgotten with the connection, and when a
    // statement finds a table missing.
    std::set<std::string> tablesSeen;
    // The locks of use and denial this connection holds on each table (pg_sharing.cpp),
    // and how many of its open handles deny each use. Gone with the connection.
    struct Sharing {
        uint8_t held = 0;
        int readingDenied = 0, writingDenied = 0;
    };
    std::map<std::string, Sharing> sharing;

    // Runs a statement; on failure sets `st` (the driver's code for it) and message.
    Result run(const std::string& sql, const std::vector<std::string>& params, Status& st);
    // A query whose rows the caller takes later, working meanwhile: send starts it
    // (false and `st` when it could not), receive waits for its rows, in the server's
    // binary form with `binary`. Nothing else runs on the session in between.
    bool send(const std::string& sql, const std::vector<std::string>& params, bool binary,
              Status& st);
    Result receive(Status& st);
    // A statement whose rows do not matter: its status only.
    Status exec(const std::string& sql);
    bool connected(Status& st);  // connects when not connected

  private:
    // Sets `st` and message for the failed statement's result `r`; a broken link closes
    // the connection, and a transaction is lost as the failure says.
    void failed(const Result& r, Status& st);
};

// The thread's session for `conninfo` (made on first use, not yet connected).
Session& threadSession(const std::string& conninfo);
// The thread's session used last (for the transaction frame); nullptr when none.
Session* lastSession();
// Whether the calling thread's sessions are gone (the thread is ending).
bool threadSessionsGone();

// The driver's code for a failed statement: 40 for a unique key, 2 for a missing table,
// 90 for everything else (the link included).
Status statusOf(const Result& r);

}  // namespace kw::storage::pg
