#include "cashdesk_commands.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "../kestrowd_file/commands.h"
#include "../kestrowd_file/csv.h"
#include "dictionary/tables.h"
#include "list_commands.h"
#include "runtime/codepage.h"

namespace kw::scenario {

namespace {

using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + script::timeout();
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(10ms);
    }
}

std::string clip(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool number(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end && *end == '\0';
}

bool sameValue(const std::string& shown, const std::string& want) {
    double a = 0, b = 0;
    if (number(shown, a) && number(want, b))
        return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
    return shown == want;
}

// The live records of TABLE in file order as `kestrowd-file dump` writes them (UTF-8):
// the header's names, then the rows. False with the tool's message in `why`.
bool dumpTable(const std::string& label, std::vector<std::string>& header,
               std::vector<std::vector<std::string>>& rows, std::string& why) {
    const storage::TableDecl& t = dict::table(label);
    if (t.label.empty()) {
        why = "a table of the dictionary (" + label + " is none)";
        return false;
    }
    tool::Options o;
    o.path = t.diskName + ".DAT";
    o.owner = t.owner;
    std::ostringstream out, err;
    if (tool::dump(o, out, err) != 0) {
        why = clip(err.str());
        return false;
    }
    const std::string csv = out.str();
    tool::CsvReader in(csv);
    std::string error;
    if (in.next(header, error) != tool::CsvReader::Result::Record) return true;
    for (std::vector<std::string> row;;) {
        const tool::CsvReader::Result r = in.next(row, error);
        if (r == tool::CsvReader::Result::End) break;
        if (r == tool::CsvReader::Result::Error) {
            why = "the dump of " + label + " does not read back: " + error;
            return false;
        }
        rows.push_back(row);
    }
    return true;
}

bool count(const std::string& text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0) return false;
    out = static_cast<int>(v);
    return true;
}

bool expectRecords(const Step& s, const StepContext&, std::string& expected) {
    int n = 0;
    if (!count(s.args[1], n)) {
        expected = "a number of records";
        return false;
    }
    expected = s.args[0] + " holding " + s.args[1] + " records";
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::string why;
    if (!dumpTable(s.args[0], header, rows, why)) {
        expected += " (" + why + ")";
        return false;
    }
    if (static_cast<int>(rows.size()) == n) return true;
    expected += " (it holds " + std::to_string(rows.size()) + ")";
    return false;
}

bool expectRecord(const Step& s, const StepContext&, std::string& expected) {
    int n = 0;
    if (!count(s.args[1], n) || n < 1) {
        expected = "a record number from 1";
        return false;
    }
    expected = "record " + s.args[1] + " of " + s.args[0] + " with " + s.args[2];
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::string why;
    if (!dumpTable(s.args[0], header, rows, why)) {
        expected += " (" + why + ")";
        return false;
    }
    if (n > static_cast<int>(rows.size())) {
        expected += " (the table holds " + std::to_string(rows.size()) + " records)";
        return false;
    }
    const std::vector<std::string>& row = rows[static_cast<std::size_t>(n - 1)];
    std::istringstream pairs(s.args[2]);
    for (std::string pair; pairs >> pair;) {
        const std::size_t eq = pair.find('=');
        if (eq == std::string::npos) {
            expected = "values written FIELD=VALUE (" + pair + ")";
            return false;
        }
        const std::string field = pair.substr(0, eq), want = pair.substr(eq + 1);
        std::size_t col = header.size();
        for (std::size_t i = 0; i < header.size(); ++i)
            if (cp::upper(header[i]) == cp::upper(field)) col = i;
        if (col == header.size() || col >= row.size()) {
            expected += " (no field " + field + ")";
            return false;
        }
        if (!sameValue(row[col], want)) {
            expected += " (" + field + " is " + row[col] + ")";
            return false;
        }
    }
    return true;
}

bool expectCell(const Step& s, const StepContext& c, std::string& expected) {
    int row = 0, column = 0;
    if (!count(s.args[0], row) || !count(s.args[1], column)) {
        expected = "a row and a column number";
        return false;
    }
    const std::string want = clip(cp::fromUtf8(s.args[2]));
    expected = "row " + s.args[0] + ", column " + s.args[1] +
               " of the active window's list showing \"" + s.args[2] + "\"";
    return waitFor([&] {
        const script::WindowDriver w = c.active();
        const int list = windowList(w);
        return list != 0 && w.cell(list, row, column) == want;
    });
}

bool selectRow(const Step& s, const StepContext& c, std::string& expected) {
    int row = 0;
    expected = "a row " + s.args[0] + " of the active window's list to highlight";
    if (!count(s.args[0], row)) return false;
    script::WindowDriver w = c.active();
    const int list = windowList(w);
    return list != 0 && w.selectRow(list, row) == script::Drive::Ok;
}

// 0FF0000H (the Windows way), 0xFF0000 or a decimal number.
bool colour(std::string text, uint32_t& out) {
    int base = 10;
    if (!text.empty() && (text.back() == 'H' || text.back() == 'h')) {
        text.pop_back();
        base = 16;
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text = text.substr(2);
        base = 16;
    }
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, base);
    if (text.empty() || *end != '\0' || v > 0xFFFFFFFFul) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

bool expectColumnColor(const Step& s, const StepContext& c, std::string& expected) {
    int column = 0;
    uint32_t want = 0;
    if (!count(s.args[0], column) || !colour(s.args[1], want)) {
        expected = "a column number and a colour (0FF0000H)";
        return false;
    }
    expected = "column " + s.args[0] + " of the active window's list in colour " + s.args[1];
    const script::WindowDriver w = c.active();
    const int list = windowList(w);
    return list != 0 && w.columnColor(list, column) == want;
}

}  // namespace

bool cashdeskStep(const Step& s, const StepContext& context, std::string& expected, bool& known) {
    using Handler = bool (*)(const Step&, const StepContext&, std::string&);
    struct Command {
        const char* name;
        std::size_t args;
        Handler handler;
        const char* usage;
    };
    static const Command commands[] = {
        {"expect-records", 2, expectRecords, "expect-records TABLE N"},
        {"expect-record", 3, expectRecord, "expect-record TABLE N \"FIELD=VALUE ...\""},
        {"expect-cell", 3, expectCell, "expect-cell ROW COLUMN \"TEXT\""},
        {"select-row", 1, selectRow, "select-row ROW"},
        {"expect-column-color", 2, expectColumnColor, "expect-column-color COLUMN COLOUR"},
    };
    known = false;
    for (const Command& c : commands) {
        if (s.command != c.name) continue;
        known = true;
        if (s.args.size() != c.args) {
            expected = std::string("the command written as: ") + c.usage;
            return false;
        }
        return c.handler(s, context, expected);
    }
    return false;
}

}  // namespace kw::scenario
