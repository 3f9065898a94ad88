#include "framework/data/backup.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include "dictionary/tables.h"
#include "framework/data/backup_server.h"
#include "runtime/sha256.h"
#include "storage/file.h"

namespace kw::backup {

namespace {

using storage::File;
using storage::FileSystem;
using storage::Handle;
using storage::Status;
using storage::TableDecl;

constexpr const char* kManifest = "MANIFEST";
constexpr const char* kFormatLine = "kestrowd backup 1";
constexpr std::size_t kPiece = std::size_t{4} << 20;

FileSystem& fsOf(const Options& o) {
    return o.fs ? *o.fs : storage::posixFileSystem();
}

std::string join(const std::string& dir, const std::string& name) {
    return dir.empty() || dir == "." ? name : dir + "/" + name;
}

std::string dirOf(const Options& o) {
    return o.dataDirectory.empty() ? "." : o.dataDirectory;
}

using detail::describe;
using detail::fileNames;

std::string systemText(int err) {
    if (err == ENOSPC || err == EDQUOT) return "the disk is full";
    if (err == EACCES || err == EPERM || err == EROFS) return "no permission to write";
    return std::strerror(err);
}

// Reads the file open as `in` from its start a large piece at a time, hashing every piece
// into `sha` when given and handing it to `piece` (its bytes, their length and offset)
// when given; `size` gets the bytes read. 0 or errno.
int readHashed(FileSystem& fs, Handle in, Sha256* sha, uint64_t& size,
               const std::function<int(const uint8_t*, std::size_t, uint64_t)>& piece = {}) {
    std::vector<uint8_t> buf(kPiece);
    size = 0;
    for (;;) {
        std::size_t got = 0;
        int rc = fs.read(in, buf.data(), buf.size(), size, got);
        if (rc != 0 || got == 0) return rc;
        if (sha) sha->update(buf.data(), got);
        if (piece && (rc = piece(buf.data(), got, size)) != 0) return rc;
        size += got;
    }
}

// A file being copied: its new file (open until it is synced), and the digest of what
// was written into it.
struct Copy {
    std::string path;
    Handle out = storage::kNoHandle;
    uint64_t size = 0;
    const uint8_t* map = nullptr;       // the new file's bytes, read by the hasher
    std::atomic<uint64_t> written{0};   // bytes of it written so far
    std::atomic<bool> finished{false};  // written whole, or given up
    Sha256 sha;
};

// Hashes the copies on a thread of its own, in the order they are made, each as its
// bytes are written: hashing and copying cost about as much, so side by side they take
// the time of one. What it hashes is the new file itself (through the page cache), the
// bytes a later check reads. The copier announces progress with progress(); wait()
// returns once every copy handed over is hashed (or given up).
class Hasher {
  public:
    explicit Hasher(FileSystem& fs) : fs_(fs), thread_([this] { run(); }) {}
    ~Hasher() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    void add(Copy* c) {
        {
            std::lock_guard<std::mutex> lock(m_);
            queue_.push_back(c);
        }
        cv_.notify_all();
    }
    void progress(Copy& c, uint64_t written, bool finished) {
        {
            std::lock_guard<std::mutex> lock(m_);
            c.written.store(written);
            c.finished.store(finished);
        }
        cv_.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(m_);
        idle_.wait(lock, [this] { return next_ == queue_.size(); });
    }

  private:
    void run() {
        for (;;) {
            Copy* c = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock, [this] { return stop_ || next_ < queue_.size(); });
                if (stop_) return;
                c = queue_[next_];
            }
            hash(*c);
            {
                std::lock_guard<std::mutex> lock(m_);
                ++next_;
            }
            idle_.notify_all();
        }
    }
    // The bytes of `c` as they come, until it is finished or the hasher stopped.
    void hash(Copy& c) {
        uint64_t done = 0;
        for (;;) {
            uint64_t ready = 0;
            bool finished = false;
            {
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock,
                         [&] { return stop_ || c.finished.load() || c.written.load() > done; });
                if (stop_) return;
                ready = c.written.load();
                finished = c.finished.load();
            }
            if (c.map && ready > done) {
                fs_.prefetch(c.map + done, ready - done);
                c.sha.update(c.map + done, static_cast<std::size_t>(ready - done));
            }
            done = ready;
            if (finished) break;
        }
        if (c.map) fs_.unmap(c.map, c.size);
        c.map = nullptr;
    }

    FileSystem& fs_;
    std::mutex m_;
    std::condition_variable cv_, idle_;
    std::vector<Copy*> queue_;
    std::size_t next_ = 0;
    bool stop_ = false;
    std::thread thread_;  // last: starts once the members above are made
};

// Writes the file open as `in` into `c.out`: from a map of `in` (the page cache's own
// pages, no read into a buffer), or piece by piece when it cannot be mapped; the disk
// starts writing each piece at once, so that the copy's sync finds little left. 0 or errno.
int writeCopy(FileSystem& fs, Handle in, Copy& c, Hasher& hasher) {
    const uint8_t* from = nullptr;
    if (fs.map(in, c.size, from) != 0) {
        uint64_t size = 0;
        const int rc =
            readHashed(fs, in, nullptr, size, [&](const uint8_t* q, std::size_t n, uint64_t at) {
                const int w = fs.write(c.out, q, n, at);
                if (w == 0) hasher.progress(c, std::min(at + n, c.size), false);
                return w;
            });
        return rc == 0 && size != c.size ? EIO : rc;  // the file changed its size under our hands
    }
    int rc = 0;
    fs.prefetch(from, c.size);  // the page tables in one call rather than a fault a few pages
    for (uint64_t at = 0; at < c.size && rc == 0; at += kPiece) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(kPiece, c.size - at));
        rc = fs.write(c.out, from + at, n, at);
        if (rc == 0) {
            fs.startWriteback(c.out);
            hasher.progress(c, at + n, false);
        }
    }
    fs.unmap(from, c.size);
    return rc;
}

// Copies `from` into the new file `to`; the hasher hashes the copy as it is written.
// The copy is left open in `c` for syncCopy(). 0 or errno.
int copyFile(FileSystem& fs, const std::string& from, const std::string& to, Copy& c,
             Hasher& hasher) {
    c.path = to;
    Handle in = storage::kNoHandle;
    int rc = fs.open(from, storage::kOpenRead, in);
    if (rc == 0) rc = fs.size(in, c.size);
    if (rc == 0)
        rc = fs.open(to, storage::kOpenReadWrite | storage::kOpenCreate | storage::kOpenExclusive,
                     c.out);
    if (rc == 0 && c.size > 0) rc = fs.map(c.out, c.size, c.map);
    if (rc == 0) {
        hasher.add(&c);
        rc = writeCopy(fs, in, c, hasher);
    }
    if (in != storage::kNoHandle) (void)fs.close(in);  // read only: nothing to lose
    hasher.progress(c, rc == 0 ? c.size : c.written.load(), true);
    return rc;
}

// Syncs and closes a copy. 0 or errno.
int syncCopy(FileSystem& fs, Copy& c) {
    if (c.out == storage::kNoHandle) return 0;
    const int rc = fs.sync(c.out);
    const int closed = fs.close(c.out);
    c.out = storage::kNoHandle;
    return rc != 0 ? rc : closed;
}

// A copy written and synced by other means: its size and the digest of its bytes, read
// back. 0 or errno.
int hashCopy(FileSystem& fs, const std::string& path, Copy& c) {
    c.path = path;
    Handle in = storage::kNoHandle;
    int rc = fs.open(path, storage::kOpenRead, in);
    if (rc == 0) {
        rc = readHashed(fs, in, &c.sha, c.size);
        (void)fs.close(in);  // read only
    }
    return rc;
}

// Copies `from` into the new file `to` and syncs it; `sha` gets the copy's digest. 0 or errno.
int copyFile(FileSystem& fs, const std::string& from, const std::string& to, std::string& sha,
             uint64_t& size) {
    Copy c;
    int rc = 0;
    {
        Hasher hasher(fs);
        rc = copyFile(fs, from, to, c, hasher);
        if (rc == 0) hasher.wait();
    }
    if (c.map) fs.unmap(c.map, c.size);  // a copy given up before the hasher reached it
    const int synced = syncCopy(fs, c);
    size = c.size;
    sha = c.sha.hex();
    return rc != 0 ? rc : synced;
}

// A folder name for now that is not taken under `under`.
std::string newFolder(const std::string& under) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "kestrowd-%Y%m%d-%H%M%S", &tm);
    std::string name = stamp;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(join(under, name), ec); ++n)
        name = std::string(stamp) + "-" + std::to_string(n);
    return join(under, name);
}

std::string takenLine() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char text[40];
    std::strftime(text, sizeof text, "taken %d.%m.%Y %H:%M:%S", &tm);
    return text;
}

// Reads the live records of a table's copy: their count and the sum of every REAL field.
Status sumsOf(const TableDecl& t, const std::string& folder, FileSystem& fs, TableSums& out) {
    storage::FileOptions fo;
    fo.directory = folder;
    fo.fs = &fs;
    File f(t, fo);
    Status s = f.open(storage::kAccessRead | storage::kDenyNone);
    if (!s.ok()) return s;
    out.label = t.label;
    std::vector<const storage::FieldDecl*> reals;
    std::vector<File::Span> spans;
    for (const auto& field : t.fields)
        if (field.type == storage::FieldType::Real) {
            reals.push_back(&field);
            spans.push_back({field.offset, field.size});
        }
    std::vector<double> sums(reals.size(), 0.0);
    uint32_t count = 0;
    if (spans.empty()) spans.push_back({0, 1});  // nothing to copy out but the count
    s = f.scan(
        [&](const uint8_t* record) {
            ++count;
            for (std::size_t i = 0; i < reals.size(); ++i) {
                double v;
                std::memcpy(&v, record + reals[i]->offset, sizeof v);
                sums[i] += v;
            }
        },
        spans);
    if (!s.ok()) return s;
    out.records = count;
    out.sums.clear();
    for (std::size_t i = 0; i < reals.size(); ++i) out.sums.emplace_back(reals[i]->name, sums[i]);
    return f.close();
}

std::string tableLine(const TableSums& t) {
    std::string line = "table " + t.label + " " + std::to_string(t.records);
    for (const auto& [name, sum] : t.sums) {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f", sum);
        line += " " + name + "=" + text;
    }
    return line;
}

std::string hexOf(const std::string& text) {
    Sha256 h;
    h.update(text.data(), text.size());
    return h.hex();
}

// Writes the manifest under a temporary name, syncs it and renames it into place.
int writeManifest(FileSystem& fs, const std::string& folder, const std::string& body) {
    const std::string text = body + "end " + hexOf(body) + "\n";
    const std::string tmp = join(folder, std::string(kManifest) + "~");
    Handle h = storage::kNoHandle;
    int rc =
        fs.open(tmp, storage::kOpenReadWrite | storage::kOpenCreate | storage::kOpenTruncate, h);
    if (rc != 0) return rc;
    rc = fs.write(h, text.data(), text.size(), 0);
    if (rc == 0) rc = fs.sync(h);
    const int closed = fs.close(h);
    if (rc == 0) rc = closed;
    if (rc == 0) rc = fs.rename(tmp, join(folder, kManifest));
    if (rc == 0) rc = fs.syncDirectory(folder);
    return rc;
}

struct Manifest {
    struct FileLine {
        std::string name;
        uint64_t size = 0;
        std::string sha;
    };
    std::vector<FileLine> files;
    std::vector<std::string> tables;  // the table lines as written
    std::vector<std::string> labels;
};

// Reads and checks the manifest's own digest; "" or what is wrong.
std::string readManifest(const std::string& folder, Manifest& m) {
    std::ifstream in(join(folder, kManifest), std::ios::binary);
    if (!in) return "no manifest: not a backup, or an unfinished one";
    std::string line, body;
    bool ended = false;
    while (std::getline(in, line)) {
        if (line.rfind("end ", 0) == 0) {
            if (line.substr(4) != hexOf(body))
                return "the manifest was changed after the backup was taken";
            ended = true;
            break;
        }
        body += line + "\n";
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "file") {
            Manifest::FileLine f;
            if (!(words >> f.name >> f.size >> f.sha) || f.name.find('/') != std::string::npos)
                return "a damaged manifest line: " + line;
            m.files.push_back(f);
        } else if (kind == "table") {
            std::string label;
            words >> label;
            m.tables.push_back(line);
            m.labels.push_back(label);
        }
    }
    if (!ended) return "the manifest is cut short";
    if (body.rfind(std::string(kFormatLine) + "\n", 0) != 0)
        return "not a backup manifest of this program";
    return {};
}

// Every table present, opened and held still for the copy by an empty transaction
// frame over all of them: other desks' writes wait for the frame as for any writer
// (their file managers' usual wait), reads go on. Released by the destructor.
struct HeldTables {
    std::vector<std::unique_ptr<File>> files;
    std::vector<const TableDecl*> decls;
    bool framed = false;
    ~HeldTables() {
        // The frame changed nothing: its end only releases the writers' locks, and
        // closing the files releases them in any case.
        if (framed) (void)File::rollback();
        for (auto& f : files) (void)f->close();
    }
};

std::string holdAll(const Options& o, HeldTables& held) {
    FileSystem& fs = fsOf(o);
    for (const TableDecl* t : dict::allTables()) {
        storage::FileOptions fo;
        fo.directory = o.dataDirectory;
        fo.fs = &fs;
        auto f = std::make_unique<File>(*t, fo);
        if (fs.exists(f->dataPath()) == ENOENT) continue;
        Status s = f->open();
        if (!s.ok()) return describe(t->label, s);
        held.files.push_back(std::move(f));
        held.decls.push_back(t);
    }
    if (held.decls.empty()) return "no table in " + dirOf(o);
    std::vector<File*> frame;
    for (auto& f : held.files) frame.push_back(f.get());
    const Status s = File::logout(o.lockSeconds, frame);
    if (!s.ok()) return describe("the tables", s) + ": another desk keeps them busy; try again";
    held.framed = true;
    return {};
}

// The flat files: every table held still while its files are copied (and hashed as
// they are written). "" or what went wrong.
std::string copyHeld(const Options& o, const std::string& folder,
                     std::vector<const TableDecl*>& tables, std::deque<Copy>& copies,
                     Hasher& hasher) {
    FileSystem& fs = fsOf(o);
    HeldTables held;
    if (std::string p = holdAll(o, held); !p.empty()) return p;
    tables = held.decls;
    for (const TableDecl* t : tables)
        for (const std::string& name : fileNames(*t)) {
            copies.emplace_back();
            const int rc = copyFile(fs, join(o.dataDirectory, name), join(folder, name),
                                    copies.back(), hasher);
            if (rc != 0) return name + " was not copied into " + folder + ": " + systemText(rc);
        }
    return {};
}

// A server's tables, read in one transaction into data files of the copy, then hashed.
std::string copyServer(const Options& o, const std::string& folder,
                       std::vector<const TableDecl*>& tables, std::deque<Copy>& copies) {
    std::vector<std::string> names;
    if (std::string p = detail::copyFromServer(o, folder, tables, names); !p.empty()) return p;
    for (const std::string& name : names) {
        copies.emplace_back();
        if (int rc = hashCopy(fsOf(o), join(folder, name), copies.back()); rc != 0)
            return name + " cannot be read back from " + folder + ": " + systemText(rc);
    }
    return {};
}

}  // namespace

Result take(const std::string& under, const Options& o) {
    Result r;
    FileSystem& fs = fsOf(o);
    std::error_code ec;
    std::filesystem::create_directories(under, ec);
    if (ec) {
        r.problem = "the backup folder " + under + " cannot be made: " + systemText(ec.value());
        return r;
    }
    r.folder = newFolder(under);
    if (!std::filesystem::create_directory(r.folder, ec) || ec) {
        r.problem =
            "the folder " + r.folder + " cannot be made: " + systemText(ec ? ec.value() : EEXIST);
        return r;
    }
    auto fail = [&](std::string problem) {
        r.problem = std::move(problem);
        std::filesystem::remove_all(r.folder, ec);  // no half copy is left to be taken for one
        return r;
    };
    std::string body = std::string(kFormatLine) + "\n" + takenLine() + "\n";
    std::vector<const TableDecl*> tables;
    std::deque<Copy> copies;
    // Copies left by a failure are closed (the folder goes with fail()), after the
    // hasher has stopped.
    struct CloseCopies {
        FileSystem& fs;
        std::deque<Copy>& copies;
        ~CloseCopies() {
            for (auto& c : copies) {
                if (c.map) fs.unmap(c.map, c.size);
                if (c.out != storage::kNoHandle) (void)fs.close(c.out);
            }
        }
    } closeCopies{fs, copies};
    Hasher hasher(fs);
    const std::string copied = detail::onServer(o) ? copyServer(o, r.folder, tables, copies)
                                                   : copyHeld(o, r.folder, tables, copies, hasher);
    if (!copied.empty()) return fail(copied);
    // Every byte is written: the desks write again. The copies are counted while the
    // hasher catches up and the disk writes them out; synced after, they leave the sync
    // little to wait for.
    std::string tableLines;
    for (const TableDecl* t : tables) {
        TableSums sums;
        const Status s = sumsOf(*t, r.folder, fs, sums);
        if (!s.ok()) return fail(describe(t->label + " in the copy", s));
        tableLines += tableLine(sums) + "\n";
        ++r.tables;
    }
    hasher.wait();
    for (auto& c : copies) {
        if (int rc = syncCopy(fs, c); rc != 0)
            return fail(c.path + " was not written: " + systemText(rc));
        body += "file " + c.path.substr(c.path.rfind('/') + 1) + " " + std::to_string(c.size) +
                " " + c.sha.hex() + "\n";
        ++r.files;
        r.bytes += c.size;
    }
    body += tableLines;
    if (int rc = fs.syncDirectory(r.folder); rc != 0)
        return fail("the backup folder was not synced: " + systemText(rc));
    if (int rc = writeManifest(fs, r.folder, body); rc != 0)
        return fail("the manifest was not written into " + r.folder + ": " + systemText(rc));
    r.ok = true;
    return r;
}

Result verify(const std::string& folder, const Options& o) {
    Result r;
    r.folder = folder;
    FileSystem& fs = fsOf(o);
    Manifest m;
    if (std::string p = readManifest(folder, m); !p.empty()) {
        r.problem = p;
        r.mismatches.push_back(p);
        return r;
    }
    for (const auto& f : m.files) {
        Sha256 sha;
        uint64_t size = 0;
        Handle h = storage::kNoHandle;
        int rc = fs.open(join(folder, f.name), storage::kOpenRead, h);
        if (rc == 0) {
            rc = readHashed(fs, h, &sha, size);
            (void)fs.close(h);  // read only
        }
        if (rc != 0)
            r.mismatches.push_back(f.name + ": cannot be read: " + systemText(rc));
        else if (size != f.size)
            r.mismatches.push_back(f.name + ": " + std::to_string(size) +
                                   " bytes, the manifest says " + std::to_string(f.size));
        else if (sha.hex() != f.sha)
            r.mismatches.push_back(f.name + ": its contents differ from the manifest's digest");
        ++r.files;
        r.bytes += size;
    }
    for (std::size_t i = 0; i < m.labels.size(); ++i) {
        const TableDecl& t = dict::table(m.labels[i]);
        if (t.label.empty()) {
            r.mismatches.push_back(m.labels[i] + ": no such table in this program");
            continue;
        }
        storage::FileOptions fo;
        fo.directory = folder;
        fo.fs = &fs;
        {
            File f(t, fo);
            Status s = f.open(storage::kAccessRead | storage::kDenyNone);
            std::vector<std::string> problems;
            if (s.ok()) s = f.check(problems);
            if (!s.ok()) r.mismatches.push_back(describe(t.label, s));
            for (const auto& p : problems) r.mismatches.push_back(t.label + ": " + p);
            (void)f.close();  // read only
        }
        TableSums sums;
        const Status s = sumsOf(t, folder, fs, sums);
        if (!s.ok())
            r.mismatches.push_back(describe(t.label, s));
        else if (tableLine(sums) != m.tables[i])
            r.mismatches.push_back(t.label + ": records or sums differ from the manifest (" +
                                   tableLine(sums) + ")");
        ++r.tables;
    }
    r.ok = r.mismatches.empty();
    if (!r.ok) r.problem = r.mismatches.front();
    return r;
}

Result restore(const std::string& folder, const Options& o) {
    Result r;
    FileSystem& fs = fsOf(o);
    const std::string target = dirOf(o);
    if (detail::onServer(o)) {
        r.problem = "the data directory " + target +
                    " keeps its tables on a server: restore into it with kestrowd-file restore";
        return r;
    }
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(target, ec)) {
        const std::string name = e.path().filename().string();
        if (name == "kestrowd.INI" || name == "kestrowd.conninfo") continue;
        r.problem = "the data directory " + target + " is not empty (" + name +
                    "): restore only into an empty one";
        return r;
    }
    if (ec) {
        r.problem = "the data directory " + target + " cannot be read: " + systemText(ec.value());
        return r;
    }
    Result checked = verify(folder, o);
    if (!checked.ok) {
        checked.problem = "the backup does not verify, nothing was restored: " + checked.problem;
        return checked;
    }
    Manifest m;
    (void)readManifest(folder, m);  // verified just above
    // Key files first, each data file last: a table appears only once it is whole.
    std::stable_partition(m.files.begin(), m.files.end(), [](const Manifest::FileLine& f) {
        return f.name.size() < 4 || f.name.substr(f.name.size() - 4) != ".DAT";
    });
    for (const auto& f : m.files) {
        std::string sha;
        uint64_t size = 0;
        const std::string tmp = join(o.dataDirectory, f.name + "~");
        int rc = copyFile(fs, join(folder, f.name), tmp, sha, size);
        if (rc == 0 && sha != f.sha) rc = EIO;  // changed under our hands
        if (rc == 0) rc = fs.rename(tmp, join(o.dataDirectory, f.name));
        if (rc != 0) {
            (void)fs.unlink(tmp);
            r.problem = f.name + " was not restored: " + systemText(rc);
            return r;
        }
        ++r.files;
        r.bytes += size;
    }
    if (int rc = fs.syncDirectory(target); rc != 0) {
        r.problem = "the data directory was not synced: " + systemText(rc);
        return r;
    }
    r.ok = true;
    r.folder = folder;
    r.tables = checked.tables;
    return r;
}

std::string manifestTables(const std::string& folder, std::vector<TableSums>& tables) {
    Manifest m;
    if (std::string p = readManifest(folder, m); !p.empty()) return p;
    tables.clear();
    for (const std::string& line : m.tables) {
        std::istringstream words(line);
        std::string kind, pair;
        TableSums t;
        if (!(words >> kind >> t.label >> t.records)) return "a damaged manifest line: " + line;
        while (words >> pair) {
            const std::size_t eq = pair.find('=');
            if (eq == std::string::npos) return "a damaged manifest line: " + line;
            t.sums.emplace_back(pair.substr(0, eq), std::strtod(pair.c_str() + eq + 1, nullptr));
        }
        tables.push_back(std::move(t));
    }
    return {};
}

int prune(const std::string& under, int keep) {
    static const std::regex dated("kestrowd-[0-9]{8}-[0-9]{6}(-[0-9]+)?");
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(under, ec)) {
        const std::string name = e.path().filename().string();
        if (e.is_directory(ec) && std::regex_match(name, dated)) names.push_back(name);
    }
    // Newest first: the stamp sorts by time, and a suffix after its plain name.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string sa = a.substr(0, 24), sb = b.substr(0, 24);
        if (sa != sb) return sa > sb;
        const int na = a.size() > 25 ? std::stoi(a.substr(25)) : 1,
                  nb = b.size() > 25 ? std::stoi(b.substr(25)) : 1;
        return na > nb;
    });
    int removed = 0;
    for (std::size_t i = static_cast<std::size_t>(std::max(keep, 0)); i < names.size(); ++i)
        if (std::filesystem::remove_all(join(under, names[i]), ec) > 0 && !ec) ++removed;
    return removed;
}

}  // namespace kw::backup
