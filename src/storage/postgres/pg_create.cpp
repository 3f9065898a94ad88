#include "storage/postgres/pg_create.h"

#include "storage/postgres/pg_schema.h"

namespace kw::storage::pg {

std::string createTable(Connection& c, const TableDecl& table) {
    return c.execAll(createStatements(table));
}

}  // namespace kw::storage::pg
