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

}  // namespace

Status ServerDriver::sumKopecks(const std::vector<File::SumTerm>& terms,
                                std::vector<int64_t>& sums) {
    sums.clear();
    if (!open_) return Status::error(kFileNotOpen);
    if (terms.empty()) return Status::okay();
    std::vector<std::string> params;
    std::string list;
    for (const File::SumTerm& t : terms) {
        if (t.field < 1 || t.field > static_cast<int>(decl_.fields.size()) ||
            decl_.fields[static_cast<std::size_t>(t.field - 1)].type != FieldType::Real)
            return Status::error(kInvalidFieldType);
        std::string where;
        for (const File::Condition& c : t.when) {
            const std::string one = conditionSql(decl_, c, params);
            if (one.empty()) return Status::error(kInvalidFieldType);
            where += (where.empty() ? "" : " AND ") + one;
        }
        const std::string col = quoted(decl_.fields[static_cast<std::size_t>(t.field - 1)].name);
        list += std::string(list.empty() ? "" : ", ") + "COALESCE(sum(" + kopecksOf(col) + ")" +
                (where.empty() ? "" : " FILTER (WHERE " + where + ")") + ", 0)::text";
    }
    Status st;
    Result r = session_.run("SELECT " + list + " FROM " + table_, params, st);
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
