// What the commands of kestrowd-file share: a table opened from the data file's own
// description, and the report of a driver error.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "commands.h"
#include "storage/data_format.h"
#include "storage/file.h"

namespace kw::tool {

struct OpenTable {
    storage::Layout layout;
    storage::TableDecl decl;
    std::unique_ptr<storage::File> file;
};

// Reads the file's description into `t` and makes its File; opens it in `mode` when
// `openIt`. 0, or the exit code after the error was reported on `err`.
int openTable(const Options& o, int mode, OpenTable& t, std::ostream& err, bool openIt = true);

// Reports a driver error ("kestrowd-file: WHAT: error N (TEXT)") and returns 2.
int driverError(std::ostream& err, const std::string& what, const storage::Status& s);

// The text without its trailing blanks and NULs.
std::string trim(const std::string& s);

}  // namespace kw::tool
