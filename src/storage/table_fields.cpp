#include "storage/table_fields.h"

#include <string>

namespace kw::storage {

TableFields::TableFields(const std::vector<const TableDecl*>& tables) {
    for (const TableDecl* t : tables) {
        if (!t || !t->buffer) continue;
        auto fn = t->buffer;
        add(*t, [fn]() -> const void* { return fn(); });
    }
}

void TableFields::add(const TableDecl& table, expr::Source::RecordFn record, bool tagged) {
    tables_.push_back({&table, std::move(record), tagged});
}

bool TableFields::resolve(std::string_view name, expr::Source& out) const {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const std::string full(name);
    for (const Entry& e : tables_) {
        const int n = e.table->fieldNumber(full);
        if (n == 0) continue;
        const FieldDecl& f = e.table->field(n);
        if (f.type == FieldType::Group) return false;
        out = expr::Source::field(e.record, f.offset, static_cast<expr::ValueType>(f.type), f.size,
                                  f.places, e.tagged ? n : 0);
        return true;
    }
    return false;
}

}  // namespace kw::storage
