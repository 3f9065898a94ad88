// kestrowd-file load: all or nothing. The whole input is read and checked before the
// table is opened for writing; a line that is refused (a value that does not fit its
// field, a wrong number of columns, bad CSV, a duplicate of a unique key) leaves every
// file of the table as it was.
#include <cstring>
#include <iterator>
#include <map>
#include <sstream>

#include "commands.h"
#include "csv.h"
#include "field_text.h"
#include "open_table.h"
#include "storage/record_codec.h"

namespace kw::tool {

using namespace kw::storage;

namespace {

// Refused lines reported one by one; past that only counted.
constexpr int kReportedLines = 20;

// The checked records, as the program holds them (code page 1251), in input order.
struct Rows {
    std::size_t size = 0;
    std::vector<uint8_t> bytes;  // size records of recordSize bytes
    std::vector<long> lines;     // the line each record starts on
};

class Loader {
  public:
    Loader(const Options& o, OpenTable& t, std::ostream& err) : o_(o), t_(t), err_(err) {
        for (const KeyDecl& k : t.decl.keys) shapes_.emplace_back(t.decl, k);
    }

    // Reads and checks the input; 0 when every line holds a record.
    int read(std::string_view input) {
        if (input.starts_with("\xEF\xBB\xBF")) input.remove_prefix(3);  // a byte-order mark
        CsvReader csv(input);
        std::vector<std::string> row;
        std::string why;
        const CsvReader::Result head = csv.next(row, why);
        if (head == CsvReader::Result::End) return 0;
        if (head == CsvReader::Result::Error) {
            refuse(csv.line(), "header: " + why);
            return finish();
        }
        if (!columns(row)) return finish();
        std::vector<std::map<std::string, long>> seen(shapes_.size());
        for (;;) {
            const CsvReader::Result r = csv.next(row, why);
            if (r == CsvReader::Result::End) break;
            if (r == CsvReader::Result::Error) {
                refuse(csv.line(), "column " + std::to_string(csv.column()) + ": " + why);
                continue;
            }
            if (row.size() != fieldOf_.size()) {
                refuse(csv.line(), std::to_string(row.size()) +
                                       (row.size() == 1 ? " column" : " columns") +
                                       ", the header has " + std::to_string(fieldOf_.size()));
                continue;
            }
            record(csv.line(), row, seen);
        }
        return finish();
    }

    // Refuses every record whose unique key value the table holds already.
    int checkAgainstFile() {
        if (rows_.size == 0) return 0;
        Status s = t_.file->open(kAccessRead | kDenyNone);
        if (!s.ok()) return driverError(err_, o_.path, s);
        for (std::size_t i = 0; i < rows_.size && s.ok(); ++i) {
            const uint8_t* rec = rows_.bytes.data() + i * t_.decl.recordSize;
            std::memcpy(t_.file->buffer(), rec, t_.decl.recordSize);
            for (std::size_t k = 0; k < shapes_.size() && s.ok(); ++k) {
                if (shapes_[k].dup || shapes_[k].omitted(rec)) continue;
                bool taken = false;
                s = t_.file->duplicate(static_cast<int>(k + 1), taken);
                if (s.ok() && taken)
                    refuse(rows_.lines[i], "its " + keyName(k) + " is in the table already");
            }
        }
        (void)t_.file->close();
        if (!s.ok()) return driverError(err_, o_.path, s);
        return finish();
    }

    // Adds the records. A driver error on the way stops it and says how many went in.
    int add() {
        if (rows_.size == 0) return 0;
        Status s = t_.file->open(kDefaultOpenMode);
        if (!s.ok()) return driverError(err_, o_.path, s);
        t_.file->setDurable(false);  // one sync at the end instead of one a record
        std::size_t added = 0;
        for (; added < rows_.size; ++added) {
            std::memcpy(t_.file->buffer(), rows_.bytes.data() + added * t_.decl.recordSize,
                        t_.decl.recordSize);
            s = t_.file->add();
            if (!s.ok()) break;
        }
        int rc = 0;
        if (!s.ok()) {
            rc = driverError(err_, "line " + std::to_string(rows_.lines[added]), s);
            err_ << "kestrowd-file: " << o_.path << ": " << added << " of " << rows_.size
                 << " records were added"
                 << (added ? " (lines " + std::to_string(rows_.lines[0]) + " to " +
                                 std::to_string(rows_.lines[added - 1]) + ")"
                           : std::string())
                 << "\n";
        }
        t_.file->setDurable(true);
        s = t_.file->close();
        if (rc == 0 && !s.ok()) rc = driverError(err_, o_.path, s);
        return rc;
    }

  private:
    bool columns(const std::vector<std::string>& header) {
        for (std::size_t c = 0; c < header.size(); ++c) {
            const std::string name = trim(header[c]);
            const int n = t_.decl.fieldNumber(name);
            const std::string at = "header, column " + std::to_string(c + 1) + ": ";
            if (n == 0) {
                refuse(1, at + "no field " + excerpt(name) + " in " + o_.path);
            } else if (t_.decl.field(n).type == FieldType::Group) {
                refuse(1, at + name + " is a group, not a field with a value");
            } else {
                for (std::size_t d = 0; d < c; ++d)
                    if (fieldOf_[d] == n)
                        refuse(1, at + name + " is column " + std::to_string(d + 1) + " too");
            }
            fieldOf_.push_back(n);
        }
        return refused_ == 0;
    }

    void record(long line, const std::vector<std::string>& row,
                std::vector<std::map<std::string, long>>& seen) {
        std::vector<uint8_t> rec(t_.decl.recordSize);
        clearRecord(t_.decl, rec.data());
        bool ok = true;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const FieldDecl& f = t_.decl.field(fieldOf_[c]);
            const std::string why = setField(f, rec.data(), row[c], o_.cutTexts);
            if (!why.empty()) {
                refuse(line, "column " + std::to_string(c + 1) + " (" + f.name + "): \"" +
                                 excerpt(row[c]) + "\" " + why);
                ok = false;
            }
        }
        if (!ok) return;
        for (std::size_t k = 0; k < shapes_.size(); ++k) {
            if (shapes_[k].dup || shapes_[k].omitted(rec.data())) continue;
            std::string v(shapes_[k].length, '\0');
            shapes_[k].value(rec.data(), reinterpret_cast<uint8_t*>(v.data()));
            const auto [at, fresh] = seen[k].emplace(std::move(v), line);
            if (!fresh) {
                refuse(line,
                       "its " + keyName(k) + " is that of line " + std::to_string(at->second));
                return;
            }
        }
        rows_.bytes.insert(rows_.bytes.end(), rec.begin(), rec.end());
        rows_.lines.push_back(line);
        ++rows_.size;
    }

    std::string keyName(std::size_t k) const {
        return "value of key " + std::to_string(k + 1) + " (" + t_.decl.keys[k].name + ")";
    }

    void refuse(long line, const std::string& what) {
        if (line != lastRefused_) {
            lastRefused_ = line;
            ++refused_;
        }
        if (++reported_ <= kReportedLines)
            err_ << "kestrowd-file: line " << line << ": " << what << "\n";
    }

    int finish() {
        if (refused_ == 0) return 0;
        if (reported_ > kReportedLines)
            err_ << "kestrowd-file: ... " << reported_ - kReportedLines << " more\n";
        err_ << "kestrowd-file: " << o_.path << ": " << refused_
             << (refused_ == 1 ? " line" : " lines") << " refused, nothing was added\n";
        return 2;
    }

    const Options& o_;
    OpenTable& t_;
    std::ostream& err_;
    std::vector<KeyShape> shapes_;
    std::vector<int> fieldOf_;
    Rows rows_;
    long refused_ = 0;
    long lastRefused_ = 0;
    int reported_ = 0;
};

}  // namespace

int load(const Options& o, std::istream& in, std::ostream& err) {
    OpenTable t;
    if (int rc = openTable(o, 0, t, err, false)) return rc;
    const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Loader loader(o, t, err);
    if (int rc = loader.read(input)) return rc;
    if (int rc = loader.checkAgainstFile()) return rc;
    return loader.add();
}

}  // namespace kw::tool
