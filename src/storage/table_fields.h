// Names of record fields for expressions: "PREFIX:FIELD" (any letter case) bound to the
// field of a table's record, through the table's field descriptors.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "runtime/expression.h"
#include "storage/table_decl.h"

namespace kw::storage {

class TableFields : public expr::Resolver {
  public:
    TableFields() = default;
    // Every table of the list, each read from the calling thread's record buffer of the
    // table (decl.buffer()); a table without a buffer function is left out. The
    // declarations must outlive this object and the expressions bound through it.
    explicit TableFields(const std::vector<const TableDecl*>& tables);

    // One table read from `record` (for a view: its file's buffer). With `tagged` the
    // sources carry their field number as tag, which marks the fields a view reads.
    void add(const TableDecl& table, expr::Source::RecordFn record, bool tagged = false);

    // Only "PREFIX:FIELD" names: the first table whose label is PREFIX binds it.
    bool resolve(std::string_view name, expr::Source& out) const override;

  private:
    struct Entry {
        const TableDecl* table;
        expr::Source::RecordFn record;
        bool tagged;
    };
    std::vector<Entry> tables_;
};

}  // namespace kw::storage
