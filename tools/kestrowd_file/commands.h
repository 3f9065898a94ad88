// The commands of kestrowd-file. Each returns the program's exit code: 0 success,
// 1 a failed check, 2 bad usage or a driver error (reported on stderr).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "framework/data/backup.h"

namespace kw::tool {

struct Options {
    std::string path;       // FILE.DAT (or the table label for create)
    std::string owner;      // --owner
    int key = 0;            // --key, 0 = physical order
    bool cutTexts = false;  // --cut-texts: load cuts texts longer than their field
};

int createTable(const Options& o, std::ostream& err);
int info(const Options& o, std::ostream& out, std::ostream& err);
int dump(const Options& o, std::ostream& out, std::ostream& err);
int load(const Options& o, std::istream& in, std::ostream& err);
int check(const Options& o, std::ostream& out, std::ostream& err);
int build(const Options& o, std::ostream& out, std::ostream& err);
int pack(const Options& o, std::ostream& out, std::ostream& err);
int salvage(const Options& o, std::ostream& out, std::ostream& err);
// path: the folder under which a new dated backup folder is made.
int backup(const Options& o, std::ostream& out, std::ostream& err);
// path: a backup folder. 1 when it does not verify.
int verifyBackup(const Options& o, std::ostream& out, std::ostream& err);
// path: a backup folder, put back into the current directory (which must be empty).
int restore(const Options& o, std::ostream& out, std::ostream& err);
// What a copy must agree with beside its source: a backup's manifest, when a backup is
// restored into a server (whose tables must then hold no record at all).
struct Expected {
    std::string verb = "copy";                               // names the command in messages
    const std::vector<backup::TableSums>* tables = nullptr;  // each table's count and sums
};
// Every table from the data directory `from` into `to` (flat files or a server, either
// way), checked by record counts and money sums. 1 when the sides differ, 2 when the
// copy was refused or failed; in both cases `to` is left as it was.
int copyTables(const std::string& from, const std::string& to, std::ostream& out, std::ostream& err,
               const Expected& expected = {});
// path: the audit journal's AUD.DAT. 1 when its numbering or chain does not hold.
int verifyAudit(const Options& o, std::ostream& out, std::ostream& err);

}  // namespace kw::tool
