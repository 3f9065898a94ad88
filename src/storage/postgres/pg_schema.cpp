#include "storage/postgres/pg_schema.h"

#include <cctype>

namespace kw::storage::pg {

namespace {

bool isText(const FieldDecl& f) {
    return f.type == FieldType::String;
}

// The expression an index takes for a key component.
std::string indexTerm(const FieldDecl& f, bool nocase) {
    // Capitals in code-point order (the database's collation is C.UTF-8) order as the
    // capitals of code page 1251 do in the flat files' keys: Ё before А, a sign such as
    // "_" after the Latin capitals; small letters would put Ё after Я and "_" first.
    if (nocase && isText(f)) return "upper(" + quoted(f.name) + ")";
    if (f.isDate) return "COALESCE(" + quoted(f.name) + ", " + kDayZero + ")";
    return quoted(f.name);
}

const FieldDecl& component(const TableDecl& t, int c) {
    return t.fields[static_cast<std::size_t>(c - 1)];
}

// A key's index terms, as an index's column list.
std::string termList(const TableDecl& t, const KeyDecl& k) {
    std::string terms;
    for (const auto& term : keyTerms(t, k)) terms += (terms.empty() ? "" : ", ") + term;
    return terms;
}

// The test that a component is blank, zero or the empty date.
std::string blankTest(const FieldDecl& f) {
    if (isText(f)) return quoted(f.name) + " = ''";
    if (f.isDate) return quoted(f.name) + " IS NULL";
    return quoted(f.name) + " = 0";
}

}  // namespace

std::string quoted(const std::string& name) {
    return "\"" + sqlName(name) + "\"";
}

std::string sqlName(const std::string& name) {
    std::string out = name;
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string columnType(const FieldDecl& f) {
    switch (f.type) {
        case FieldType::Byte:
        case FieldType::Short:
            return "smallint";
        case FieldType::Long:
            return f.isDate ? "date" : "integer";
        case FieldType::Real:
            return "double precision";
        case FieldType::Decimal:
            return "numeric(" + std::to_string(2 * f.size - f.places - 1) + ", " +
                   std::to_string(f.places) + ")";
        case FieldType::String:
            return "varchar(" + std::to_string(f.size) + ")";
        default:
            return "bytea";
    }
}

std::vector<std::string> keyTerms(const TableDecl& t, const KeyDecl& k) {
    std::vector<std::string> terms;
    for (int c : k.components) terms.push_back(indexTerm(component(t, c), k.nocase));
    // Records with equal values of a key that takes duplicates follow each other in
    // the order they were stored, as in the flat files.
    if (k.dup) terms.push_back("\"kw_row\"");
    return terms;
}

std::string keyFilter(const TableDecl& t, const KeyDecl& k) {
    std::string blank;
    for (int c : k.components) blank += (blank.empty() ? "" : " AND ") + blankTest(component(t, c));
    return "NOT (" + blank + ")";
}

std::string partialKeyWhere(const TableDecl& t, const PartialKeyDecl& p) {
    const KeyDecl& k = t.keys[static_cast<std::size_t>(p.key - 1)];
    return (k.opt ? keyFilter(t, k) + " AND " : std::string()) + quoted(t.field(p.field).name) +
           " <= " + std::to_string(p.atMost);
}

std::string keyParameter(const TableDecl& t, const KeyDecl& k, std::size_t i, int n) {
    const std::string p = "$" + std::to_string(n);
    if (i >= k.components.size()) return p + "::bigint";
    const FieldDecl& f = component(t, k.components[i]);
    if (k.nocase && isText(f)) return "upper(" + p + "::text)";
    if (f.isDate) return "COALESCE(" + p + "::date, " + kDayZero + ")";
    return p + "::" + columnType(f);
}

// The table's count kept in kw_counts: one row per statement that added or removed
// rows (inserts only, so that desks adding at once never wait for each other), folded
// into one now and then by the reader (ServerDriver::records).
static std::vector<std::string> countStatements(const std::string& name) {
    std::vector<std::string> out{
        "CREATE TABLE IF NOT EXISTS kw_counts (tbl text NOT NULL, n bigint NOT NULL)",
        "CREATE INDEX IF NOT EXISTS kw_counts_tbl ON kw_counts (tbl)",
        "REVOKE ALL ON kw_counts FROM PUBLIC", "DELETE FROM kw_counts WHERE tbl = '" + name + "'",
        "INSERT INTO kw_counts VALUES ('" + name + "', 0)"};
    for (const char* op : {"added", "removed"}) {
        const bool added = op[0] == 'a';
        out.push_back(std::string("CREATE OR REPLACE FUNCTION kw_count_") + op +
                      "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN INSERT INTO kw_counts "
                      "SELECT TG_TABLE_NAME, " +
                      (added ? "" : "-") + "count(*) FROM kw_changed HAVING count(*) > 0; " +
                      "RETURN NULL; END $$");
        out.push_back(
            "CREATE TRIGGER \"" + name + "_" + op + "\" AFTER " + (added ? "INSERT" : "DELETE") +
            " ON \"" + name + "\" REFERENCING " + (added ? "NEW" : "OLD") +
            " TABLE AS kw_changed FOR EACH STATEMENT EXECUTE FUNCTION kw_count_" + op + "()");
    }
    return out;
}

std::vector<std::string> createStatements(const TableDecl& t) {
    const std::string table = quoted(t.label);
    std::vector<std::string> out;
    out.push_back("DROP TABLE IF EXISTS " + table);
    std::string create = "CREATE TABLE " + table + " (\n  \"kw_row\" bigserial PRIMARY KEY,\n" +
                         "  \"kw_version\" integer NOT NULL DEFAULT 1";
    for (const auto& f : t.fields) {
        if (f.type == FieldType::Group) continue;
        create += ",\n  " + quoted(f.name) + " " + columnType(f);
        if (!f.isDate) create += std::string(" NOT NULL DEFAULT ") + (isText(f) ? "''" : "0");
    }
    create += "\n)";
    out.push_back(create);
    for (const auto& k : t.keys) {
        std::string index = std::string("CREATE ") + (k.dup ? "" : "UNIQUE ") + "INDEX " +
                            quoted(t.label + "_" + k.name) + " ON " + table + " (" +
                            termList(t, k) + ")";
        if (k.opt) index += " WHERE " + keyFilter(t, k);
        out.push_back(index);
    }
    // A partial key (the open pledges among all) has an index of its own, so that a list
    // of its rows does not walk the whole key past the rows it leaves out.
    for (std::size_t i = 0; i < t.partialKeys.size(); ++i) {
        const PartialKeyDecl& p = t.partialKeys[i];
        const KeyDecl& k = t.keys[static_cast<std::size_t>(p.key - 1)];
        out.push_back("CREATE INDEX " + quoted(t.label + "_part_" + std::to_string(i + 1)) +
                      " ON " + table + " (" + termList(t, k) + (k.dup ? "" : ", \"kw_row\"") +
                      ") WHERE " + partialKeyWhere(t, p));
    }
    // Nobody but the owner of the tables reads them; the users table says so in so many
    // words, since it holds the passwords.
    out.push_back("REVOKE ALL ON " + table + " FROM PUBLIC");
    for (const auto& sql : countStatements(sqlName(t.label))) out.push_back(sql);
    return out;
}

}  // namespace kw::storage::pg
