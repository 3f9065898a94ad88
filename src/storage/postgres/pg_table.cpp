#include "storage/postgres/pg_table.h"

#include <cstdlib>
#include <optional>

#include "storage/postgres/pg_record.h"
#include "storage/postgres/pg_schema.h"

namespace kw::storage::pg {

Table::Table(Connection& c, const TableDecl& t) : c_(c), t_(t), name_(quoted(t.label)) {}

std::string selectList(const TableDecl& t) {
    std::string s = "\"kw_row\", \"kw_version\"";
    for (const auto* f : columns(t)) s += ", " + quoted(f->name);
    return s;
}

Status rowOf(const TableDecl& t, const Result& r, int i, Row& out) {
    out.id.row = std::strtoll(r.value(i, 0).c_str(), nullptr, 10);
    out.id.version = static_cast<int32_t>(std::strtol(r.value(i, 1).c_str(), nullptr, 10));
    out.record.assign(t.recordSize, 0);
    int column = 2;
    for (const auto* f : columns(t)) {
        if (!setField(*f, out.record.data(), r.value(i, column), r.isNull(i, column)))
            return Status::error(kInvalidDataFile, static_cast<uint32_t>(out.id.row));
        ++column;
    }
    return Status::okay();
}

std::vector<std::string> Table::values(const uint8_t* record) const {
    std::vector<std::string> v;
    for (const auto* f : columns(t_)) v.push_back(fieldValue(*f, record).value_or(""));
    return v;
}

Status Table::failed(const Result& r) {
    const std::string state = r.state();
    if (state == "23505") return Status::error(kDuplicateKey);
    if (state.rfind("08", 0) == 0 || state.empty()) return Status::system(kFileSystemError, 0);
    if (state == "42P01") return Status::error(kFileNotFound);
    return Status::system(kFileSystemError, 0);
}

Status Table::missed(int64_t row) {
    Row current;
    const Status s = get(row, current);
    return s.code == kRecordNotFound ? Status::error(kRecordNotAvailable)
                                     : Status::error(kRecordChanged);
}

Status Table::add(const uint8_t* record, RowId& id) {
    std::string names, marks;
    std::vector<std::string> params;
    int n = 0;
    for (const auto* f : columns(t_)) {
        const auto v = fieldValue(*f, record);
        names += (n ? ", " : "") + quoted(f->name);
        if (v) {
            params.push_back(*v);
            marks += (n ? ", $" : "$") + std::to_string(params.size());
        } else {
            marks += n ? ", NULL" : "NULL";
        }
        ++n;
    }
    Result r = c_.exec("INSERT INTO " + name_ + " (" + names + ") VALUES (" + marks +
                           ") RETURNING \"kw_row\", \"kw_version\"",
                       params);
    if (!r.ok()) return failed(r);
    id.row = std::strtoll(r.value(0, 0).c_str(), nullptr, 10);
    id.version = static_cast<int32_t>(std::strtol(r.value(0, 1).c_str(), nullptr, 10));
    return Status::okay();
}

Status Table::get(int64_t row, Row& out) {
    Result r = c_.exec("SELECT " + selectList(t_) + " FROM " + name_ + " WHERE \"kw_row\" = $1",
                       {std::to_string(row)});
    if (!r.ok()) return failed(r);
    if (r.rows() == 0) return Status::error(kRecordNotFound);
    return rowOf(t_, r, 0, out);
}

Status Table::getByKey(int key, const uint8_t* keyRecord, Row& out) {
    if (key < 1 || key > static_cast<int>(t_.keys.size())) return Status::error(kInvalidKeyLength);
    const KeyDecl& k = t_.keys[static_cast<std::size_t>(key - 1)];
    const auto terms = keyTerms(t_, k);
    std::string where = k.opt ? keyFilter(t_, k) : "TRUE", order;
    std::vector<std::string> params;
    for (std::size_t i = 0; i < k.components.size(); ++i) {
        const FieldDecl& f = t_.fields[static_cast<std::size_t>(k.components[i] - 1)];
        const auto v = fieldValue(f, keyRecord);
        std::string p = kDayZero;  // the empty date
        if (v) {
            params.push_back(*v);
            p = keyParameter(t_, k, i, static_cast<int>(params.size()));
        }
        where += " AND " + terms[i] + " = " + p;
    }
    for (const auto& term : terms) order += (order.empty() ? "" : ", ") + term;
    const std::string sql = "SELECT " + selectList(t_) + " FROM " + name_ + " WHERE " + where +
                            " ORDER BY " + order + " LIMIT 1";
    Result r = c_.exec(sql, params);
    if (!r.ok()) return failed(r);
    if (r.rows() == 0) return Status::error(kRecordNotFound);
    return rowOf(t_, r, 0, out);
}

Status Table::put(const RowId& id, const uint8_t* record, RowId& now) {
    std::string set;
    std::vector<std::string> params{std::to_string(id.row), std::to_string(id.version)};
    for (const auto* f : columns(t_)) {
        const auto v = fieldValue(*f, record);
        set += (set.empty() ? "" : ", ") + quoted(f->name) + " = ";
        if (v) {
            params.push_back(*v);
            set += "$" + std::to_string(params.size());
        } else {
            set += "NULL";
        }
    }
    Result r =
        c_.exec("UPDATE " + name_ + " SET \"kw_version\" = \"kw_version\" + 1, " + set +
                    " WHERE \"kw_row\" = $1 AND \"kw_version\" = $2 RETURNING \"kw_version\"",
                params);
    if (!r.ok()) return failed(r);
    if (r.rows() == 0) return missed(id.row);
    now.row = id.row;
    now.version = static_cast<int32_t>(std::strtol(r.value(0, 0).c_str(), nullptr, 10));
    return Status::okay();
}

Status Table::remove(const RowId& id) {
    Result r = c_.exec("DELETE FROM " + name_ +
                           " WHERE \"kw_row\" = $1 AND \"kw_version\" = $2 RETURNING \"kw_row\"",
                       {std::to_string(id.row), std::to_string(id.version)});
    if (!r.ok()) return failed(r);
    if (r.rows() == 0) return missed(id.row);
    return Status::okay();
}

Status Table::records(uint32_t& count) {
    Result r = c_.exec("SELECT count(*) FROM " + name_);
    if (!r.ok()) return failed(r);
    count = static_cast<uint32_t>(std::strtoul(r.value(0, 0).c_str(), nullptr, 10));
    return Status::okay();
}

Status Table::page(int key, const Row* from, bool forward, int n, std::vector<Row>& out) {
    out.clear();
    std::vector<std::string> terms{"\"kw_row\""};
    const KeyDecl* k = nullptr;
    std::string where = "TRUE";
    if (key > 0) {
        if (key > static_cast<int>(t_.keys.size())) return Status::error(kInvalidKeyLength);
        k = &t_.keys[static_cast<std::size_t>(key - 1)];
        terms = keyTerms(t_, *k);
        if (k->opt) where = keyFilter(t_, *k);
    }
    std::vector<std::string> params;
    if (from) {
        std::string lhs, rhs;
        for (std::size_t i = 0; i < terms.size(); ++i) {
            const bool component = k && i < k->components.size();
            const auto v =
                component ? fieldValue(t_.fields[static_cast<std::size_t>(k->components[i] - 1)],
                                       from->record.data())
                          : std::optional<std::string>(std::to_string(from->id.row));
            std::string p = kDayZero;  // the empty date
            if (v) {
                params.push_back(*v);
                const int n = static_cast<int>(params.size());
                p = component ? keyParameter(t_, *k, i, n) : "$" + std::to_string(n) + "::bigint";
            }
            lhs += (i ? ", " : "") + terms[i];
            rhs += (i ? ", " : "") + p;
        }
        where += " AND (" + lhs + ") " + (forward ? ">" : "<") + " (" + rhs + ")";
    }
    std::string order;
    for (const auto& term : terms)
        order += (order.empty() ? "" : ", ") + term + (forward ? "" : " DESC");
    Result r = c_.exec("SELECT " + selectList(t_) + " FROM " + name_ + " WHERE " + where +
                           " ORDER BY " + order + " LIMIT " + std::to_string(n),
                       params);
    if (!r.ok()) return failed(r);
    for (int i = 0; i < r.rows(); ++i) {
        Row row;
        if (Status s = rowOf(t_, r, i, row); !s.ok()) return s;
        out.push_back(std::move(row));
    }
    return Status::okay();
}

}  // namespace kw::storage::pg
