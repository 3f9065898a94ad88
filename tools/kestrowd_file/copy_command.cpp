// copy FROM TO: every table of the dictionary from one data directory into another,
// each of them flat files or a server (a directory holding kestrowd.conninfo).
//
// Into a server the copy is one transaction: the target tables are locked, must hold
// no row, are made where missing, filled, and checked before the commit, so that a
// failure or a difference leaves the server as it was. Into flat files the tables are
// made in a folder of their own inside TO, checked there, and only then moved into TO,
// which must hold none of them. Records go in the order they are stored (record
// numbers, or the server's row positions), so records with equal values of a key that
// takes duplicates keep their order. The check: per table, the record count and the
// sum of every REAL field, each side read by its own means (the server's aggregates,
// the flat driver's pass over the file), printed side by side.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "commands.h"
#include "dictionary/tables.h"
#include "open_table.h"
#include "storage/file.h"
#include "storage/postgres/pg_connection.h"
#include "storage/postgres/pg_record.h"
#include "storage/postgres/pg_schema.h"
#include "storage/postgres/pg_table.h"

namespace kw::tool {

namespace {

using namespace kw::storage;
namespace fs = std::filesystem;

constexpr const char* kWorkFolder = ".kestrowd-copy~";
constexpr int kPage = 2000;

// One end of the copy: a folder of flat files or a server's database.
struct Side {
    std::string dir;
    bool server = false;
    pg::Connection conn;
    std::string name() const { return server ? conn.where() : dir; }
};

// Record count and the sum of each REAL field (in the declaration's order) of a table.
struct Tally {
    bool present = false;
    uint32_t records = 0;
    std::vector<double> sums;
};

std::vector<const FieldDecl*> moneyFields(const TableDecl& t) {
    std::vector<const FieldDecl*> out;
    for (const auto& f : t.fields)
        if (f.type == FieldType::Real) out.push_back(&f);
    return out;
}

std::string quoted(const std::string& name) {
    return "\"" + pg::sqlName(name) + "\"";
}

std::string statusText(const Status& s) {
    std::string text =
        "error " + std::to_string(s.code) + " (" + std::string(errorText(s.code)) + ")";
    if (s.record) text += ", record " + std::to_string(s.record);
    return text;
}

// Each record of a table in the order stored, as the dictionary's record (texts in the
// program's code page); false from `sink` stops with its `problem`.
using Sink = std::function<bool(const uint8_t* record, std::string& problem)>;

std::string readFlat(const TableDecl& t, const std::string& dir, bool& present, const Sink& sink) {
    FileOptions fo;
    fo.directory = dir;
    File f(t, fo);
    std::error_code ec;
    present = fs::exists(f.dataPath(), ec);
    if (!present) return {};
    // No desk may write while the table is copied.
    Status s = f.open(kAccessRead | kDenyWrite);
    if (!s.ok())
        return f.dataPath() + ": " + statusText(s) +
               "; close the program on every desk before the copy";
    std::string problem;
    for (s = f.set(0); s.ok();) {
        s = f.next();
        if (s.ok() && !sink(f.buffer(), problem)) break;
    }
    (void)f.close();  // read only
    if (!problem.empty()) return problem;
    if (s.code != kRecordNotAvailable) return f.dataPath() + ": " + statusText(s);
    return {};
}

bool serverHas(Side& side, const TableDecl& t, std::string& problem) {
    pg::Result r =
        side.conn.exec("SELECT to_regclass('public." + pg::sqlName(t.label) + "') IS NOT NULL");
    if (!r.ok()) {
        problem = side.name() + ": " + r.error();
        return false;
    }
    return r.value(0, 0) == "t";
}

std::string readServer(const TableDecl& t, Side& side, bool& present, const Sink& sink) {
    std::string problem;
    present = serverHas(side, t, problem);
    if (!present) return problem;
    pg::Table table(side.conn, t);
    std::vector<pg::Row> page;
    pg::Row last;
    for (bool first = true;; first = false) {
        const Status s = table.page(0, first ? nullptr : &last, true, kPage, page);
        if (!s.ok()) return t.label + " on " + side.name() + ": " + statusText(s);
        for (const auto& row : page)
            if (!sink(row.record.data(), problem)) return problem;
        if (page.size() < static_cast<std::size_t>(kPage)) return {};
        last = page.back();
    }
}

std::string read(const TableDecl& t, Side& side, bool& present, const Sink& sink) {
    return side.server ? readServer(t, side, present, sink) : readFlat(t, side.dir, present, sink);
}

Status tallyFlat(const TableDecl& t, const std::string& dir, Tally& out) {
    FileOptions fo;
    fo.directory = dir;
    File f(t, fo);
    std::error_code ec;
    out.present = fs::exists(f.dataPath(), ec);
    if (!out.present) return Status::okay();
    Status s = f.open(kAccessRead | kDenyNone);
    if (!s.ok()) return s;
    const auto money = moneyFields(t);
    std::vector<File::Span> spans;
    for (const auto* m : money) spans.push_back({m->offset, m->size});
    if (spans.empty()) spans.push_back({0, 1});  // the count only
    out.sums.assign(money.size(), 0.0);
    out.records = 0;
    s = f.scan(
        [&](const uint8_t* record) {
            ++out.records;
            for (std::size_t i = 0; i < money.size(); ++i) {
                double v;
                std::memcpy(&v, record + money[i]->offset, sizeof v);
                out.sums[i] += v;
            }
        },
        spans);
    (void)f.close();  // read only
    return s;
}

std::string tallyServer(const TableDecl& t, Side& side, Tally& out) {
    std::string problem;
    out.present = serverHas(side, t, problem);
    if (!out.present) return problem;
    const auto money = moneyFields(t);
    std::string sql = "SELECT count(*)";
    for (const auto* m : money) sql += ", COALESCE(sum(" + quoted(m->name) + "), 0)";
    pg::Result r = side.conn.exec(sql + " FROM " + quoted(t.label));
    if (!r.ok()) return t.label + " on " + side.name() + ": " + r.error();
    out.records = static_cast<uint32_t>(std::strtoul(r.value(0, 0).c_str(), nullptr, 10));
    out.sums.clear();
    for (std::size_t i = 0; i < money.size(); ++i)
        out.sums.push_back(std::strtod(r.value(0, static_cast<int>(i) + 1).c_str(), nullptr));
    return {};
}

std::string tally(const TableDecl& t, Side& side, const std::string& flatDir, Tally& out) {
    if (side.server) return tallyServer(t, side, out);
    const Status s = tallyFlat(t, flatDir, out);
    return s.ok() ? std::string() : t.label + " in " + flatDir + ": " + statusText(s);
}

// Sums summed in another order may differ in their last bits, never by a kopeck.
bool sameSum(double a, double b) {
    return std::fabs(a - b) < 0.005;
}

std::string money(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

// Prints the table's line and one line a money field; false when the sides differ.
bool compare(const TableDecl& t, const Tally& from, const Tally& to, std::ostream& out) {
    char line[160];
    const bool sameCount = from.records == to.records;
    std::snprintf(line, sizeof line, "%-4s %-10s %18u %18u%s\n", t.label.c_str(), "records",
                  from.records, to.records, sameCount ? "" : "  DIFFERENT");
    out << line;
    bool same = sameCount && from.sums.size() == to.sums.size();
    const auto fields = moneyFields(t);
    for (std::size_t i = 0; i < fields.size() && i < from.sums.size() && i < to.sums.size(); ++i) {
        const bool equal = sameSum(from.sums[i], to.sums[i]);
        std::snprintf(line, sizeof line, "%-4s %-10s %18s %18s%s\n", t.label.c_str(),
                      fields[i]->name.c_str(), money(from.sums[i]).c_str(),
                      money(to.sums[i]).c_str(), equal ? "" : "  DIFFERENT");
        out << line;
        same = same && equal;
    }
    return same;
}

// ---- the server as the target ----

// "" when the server's table holds no record; else why it is refused (`only` says
// into what the command copies).
std::string refusedWithRecords(Side& to, const TableDecl& t, const std::string& only) {
    pg::Result r = to.conn.exec("SELECT EXISTS (SELECT 1 FROM " + quoted(t.label) + ")");
    if (!r.ok()) return t.label + " on " + to.name() + ": " + r.error();
    if (r.value(0, 0) == "t")
        return "the table " + t.label + " on " + to.name() + " already holds records: " + only;
    return {};
}

// Locks the table against the desks, makes it when missing, refuses one with rows.
std::string prepareServerTable(Side& to, const TableDecl& t) {
    std::string problem;
    const bool there = serverHas(to, t, problem);
    if (!problem.empty()) return problem;
    if (!there) {
        for (const auto& sql : pg::createStatements(t))
            if (pg::Result r = to.conn.exec(sql); !r.ok())
                return t.label + " on " + to.name() + ": " + r.error();
        return {};
    }
    pg::Result r = to.conn.exec("LOCK TABLE " + quoted(t.label) + " IN EXCLUSIVE MODE");
    if (!r.ok()) return t.label + " on " + to.name() + ": " + r.error();
    return refusedWithRecords(to, t, "copy only into a server whose tables are empty");
}

// Adds records to a server table many rows to a statement (a copy of a million pledges
// is then a few thousand statements, not a million round trips).
class ServerWriter {
  public:
    ServerWriter(Side& to, const TableDecl& t) : to_(to), t_(t), columns_(pg::columns(t)) {
        // A statement takes at most 65535 parameters.
        perStatement_ = std::max<std::size_t>(1, 60000 / std::max<std::size_t>(1, columns_.size()));
    }
    bool add(const uint8_t* record, std::string& problem) {
        values_ += rows_ ? ", (" : "(";
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            const auto v = pg::fieldValue(*columns_[i], record);
            if (i) values_ += ", ";
            if (v) {
                params_.push_back(*v);
                values_ += "$" + std::to_string(params_.size());
            } else {
                values_ += "NULL";
            }
        }
        values_ += ")";
        return ++rows_ < perStatement_ || flush(problem);
    }
    // Sends the rows added since the last flush.
    bool flush(std::string& problem) {
        if (rows_ == 0) return true;
        std::string names;
        for (const auto* f : columns_) names += (names.empty() ? "" : ", ") + quoted(f->name);
        pg::Result r = to_.conn.exec(
            "INSERT INTO " + quoted(t_.label) + " (" + names + ") VALUES " + values_, params_);
        rows_ = 0;
        values_.clear();
        params_.clear();
        if (!r.ok()) problem = t_.label + " on " + to_.name() + ": " + r.error();
        return r.ok();
    }

  private:
    Side& to_;
    const TableDecl& t_;
    std::vector<const FieldDecl*> columns_;
    std::size_t perStatement_ = 1, rows_ = 0;
    std::string values_;
    std::vector<std::string> params_;
};

// ---- flat files as the target ----

std::string flatTargetEmpty(const std::string& dir) {
    for (const TableDecl* t : dict::allTables()) {
        FileOptions fo;
        fo.directory = dir;
        File f(*t, fo);
        std::error_code ec;
        if (fs::exists(f.dataPath(), ec))
            return dir + " already holds the table " + t->label + " (" + f.dataPath() +
                   "): copy only into a folder without the tables";
    }
    return {};
}

// Writes the table's records as they come into a new data file in `dir`.
struct FlatWriter {
    std::unique_ptr<File> file;
    std::string open(const TableDecl& t, const std::string& dir) {
        FileOptions fo;
        fo.directory = dir;
        file = std::make_unique<File>(t, fo);
        Status s = file->create();
        if (s.ok()) s = file->open(kAccessReadWrite | kDenyAll);
        // No journal and no sync a record: a copy cut short is thrown away whole, and
        // a finished one is synced before it is moved into place.
        file->setDurable(false);
        return s.ok() ? std::string() : file->dataPath() + ": " + statusText(s);
    }
    bool add(const uint8_t* record, std::string& problem) {
        // A flat source of the same table fills this very buffer (it is the table's).
        if (record != file->buffer()) std::memcpy(file->buffer(), record, file->decl().recordSize);
        const Status s = file->add();
        if (!s.ok()) problem = file->dataPath() + ": " + statusText(s);
        return s.ok();
    }
    std::string close() {
        file->setDurable(true);
        const Status s = file->close();
        return s.ok() ? std::string() : file->dataPath() + ": " + statusText(s);
    }
};

// Syncs every file of `work` and moves it into `dir`; on a failure the ones moved are
// removed again. "" or what went wrong.
std::string moveInto(const std::string& work, const std::string& dir) {
    std::vector<fs::path> moved;
    std::error_code ec;
    std::string problem;
    for (const auto& e : fs::directory_iterator(work, ec)) {
        const fs::path target = fs::path(dir) / e.path().filename();
        storage::Handle h = storage::kNoHandle;
        int rc = posixFileSystem().open(e.path().string(), storage::kOpenReadWrite, h);
        if (rc == 0) {
            rc = posixFileSystem().sync(h);
            const int closed = posixFileSystem().close(h);
            if (rc == 0) rc = closed;
        }
        if (rc != 0) {
            problem = e.path().string() + " was not written: " + std::strerror(rc);
            break;
        }
        fs::rename(e.path(), target, ec);
        if (ec) {
            problem = e.path().string() + " was not moved into " + dir + ": " + ec.message();
            break;
        }
        moved.push_back(target);
    }
    if (ec && problem.empty()) problem = work + ": " + ec.message();
    if (!problem.empty())
        for (const auto& p : moved) fs::remove(p, ec);
    else if (int rc = posixFileSystem().syncDirectory(dir); rc != 0)
        problem = dir + " was not synced: " + std::strerror(rc);
    return problem;
}

// ---- the copy ----

std::string openSide(const std::string& dir, Side& side) {
    side.dir = dir;
    std::string conninfo;
    std::error_code ec;
    side.server = pg::serverChosen(dir, conninfo);
    if (!side.server) return fs::is_directory(dir, ec) ? std::string() : dir + " is not a folder";
    std::string message;
    return side.conn.open(conninfo, message) ? std::string() : message;
}

struct Copied {
    const TableDecl* table;
    Tally from;
};

// Copies every table present in `from` into `to` (the server's transaction, or the
// work folder `work`), tallying the source side by its own read.
std::string copyAll(Side& from, Side& to, const std::string& work, std::vector<Copied>& copied,
                    std::ostream& out) {
    for (const TableDecl* t : dict::allTables()) {
        Copied c{t, {}};
        if (std::string p = tally(*t, from, from.dir, c.from); !p.empty()) return p;
        if (!c.from.present) continue;
        std::string problem;
        FlatWriter flat;
        ServerWriter server(to, *t);
        if (to.server)
            problem = prepareServerTable(to, *t);
        else
            problem = flat.open(*t, work);
        if (!problem.empty()) return problem;
        bool present = false;
        problem = read(*t, from, present, [&](const uint8_t* record, std::string& why) {
            return to.server ? server.add(record, why) : flat.add(record, why);
        });
        if (problem.empty()) {
            if (to.server)
                server.flush(problem);
            else
                problem = flat.close();
        }
        if (!problem.empty()) return problem;
        out << "copied " << t->label << "\n";
        copied.push_back(std::move(c));
    }
    if (copied.empty()) return "no table in " + from.name();
    return {};
}

// Whether the target's tally is the one `expected` gives its table (as a backup's
// manifest writes it: kopecks); prints a line when it is not.
bool asExpected(const TableDecl& t, const Tally& got, const Expected& expected, std::ostream& out) {
    if (!expected.tables) return true;
    for (const auto& e : *expected.tables) {
        if (e.label != t.label) continue;
        bool same = e.records == got.records && e.sums.size() == got.sums.size();
        for (std::size_t i = 0; same && i < e.sums.size(); ++i)
            same = money(e.sums[i].second) == money(got.sums[i]);
        if (!same) out << t.label << ": the records or sums differ from the backup's manifest\n";
        return same;
    }
    out << t.label << ": not in the backup's manifest\n";
    return false;
}

// A server that a backup is restored into holds no record in any table.
std::string serverEmpty(Side& to) {
    for (const TableDecl* t : dict::allTables()) {
        std::string problem;
        if (!serverHas(to, *t, problem)) {
            if (!problem.empty()) return problem;
            continue;
        }
        if (std::string p = refusedWithRecords(to, *t, "restore only into an empty data directory");
            !p.empty())
            return p;
    }
    return {};
}

// Tallies the target's side and prints both; 0, or 1 after a difference.
int check(std::vector<Copied>& copied, Side& to, const std::string& work, std::string& problem,
          const Expected& expected, std::ostream& out) {
    char head[160];
    std::snprintf(head, sizeof head, "%-4s %-10s %18s %18s\n", "TAB", "FIELD", "FROM", "TO");
    out << head;
    bool same = true;
    for (auto& c : copied) {
        Tally target;
        problem = tally(*c.table, to, work, target);
        if (!problem.empty()) return 2;
        same = compare(*c.table, c.from, target, out) && same;
        same = asExpected(*c.table, target, expected, out) && same;
    }
    return same ? 0 : 1;
}

}  // namespace

int copyTables(const std::string& fromDir, const std::string& toDir, std::ostream& out,
               std::ostream& err, const Expected& expected) {
    Side from, to;
    auto fail = [&](const std::string& problem, int code = 2) {
        err << "kestrowd-file: " << expected.verb << ": " << problem << "\n";
        return code;
    };
    if (std::string p = openSide(fromDir, from); !p.empty()) return fail(p);
    std::error_code ec;
    std::string conninfo;
    if (!pg::serverChosen(toDir, conninfo) && !fs::exists(toDir, ec))
        fs::create_directories(toDir, ec);
    if (std::string p = openSide(toDir, to); !p.empty()) return fail(p);
    if (from.server) {
        // One moment of the source: every table read in one snapshot.
        pg::Result r = from.conn.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        if (!r.ok()) return fail(from.name() + ": " + r.error());
    }
    std::string work;
    if (to.server) {
        pg::Result r = to.conn.exec("BEGIN");
        if (!r.ok()) return fail(to.name() + ": " + r.error());
        if (expected.tables)
            if (std::string p = serverEmpty(to); !p.empty()) return fail(p);
    } else {
        if (std::string p = flatTargetEmpty(toDir); !p.empty()) return fail(p);
        work = (fs::path(toDir) / kWorkFolder).string();
        fs::remove_all(work, ec);  // what a copy cut short left behind
        if (!fs::create_directory(work, ec)) return fail(work + " cannot be made: " + ec.message());
    }
    // Nothing of a failed copy stays: the server's transaction is rolled back (also by
    // the connection's end), the work folder removed.
    auto abandon = [&] {
        if (to.server)
            (void)to.conn.exec("ROLLBACK");
        else
            fs::remove_all(work, ec);
    };
    std::vector<Copied> copied;
    std::string problem = copyAll(from, to, work, copied, out);
    if (!problem.empty()) {
        abandon();
        return fail(problem + "; nothing was copied into " + to.name());
    }
    const int checked = check(copied, to, work, problem, expected, out);
    if (checked != 0) {
        abandon();
        return fail(checked == 1 ? "the copy differs from " + from.name() +
                                       "; nothing was copied into " + to.name()
                                 : problem + "; nothing was copied into " + to.name(),
                    checked);
    }
    if (to.server) {
        pg::Result r = to.conn.exec("COMMIT");
        if (!r.ok()) return fail(to.name() + ": the copy was not committed: " + r.error());
    } else {
        problem = moveInto(work, toDir);
        fs::remove_all(work, ec);
        if (!problem.empty()) return fail(problem + "; nothing was copied into " + toDir);
    }
    out << (expected.tables ? "restored: " : "copied: ") << copied.size() << " tables from "
        << from.name() << " into " << to.name() << "\n";
    return 0;
}

}  // namespace kw::tool
