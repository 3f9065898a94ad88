// Making a table on the server: its SQL table and indexes from nothing, replacing a
// table of that name (as `create` replaces a flat file).
#pragma once

#include <string>

#include "storage/postgres/pg_connection.h"
#include "storage/table_decl.h"

namespace kw::storage::pg {

// "" or what went wrong (the server's message).
std::string createTable(Connection& c, const TableDecl& table);

}  // namespace kw::storage::pg
