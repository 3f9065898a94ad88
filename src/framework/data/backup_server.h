// Backups of a data directory whose tables a server keeps (storage/driver.h): every
// table is read in one read-only transaction of the server, so the copy is one moment
// of the pawnshop while the other desks go on working (they wait for nothing), and is
// written as the flat data files a backup of flat files holds: the same manifest, the
// same check and the same restore serve both (backup.h).
#pragma once

#include <string>
#include <vector>

#include "framework/data/backup.h"
#include "storage/status.h"
#include "storage/table_decl.h"

namespace kw::backup::detail {

// The files of a table that a copy holds: its data file and its key files, those of its
// partial keys (".P01") included.
std::vector<std::string> fileNames(const storage::TableDecl& t);

// "what: error N (its text)" for a driver's failure.
std::string describe(const std::string& what, const storage::Status& s);

// Whether a registered back end keeps the tables of the data directory of `o`.
bool onServer(const Options& o);

// Writes every table the server holds into `folder` (which exists and is empty) as data
// and key files, synced; `tables` gets the tables copied, `files` the names of the files
// written, in that order. "" or what went wrong, one line.
std::string copyFromServer(const Options& o, const std::string& folder,
                           std::vector<const storage::TableDecl*>& tables,
                           std::vector<std::string>& files);

}  // namespace kw::backup::detail
