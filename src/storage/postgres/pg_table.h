// A table of the server database seen as records of the dictionary's layout: the
// record operations of the server back end, with the flat driver's error codes.
//
// A record read carries its RowId: the row (its position, as a record number is in a
// data file) and the version it had. put and remove change the row only while it still
// has that version; another desk's change in between gives 89 ("Record Changed By
// Another Station"), as a put of a held record that changed on disk does in the flat
// files. A pass in key order is a keyset query: the rows after (or before) a position,
// a page at a time, through the key's index; never OFFSET, never the whole table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/postgres/pg_connection.h"
#include "storage/status.h"
#include "storage/table_decl.h"

namespace kw::storage::pg {

struct RowId {
    int64_t row = 0;
    int32_t version = 0;
};

struct Row {
    RowId id;
    std::vector<uint8_t> record;
};

// The columns a row of `t` is selected with: "kw_row", "kw_version", then its fields.
std::string selectList(const TableDecl& t);
// Row `i` of `r`, selected with selectList(t), as `out`; 36 (invalid data) when a
// value does not fit its field.
Status rowOf(const TableDecl& t, const Result& r, int i, Row& out);

class Table {
  public:
    Table(Connection& c, const TableDecl& t);

    // Adds the record; 40 when it would repeat the value of a unique key.
    Status add(const uint8_t* record, RowId& id);
    // The row `row`; 35 when there is none.
    Status get(int64_t row, Row& out);
    // The first row in the order of key `key` (from 1) whose key fields equal those of
    // `keyRecord`; 35 when none.
    Status getByKey(int key, const uint8_t* keyRecord, Row& out);
    // Writes `record` over the row read as `id`; `now` gets its new version. 89 when
    // another desk changed it since, 33 when it was deleted meanwhile; 40 as add.
    Status put(const RowId& id, const uint8_t* record, RowId& now);
    // Deletes the row read as `id`; 89 / 33 as put.
    Status remove(const RowId& id);
    Status records(uint32_t& count);

    // Up to `n` rows in the order of key `key` (0: the order stored) after `from`
    // (forward) or before it (backward, nearest first); from the first or the last row
    // when `from` is null.
    Status page(int key, const Row* from, bool forward, int n, std::vector<Row>& out);

  private:
    Status failed(const Result& r);
    // Why a change or removal of `row` at the version read found no row: the row is
    // gone, or another desk changed it since.
    Status missed(int64_t row);
    std::vector<std::string> values(const uint8_t* record) const;

    Connection& c_;
    const TableDecl& t_;
    std::string name_;
};

}  // namespace kw::storage::pg
