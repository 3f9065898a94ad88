// Money totals added up by the server (File::sumKopecks): one statement, one aggregate
// per term, so a day's figures over a million pledges cost the server's pass over the
// table and not the sending of every row.
//
// Each amount is taken to whole kopecks as money::kopecks takes it: the decimal a person
// sees (the shortest text that reads back as the same double, which the server prints
// when extra_float_digits is 1 or more: the connection sets it) rounded half away from
// zero, as numeric's round does. An amount within a millionth of a kopeck of a whole
// kopeck (every amount the program computes) is that kopeck; the shortest text of such a
// double lies far from a half kopeck, so the cheaper float arithmetic gives the same.
// Not finite counts 0; beyond 9e13 roubles the amount is cut there first, as in
// money::kopecks.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "storage/error_codes.h"
#include "storage/postgres/pg_condition.h"
#include "storage/postgres/pg_driver.h"
#include "storage/postgres/pg_record.h"
#include "storage/postgres/pg_schema.h"

namespace kw::storage::pg {

namespace {

std::string kopecksOf(const std::string& c) {
    return "CASE WHEN " + c + " = 'NaN'::float8 OR abs(" + c +
           ") = 'Infinity'::float8 THEN 0::bigint WHEN abs(" + c + ") < 1e11 AND abs(" + c +
           " * 100 - round(" + c + " * 100)) < 1e-6 THEN round(" + c +
           " * 100)::bigint ELSE (round(least(greatest(" + c +
           ", -9e13), 9e13)::text::numeric, 2) * 100)::bigint END";
}

// The conditions every term has: the statement's WHERE, which an index may serve.
std::vector<File::Condition> shared(const std::vector<File::SumTerm>& terms) {
    std::vector<File::Condition> out;
    for (const File::Condition& c : terms.front().when) {
        const bool everywhere =
            std::all_of(terms.begin(), terms.end(), [&](const File::SumTerm& t) {
                return std::any_of(t.when.begin(), t.when.end(),
                                   [&](const File::Condition& o) { return o == c; });
            });
        if (everywhere) out.push_back(c);
    }
    return out;
}

// The partial indexes those conditions allow: an optional key leaves out the rows
// whose components are all empty, so a condition that an empty component fails keeps
// to the key's rows, and saying so lets the server read that key's index.
std::string keysAllowed(const TableDecl& decl, const std::vector<File::Condition>& where) {
    std::string out;
    for (const KeyDecl& k : decl.keys) {
        if (!k.opt) continue;
        const bool within = std::any_of(where.begin(), where.end(), [&](const File::Condition& c) {
            return std::find(k.components.begin(), k.components.end(), c.field) !=
                       k.components.end() &&
                   !holds(0, c.op, c.value);
        });
        if (within) out += " AND " + keyFilter(decl, k);
    }
    return out;
}

}  // namespace

Status ServerDriver::sumKopecks(const std::vector<File::SumTerm>& terms,
                                std::vector<int64_t>& sums) {
    sums.clear();
    if (!open_) return Status::error(kFileNotOpen);
    if (terms.empty()) return Status::okay();
    std::vector<std::string> params;
    const std::vector<File::Condition> common = shared(terms);
    std::string where = "TRUE";
    for (const File::Condition& c : common) {
        const std::string one = conditionSql(decl_, c, params);
        if (one.empty()) return Status::error(kInvalidFieldType);
        where += " AND " + one;
    }
    where += keysAllowed(decl_, common);
    std::string list;
    for (const File::SumTerm& t : terms) {
        const bool count = t.field == 0;
        if (!count && (t.field < 0 || t.field > static_cast<int>(decl_.fields.size()) ||
                       decl_.fields[static_cast<std::size_t>(t.field - 1)].type != FieldType::Real))
            return Status::error(kInvalidFieldType);
        std::string filter;
        for (const File::Condition& c : t.when) {
            if (std::any_of(common.begin(), common.end(),
                            [&](const File::Condition& o) { return o == c; }))
                continue;
            const std::string one = conditionSql(decl_, c, params);
            if (one.empty()) return Status::error(kInvalidFieldType);
            filter += (filter.empty() ? "" : " AND ") + one;
        }
        const std::string what =
            count
                ? "count(*)"
                : "sum(" +
                      kopecksOf(quoted(decl_.fields[static_cast<std::size_t>(t.field - 1)].name)) +
                      ")";
        list += std::string(list.empty() ? "" : ", ") + "COALESCE(" + what +
                (filter.empty() ? "" : " FILTER (WHERE " + filter + ")") + ", 0)::text";
    }
    Status st;
    Result r = session_.run("SELECT " + list + " FROM " + table_ + " WHERE " + where, params, st);
    if (!st.ok()) return st;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        const std::string v = r.value(0, static_cast<int>(i));
        char* end = nullptr;
        errno = 0;
        const long long n = std::strtoll(v.c_str(), &end, 10);
        // A sum beyond a whole number of 64 bits is beyond any pawnshop's money.
        if (errno != 0 || end == v.c_str() || *end != '\0') return Status::error(kFileSystemError);
        sums.push_back(n);
    }
    return Status::okay();
}

}  // namespace kw::storage::pg
