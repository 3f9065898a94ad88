// The server database's schema: one SQL table per table of the dictionary, made from
// its declaration (docs/formats/server.md gives the mapping in full).
//
//   table     the label in lower case ("zal")
//   columns   kw_row (bigserial, the record's position), kw_version (the row version
//             a put compares, for "changed by another station"), then one column per
//             field, named in lower case: BYTE and SHORT smallint, LONG integer, a date
//             field date (NULL for the empty date 0), REAL double precision, DECIMAL
//             numeric(digits, places), STRING(n) varchar(n) without trailing blanks
//   keys      one index per key, named "<table>_<key>" in lower case, on the same
//             fields in the same order; UNIQUE unless the key takes duplicates (then
//             kw_row follows the fields, so that equal values keep their order); a text
//             component as upper(column) (every key of the dictionary ignores letter
//             case; capitals order as in code page 1251), a date as COALESCE(column, 28.12.1800); a
//             partial index leaving out the rows whose key fields are all blank, zero or empty, as
//             an optional key leaves them out
//   counts    kw_counts (tbl, n): the number of rows of each table as a sum of changes,
//             added by the table's triggers (each statement adds the rows it inserted
//             or deleted), so that counting a table reads a few rows and no desk waits
//             for another's count; the table's own row of 0 says it is counted so
#pragma once

#include <string>
#include <vector>

#include "storage/table_decl.h"

namespace kw::storage::pg {

// The empty date 0 as the indexes and the queries compare it (day 0).
inline constexpr const char* kDayZero = "DATE '1800-12-28'";

// The SQL name of a table or field of the dictionary.
std::string sqlName(const std::string& name);
// That name as an SQL identifier, in double quotes.
std::string quoted(const std::string& name);

// The column type of a field ("double precision", "varchar(60)" ...).
std::string columnType(const FieldDecl& field);

// The expressions of a key's index, in order (the order a pass in that key follows):
// a text component as upper(column), a date as COALESCE(column, day 0), so that the
// empty date sorts first as 0 does; "kw_row" last for a key that takes duplicates.
std::vector<std::string> keyTerms(const TableDecl& table, const KeyDecl& key);
// The condition of the key's rows: NOT (every component blank, zero or empty).
std::string keyFilter(const TableDecl& table, const KeyDecl& key);
// The rows a partial key keeps: its key's rows (the condition of an optional key) whose
// field is at most its bound. Its index and its reads take this one condition, so that
// the server finds the index for the reads.
std::string partialKeyWhere(const TableDecl& t, const PartialKeyDecl& p);
// The expression for parameter $n compared with keyTerms()[i].
std::string keyParameter(const TableDecl& table, const KeyDecl& key, std::size_t i, int n);

// The statements that make the table and its indexes from nothing (dropping a table of
// that name first), in order; to be run in one transaction.
std::vector<std::string> createStatements(const TableDecl& table);

// The table that keeps the counts (see above).
inline constexpr const char* kCountsTable = "kw_counts";

}  // namespace kw::storage::pg
