#include "commands.h"

#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

#include "csv.h"
#include "dictionary/tables.h"
#include "field_text.h"
#include "open_table.h"
#include "runtime/codepage.h"
#include "runtime/last_error.h"
#include "storage/driver.h"
#include "storage/file.h"
#include "storage/postgres/pg_connection.h"
#include "storage/postgres/pg_create.h"
#include "storage/probe.h"

namespace kw::tool {

using namespace kw::storage;

int driverError(std::ostream& err, const std::string& what, const Status& s) {
    err << "kestrowd-file: " << what << ": error " << s.code << " (" << errorText(s.code) << ")";
    if (s.record) err << ", record " << s.record;
    if (s.sysError) err << ", system error " << s.sysError;
    err << "\n";
    if (s.code == kInvalidDataFile)
        err << "kestrowd-file: when the file is damaged, `kestrowd-file salvage " << what
            << "` keeps every record it can still read\n";
    return 2;
}

std::string trim(const std::string& s) {
    std::size_t e = s.size();
    while (e > 0 && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
    return s.substr(0, e);
}

namespace {

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

// A table of a data directory that keeps its tables on the server: the dictionary's
// table of that name (N.DAT or N), there being no data file to describe it. -1 when the
// directory keeps flat files.
int openServerTable(const Options& o, int mode, OpenTable& t, std::ostream& err, bool openIt) {
    std::string dir, base = o.path;
    if (const auto slash = base.rfind('/'); slash != std::string::npos) {
        dir = base.substr(0, slash);
        base = base.substr(slash + 1);
    }
    storage::Backend* server = storage::registeredBackend();
    if (!server || !server->chosen(dir)) return -1;
    if (const auto dot = base.rfind('.');
        dot != std::string::npos && upper(base.substr(dot)) == ".DAT")
        base = base.substr(0, dot);
    t.decl = kw::dict::table(upper(base));
    if (t.decl.label.empty()) {
        err << "kestrowd-file: no table " << base << " in the dictionary\n";
        return 2;
    }
    FileOptions fo;
    fo.directory = dir;
    t.file = std::make_unique<File>(t.decl, fo);
    if (!openIt) return 0;
    const Status s = t.file->open(mode);
    if (!s.ok()) {
        const std::string said = last_error::driverText();
        return driverError(err, said.empty() ? o.path : o.path + ": " + cp::toUtf8(said), s);
    }
    return 0;
}

int openTable(const Options& o, int mode, OpenTable& t, std::ostream& err, bool openIt) {
    if (int rc = openServerTable(o, mode, t, err, openIt); rc >= 0) return rc;
    Status s = probeDataFile(posixFileSystem(), o.path, o.owner, t.layout);
    if (!s.ok()) return driverError(err, o.path, s);
    std::string dir, base = o.path;
    const auto slash = base.rfind('/');
    if (slash != std::string::npos) {
        dir = base.substr(0, slash);
        base = base.substr(slash + 1);
    }
    const auto dot = base.rfind('.');
    if (dot == std::string::npos || upper(base.substr(dot)) != ".DAT") {
        err << "kestrowd-file: " << o.path << ": the data file's name must end in .DAT\n";
        return 2;
    }
    base = base.substr(0, dot);
    t.decl = declFromLayout(t.layout, trim(t.layout.header.filePrefix).empty()
                                          ? base
                                          : trim(t.layout.header.filePrefix));
    t.decl.owner = o.owner;
    t.decl.oem = true;  // every table of the system keeps its texts in the OEM code page
    // The partial keys are the dictionary's, not the data file's: a table of the system
    // keeps them (and its writes here keep them up to date) when its layout is the declared one.
    const TableDecl& known = kw::dict::table(t.decl.label);
    if (known.recordSize == t.decl.recordSize && known.fields.size() == t.decl.fields.size() &&
        known.keys.size() == t.decl.keys.size())
        t.decl.partialKeys = known.partialKeys;
    FileOptions fo;
    fo.directory = dir;
    fo.name = base;
    t.file = std::make_unique<File>(t.decl, fo);
    if (!openIt) return 0;
    s = t.file->open(mode);
    if (!s.ok()) return driverError(err, o.path, s);
    return 0;
}

int createTable(const Options& o, std::ostream& err) {
    if (o.path == "--all") {
        for (const TableDecl* t : kw::dict::allTables()) {
            Options one = o;
            one.path = t->label;
            if (int rc = createTable(one, err)) return rc;
        }
        return 0;
    }
    const TableDecl& t = kw::dict::table(o.path);
    if (t.label.empty()) {
        err << "kestrowd-file: no table " << o.path << " in the dictionary\n";
        return 2;
    }
    std::string conninfo;
    if (pg::serverChosen("", conninfo)) {
        pg::Connection c;
        std::string message;
        if (!c.open(conninfo, message)) {
            err << "kestrowd-file: " << message << "\n";
            return 2;
        }
        if (std::string e = pg::createTable(c, t); !e.empty()) {
            err << "kestrowd-file: " << t.label << " on " << c.where() << ": " << e << "\n";
            return 2;
        }
        return 0;
    }
    File f(t);
    Status s = f.create();
    if (!s.ok()) return driverError(err, f.dataPath(), s);
    return 0;
}

int info(const Options& o, std::ostream& out, std::ostream& err) {
    Layout l;
    Status s = probeDataFile(posixFileSystem(), o.path, o.owner, l);
    if (!s.ok()) return driverError(err, o.path, s);
    // As an open would check it; what could be read is shown all the same.
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(o.path, ec);
    const Status sound = ec ? Status::system(kFileSystemError, ec.value()) : checkLayout(l, size);
    if (!sound.ok())
        out << "damaged: error " << sound.code << " (" << errorText(sound.code)
            << "); the lines below are as read, not as an open takes them\n";
    const Header& h = l.header;
    auto hex = [](unsigned v, int w) {
        std::ostringstream x;
        x << "0x" << std::uppercase << std::hex << std::setw(w) << std::setfill('0') << v;
        return x.str();
    };
    out << "signature: " << hex(h.signature, 4) << "\n"
        << "attributes: " << hex(h.attributes, 4) << "\n"
        << "keys: " << unsigned(h.keyCount) << "\n"
        << "records: " << h.records << "\n"
        << "deleted: " << h.deleted << "\n"
        << "fields: " << h.fieldCount << "\n"
        << "pictures: " << h.pictureCount << "\n"
        << "arrays: " << h.arrayCount << "\n"
        << "slot_length: " << h.slotLength << "\n"
        << "data_offset: " << h.dataOffset << "\n"
        << "highest: " << h.highest << "\n"
        << "lowest: " << h.lowest << "\n"
        << "first_free: " << h.firstFree << "\n"
        << "prefix: " << trim(h.filePrefix) << "\n";
    for (std::size_t i = 0; i < l.fields.size(); ++i) {
        const FieldDesc& f = l.fields[i];
        out << "field " << i + 1 << ": " << trim(f.name) << " type=" << unsigned(f.type)
            << " offset=" << f.offset << " length=" << f.length << "\n";
    }
    for (std::size_t i = 0; i < l.keys.size(); ++i) {
        const KeyDesc& k = l.keys[i];
        out << "key " << i + 1 << ": " << trim(k.name) << " flags=" << hex(k.flags, 2)
            << " components=";
        for (std::size_t c = 0; c < k.components.size(); ++c)
            out << (c ? "," : "") << k.components[c].field;
        out << "\n";
    }
    return sound.ok() ? 0 : driverError(err, o.path, sound);
}

int dump(const Options& o, std::ostream& out, std::ostream& err) {
    OpenTable t;
    if (int rc = openTable(o, kAccessRead | kDenyNone, t, err)) return rc;
    if (o.key < 0 || o.key > static_cast<int>(t.decl.keys.size())) {
        err << "kestrowd-file: no key " << o.key << " (the file has " << t.decl.keys.size()
            << ")\n";
        return 2;
    }
    std::vector<const FieldDecl*> cols;
    std::vector<std::string> names;
    for (const auto& f : t.decl.fields) {
        if (f.type == FieldType::Group) continue;
        cols.push_back(&f);
        names.push_back(f.name);
    }
    out << csvLine(names);
    Status s = t.file->set(o.key);
    std::vector<std::string> row;
    while (s.ok()) {
        s = t.file->next();
        if (!s.ok()) break;
        row.clear();
        for (const auto* f : cols) row.push_back(fieldText(*f, t.file->buffer()));
        out << csvLine(row);
    }
    if (s.code != kRecordNotAvailable) return driverError(err, o.path, s);
    return 0;
}

int check(const Options& o, std::ostream& out, std::ostream& err) {
    OpenTable t;
    if (int rc = openTable(o, kAccessRead | kDenyNone, t, err)) return rc;
    std::vector<std::string> problems;
    uint64_t unused = 0;
    Status s = t.file->check(problems, &unused);
    if (!s.ok()) return driverError(err, o.path, s);
    for (const auto& p : problems) out << p << "\n";
    // Not a disagreement: the next adds write over it.
    if (unused)
        out << "data file: " << unused
            << " bytes past the last record, unused (build or pack gives them back)\n";
    return problems.empty() ? 0 : 1;
}

int build(const Options& o, std::ostream& out, std::ostream& err) {
    OpenTable t;
    if (int rc = openTable(o, 0, t, err, false)) return rc;
    std::vector<std::string> notes;
    Status s = t.file->build(&notes);
    for (const auto& n : notes) out << n << "\n";
    return s.ok() ? 0 : driverError(err, o.path, s);
}

int pack(const Options& o, std::ostream& out, std::ostream& err) {
    OpenTable t;
    if (int rc = openTable(o, 0, t, err, false)) return rc;
    std::vector<std::string> notes;
    Status s = t.file->pack(&notes);
    for (const auto& n : notes) out << n << "\n";
    return s.ok() ? 0 : driverError(err, o.path, s);
}

int salvage(const Options& o, std::ostream& out, std::ostream& err) {
    OpenTable t;
    if (int rc = openTable(o, 0, t, err, false)) return rc;
    File::Salvaged r;
    Status s = t.file->salvage(r);
    if (!s.ok()) return driverError(err, o.path, s);
    std::string bad = t.file->dataPath();
    bad.replace(bad.size() - 4, 4, ".BAD");
    out << "kept: " << r.kept << " records\n"
        << "unreadable: " << r.unreadable << " records\n"
        << "deleted: " << r.deleted << " slots left out\n"
        << "damaged file kept as " << bad << "\n";
    return 0;
}

}  // namespace kw::tool
