// The server back end of File (storage/driver.h): a data directory holding
// "kestrowd.conninfo" keeps its tables in the server database that the file names.
// A program that may work on a server calls registerServerBackend() once at start.
#pragma once

#include <string>
#include <vector>

namespace kw::storage::pg {

void registerServerBackend();

// Whether a program can start its work in `directory` ("" = the current one): true when
// the directory keeps flat files, or when its server answers and holds every table of
// `labels` (the dictionary's). Otherwise false, and `message` (Russian, UTF-8) names the
// server and what to do: start it, mend the connection line or the password, make the
// tables.
bool serverReady(const std::string& directory, const std::vector<std::string>& labels,
                 std::string& message);

}  // namespace kw::storage::pg
