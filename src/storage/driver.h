// A back end of File other than the flat data files: the table kept elsewhere (a
// database server), with the same operations, results and error codes.
//
// File chooses the back end when a thread opens or creates the table: a registered
// Backend that claims the table's directory takes it, otherwise the flat files do.
// Nothing above the storage layer knows which one holds a table. A Backend is
// registered once at start by a program that links it (registerBackend); the storage
// library itself links none.
//
// A Driver is one thread's use of one table, as the flat driver's state is: it is made
// for the thread at its first open, lives while the thread uses the File and goes with
// it. Its operations are those of File (file.h) with the same meaning; the record
// buffer is the File's (File::buffer()).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file.h"
#include "storage/status.h"

namespace kw::storage {

class Driver {
  public:
    virtual ~Driver() = default;

    virtual Status create() = 0;
    virtual Status open(int mode) = 0;
    virtual Status close() = 0;
    virtual bool isOpen() = 0;

    virtual Status set(int key) = 0;
    virtual Status setFromBuffer(int key) = 0;
    virtual Status setRecord(uint32_t record) = 0;
    virtual Status next(bool hold) = 0;
    virtual Status previous(bool hold) = 0;
    virtual bool eof() = 0;
    virtual bool bof() = 0;
    // Every live record once; `only` names the bytes the caller reads (all when empty):
    // the others may be left zero.
    virtual Status scan(const std::function<void(const uint8_t* record)>& perRecord,
                        const std::vector<File::Span>& only) = 0;
    // The bytes the thread's sequential reads must fill from now on (all when empty).
    virtual void narrow(const std::vector<File::Span>& only) = 0;
    // What the thread's sequential reads need deliver from now on (File::filter; all
    // when empty).
    virtual void filter(const File::Filter& pass) = 0;
    // File::sumKopecks, added up by the back end.
    virtual Status sumKopecks(const std::vector<File::SumTerm>& terms,
                              std::vector<int64_t>& sums) = 0;

    virtual Status get(int key, bool hold) = 0;
    virtual Status getRecord(uint32_t record, bool hold) = 0;
    virtual Status records(uint32_t& count) = 0;
    virtual uint32_t currentRecord() = 0;

    virtual Status add() = 0;
    virtual Status put() = 0;
    virtual Status remove() = 0;
    virtual Status hold() = 0;
    virtual Status release() = 0;
    virtual Status lock(int seconds) = 0;
    virtual Status unlock() = 0;
    virtual Status lockRange(uint32_t slot, LockKind kind, int seconds) = 0;
    virtual Status unlockRange(uint32_t slot) = 0;

    virtual Status duplicate(int key, bool& taken) = 0;
    virtual std::string position(int key) = 0;
    virtual Status reset(int key, const std::string& position) = 0;
    virtual Status reget(int key, const std::string& position) = 0;
    virtual int saveState() = 0;
    virtual Status restoreState(int handle) = 0;
    virtual void freeState(int handle) = 0;

    // The table joins the thread's transaction just begun: it waits up to `seconds` for a
    // file lock of another station to end and keeps other stations from locking the
    // file until the transaction ends (32 when the wait was in vain).
    virtual Status joinTransaction(int seconds) = 0;
    // Writes that return before they are on the disk (bulk loads): a crash may lose the
    // last of them, never half of one.
    virtual void setDurable(bool on) = 0;
    // Driver strings: the answer, and the status of the request in `st`.
    virtual std::string send(std::string_view option, Status& st) = 0;
    // Maintenance that the back end does itself (keys kept by the server): what there
    // is to check or give back.
    virtual Status check(std::vector<std::string>& problems) = 0;
    // What the back end said about its last failure (code page 1251), "" when nothing
    // beyond the code: the error manager shows it as the driver's text.
    virtual std::string message() = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Whether the tables of `directory` ("" = the current one) are kept here.
    virtual bool chosen(const std::string& directory) = 0;
    // The calling thread's driver of the table `decl` of `directory`; `buffer` gives the
    // thread's record buffer of the table.
    virtual std::unique_ptr<Driver> make(const TableDecl& decl, std::function<uint8_t*()> buffer,
                                         const std::string& directory) = 0;
    // The calling thread's transaction over the tables of this back end.
    virtual Status begin(int seconds) = 0;
    // The calling thread's read-only transaction that sees every table of this back end
    // as they stood at one moment while other stations go on writing; ended by commit()
    // or rollback(). A write inside it fails.
    virtual Status beginSnapshot() = 0;
    virtual Status commit() = 0;
    virtual Status rollback() = 0;
    virtual bool inTransaction() = 0;
};

// Registers the back end (nullptr: none); the caller keeps it alive while Files are used.
void registerBackend(Backend* backend);
Backend* registeredBackend();

}  // namespace kw::storage
