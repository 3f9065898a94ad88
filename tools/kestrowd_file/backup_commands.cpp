// backup, verify-backup and restore: the data directory's copies (framework/data/backup.h).
#include <ostream>

#include "commands.h"
#include "framework/data/backup.h"
#include "storage/postgres/pg_connection.h"

namespace kw::tool {

int backup(const Options& o, std::ostream& out, std::ostream& err) {
    const backup::Result r = backup::take(o.path);
    if (!r.ok) {
        err << "kestrowd-file: backup: " << r.problem << "\n";
        return 2;
    }
    out << r.folder << "\n";
    out << "backup: " << r.tables << " tables, " << r.files << " files, " << r.bytes << " bytes\n";
    return 0;
}

int verifyBackup(const Options& o, std::ostream& out, std::ostream& err) {
    const backup::Result r = backup::verify(o.path);
    for (const auto& m : r.mismatches) out << m << "\n";
    if (!r.ok) {
        err << "kestrowd-file: verify-backup: " << o.path << " does not verify\n";
        return 1;
    }
    out << "verified: " << r.tables << " tables, " << r.files << " files, " << r.bytes
        << " bytes\n";
    return 0;
}

namespace {

// A backup into the server of the current directory: checked first, then its tables
// loaded in one transaction (the server's tables must hold no record) and compared
// with the copy and with its manifest before the commit.
int restoreIntoServer(const Options& o, std::ostream& out, std::ostream& err) {
    const backup::Result checked = backup::verify(o.path);
    std::vector<backup::TableSums> tables;
    std::string problem = checked.problem;
    if (checked.ok) problem = backup::manifestTables(o.path, tables);
    if (!problem.empty()) {
        for (const auto& m : checked.mismatches) out << m << "\n";
        err << "kestrowd-file: restore: the backup does not verify, nothing was restored: "
            << problem << "\n";
        return 1;
    }
    return copyTables(o.path, ".", out, err, Expected{"restore", &tables});
}

}  // namespace

int restore(const Options& o, std::ostream& out, std::ostream& err) {
    std::string conninfo;
    if (storage::pg::serverChosen(".", conninfo)) return restoreIntoServer(o, out, err);
    const backup::Result r = backup::restore(o.path);
    if (!r.ok) {
        for (const auto& m : r.mismatches) out << m << "\n";
        err << "kestrowd-file: restore: " << r.problem << "\n";
        return r.mismatches.empty() ? 2 : 1;
    }
    out << "restored: " << r.tables << " tables, " << r.files << " files from " << o.path << "\n";
    return 0;
}

}  // namespace kw::tool
