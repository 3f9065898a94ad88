// Backups of a data directory: a consistent copy of every table, taken while other
// desks work, checked against its manifest, and put back into an empty directory.
//
// A backup is a folder "kestrowd-YYYYMMDD-HHMMSS" (a suffix "-2", "-3" ... when that
// name is taken) under the folder asked for, holding each table's data file and key
// files as they were at one moment, and a manifest written last (its presence marks a
// finished copy):
//
//     kestrowd backup 1
//     taken 10.12.2026 18:05:11
//     file NAME SIZE SHA256            one line a copied file
//     table LABEL RECORDS FIELD=SUM ... one line a table: live records and the sum of
//                                        every REAL field, in kopecks' precision
//     end SHA256                        of every line above, each with its newline
//
// The moment: every table is opened for writing and held by one transaction frame
// (other desks' writes wait for it as for any other writer, reads go on) before the
// first byte is copied, and released after the last; a write that another desk began
// before the frame is whole in the copy, one after it absent. The journals are not
// copied: inside the frame the files hold every committed write. The frame lasts while
// the bytes are written; each copy's digest is taken from the copy itself (beside the
// writing, on a thread of its own), and its counts and sums are read from it and it is
// synced after the frame has ended.
//
// A data directory whose tables a server keeps is copied by one read-only transaction of
// the server instead (other desks neither wait nor fail): each table's records in the
// server's order are written into data and key files of the copy, so that a copy of
// either kind is the same flat files, checked and restored the same way
// (backup_server.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/file_system.h"

namespace kw::backup {

struct TableSums {
    std::string label;
    uint32_t records = 0;
    std::vector<std::pair<std::string, double>> sums;  // REAL field name, sum
};

struct Result {
    bool ok = false;
    std::string folder;                   // the backup's folder (take) or the folder checked
    std::string problem;                  // what went wrong, one line, when !ok
    std::vector<std::string> mismatches;  // verify: every disagreement found
    int files = 0;
    int tables = 0;
    uint64_t bytes = 0;
};

struct Options {
    std::string dataDirectory;          // "" = the current directory
    int lockSeconds = 10;               // how long to wait for the other desks' writes to end
    storage::FileSystem* fs = nullptr;  // nullptr = the POSIX file system
};

// Copies every table present in the data directory into a new dated folder under
// `under` (created when missing).
Result take(const std::string& under, const Options& o = {});

// Checks a backup folder: the manifest's own digest, every file's size and digest, and
// every table opened from the copy: its keys agree with its records and its count and
// sums are the manifest's.
Result verify(const std::string& folder, const Options& o = {});

// Verifies `folder`, then copies it into the data directory, which must hold no file
// but kestrowd.INI and kestrowd.conninfo. Nothing is written when the check fails. A
// data directory on a server is refused: kestrowd-file loads the copy into the server.
Result restore(const std::string& folder, const Options& o = {});

// The tables of the manifest of `folder` (its own digest checked): each one's record
// count and money sums as the backup was taken. "" or what is wrong with the manifest.
std::string manifestTables(const std::string& folder, std::vector<TableSums>& tables);

// Keeps the newest `keep` backup folders under `under` (by their dated names) and
// removes the older ones; the number removed.
int prune(const std::string& under, int keep);

}  // namespace kw::backup
