#include "storage/postgres/pg_condition.h"

#include "runtime/codepage.h"
#include "runtime/date.h"
#include "storage/postgres/pg_record.h"
#include "storage/postgres/pg_schema.h"

namespace kw::storage::pg {

namespace {

using Op = File::Condition::Op;

const char* sqlOp(Op op) {
    switch (op) {
        case Op::Eq:
            return " = ";
        case Op::Ne:
            return " <> ";
        case Op::Lt:
            return " < ";
        case Op::Le:
            return " <= ";
        case Op::Gt:
            return " > ";
        case Op::Ge:
            return " >= ";
    }
    return " = ";
}

}  // namespace

bool holds(int64_t a, File::Condition::Op op, int64_t b) {
    switch (op) {
        case Op::Eq:
            return a == b;
        case Op::Ne:
            return a != b;
        case Op::Lt:
            return a < b;
        case Op::Le:
            return a <= b;
        case Op::Gt:
            return a > b;
        case Op::Ge:
            return a >= b;
    }
    return false;
}

std::string conditionSql(const TableDecl& decl, const File::Condition& c,
                         std::vector<std::string>& params) {
    if (c.field < 1 || c.field > static_cast<int>(decl.fields.size())) return "";
    const FieldDecl& f = decl.fields[static_cast<std::size_t>(c.field - 1)];
    if (f.type != FieldType::Byte && f.type != FieldType::Short && f.type != FieldType::Long)
        return "";
    const std::string col = quoted(f.name);
    if (!f.isDate) {
        params.push_back(std::to_string(c.value));
        return col + sqlOp(c.op) + "$" + std::to_string(params.size()) + "::bigint";
    }
    // A stored date is the empty one or lies within kFirstDay..last: beyond those the
    // answer is the same for every stored date.
    static const int64_t kLast = date::fromYmd(9999, 12, 31);
    if (c.value != 0 && (c.value < date::kFirstDay || c.value > kLast)) {
        const bool empty = holds(0, c.op, c.value);
        const bool stored =
            holds(c.value < date::kFirstDay ? date::kFirstDay : kLast, c.op, c.value);
        if (empty == stored) return empty ? "TRUE" : "FALSE";
        return col + (empty ? " IS NULL" : " IS NOT NULL");
    }
    const std::string term = "COALESCE(" + col + ", " + kDayZero + ")";
    if (c.value == 0) return term + sqlOp(c.op) + kDayZero;
    params.push_back(dateText(static_cast<int32_t>(c.value)));
    return term + sqlOp(c.op) + "$" + std::to_string(params.size()) + "::date";
}

std::string textEqualSql(const TableDecl& decl, const File::TextEqual& t,
                         std::vector<std::string>& params) {
    if (t.field < 1 || t.field > static_cast<int>(decl.fields.size())) return "";
    const FieldDecl& f = decl.fields[static_cast<std::size_t>(t.field - 1)];
    // A text parameter ends at its first zero byte, which no column holds.
    if (f.type != FieldType::String || t.text.find('\0') != std::string::npos) return "";
    std::string_view text = t.text;
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    params.push_back(cp::toUtf8(text));
    // As text, not as the column's varchar(n), which would cut a longer one short.
    return quoted(f.name) + " = $" + std::to_string(params.size()) + "::text";
}

std::string filterSql(const TableDecl& decl, const File::Filter& pass,
                      std::vector<std::string>& params) {
    std::string sql;
    for (const File::Condition& c : pass.when)
        if (const std::string one = conditionSql(decl, c, params); !one.empty())
            sql += " AND " + one;
    for (const File::TextEqual& t : pass.texts)
        if (const std::string one = textEqualSql(decl, t, params); !one.empty())
            sql += " AND " + one;
    return sql;
}

}  // namespace kw::storage::pg
