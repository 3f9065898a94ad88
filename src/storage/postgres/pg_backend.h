// The server back end of File (storage/driver.h): a data directory holding
// "kestrowd.conninfo" keeps its tables in the server database that the file names.
// A program that may work on a server calls registerServerBackend() once at start.
#pragma once

namespace kw::storage::pg {

void registerServerBackend();

}  // namespace kw::storage::pg
