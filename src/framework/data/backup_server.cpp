#include "framework/data/backup_server.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

#include "dictionary/tables.h"
#include "storage/driver.h"
#include "storage/file.h"

namespace kw::backup::detail {

namespace {

using storage::File;
using storage::Status;
using storage::TableDecl;

std::string where(const Options& o) {
    return "the server of " + (o.dataDirectory.empty() ? std::string(".") : o.dataDirectory);
}

// The thread's record buffers of the tables, put back as they were when the copy ends:
// the copy reads through them, and the procedure that asked for it keeps its records.
class KeptBuffers {
  public:
    explicit KeptBuffers(const std::vector<std::unique_ptr<File>>& files) {
        for (const auto& f : files)
            kept_.emplace_back(
                f->buffer(), std::vector<uint8_t>(f->buffer(), f->buffer() + f->decl().recordSize));
    }
    ~KeptBuffers() {
        for (const auto& [buffer, bytes] : kept_) std::memcpy(buffer, bytes.data(), bytes.size());
    }
    KeptBuffers(const KeptBuffers&) = delete;
    KeptBuffers& operator=(const KeptBuffers&) = delete;

  private:
    std::vector<std::pair<uint8_t*, std::vector<uint8_t>>> kept_;
};

// Every table the server holds, open for reading; a table it lacks is left out.
std::string openAll(const Options& o, std::vector<std::unique_ptr<File>>& files) {
    for (const TableDecl* t : dict::allTables()) {
        storage::FileOptions fo;
        fo.directory = o.dataDirectory;
        auto f = std::make_unique<File>(*t, fo);
        const Status s = f->open(storage::kAccessRead | storage::kDenyNone);
        if (s.code == storage::kFileNotFound) continue;
        if (!s.ok()) return describe(t->label + " on " + where(o), s);
        files.push_back(std::move(f));
    }
    return files.empty() ? "no table on " + where(o) : std::string();
}

// The records of `from` in the order the server keeps them, into a new data file of
// the table in `folder`.
std::string copyTable(File& from, const std::string& folder, const Options& o) {
    storage::FileOptions fo;
    fo.directory = folder;
    fo.fs = o.fs;
    File to(from.decl(), fo);
    const std::string label = from.decl().label;
    Status s = to.create();
    if (s.ok()) s = to.open(storage::kAccessReadWrite | storage::kDenyAll);
    if (!s.ok()) return describe(label + " in " + folder, s);
    // No journal and no sync a record: a copy that fails is removed whole, and the
    // finished files are synced once.
    to.setDurable(false);
    Status w = Status::okay();
    for (s = from.set(0); s.ok() && w.ok();) {
        s = from.next();
        if (s.ok()) w = to.add();  // the record just read: both Files use the table's buffer
    }
    to.setDurable(true);
    const Status closed = to.close();
    if (!w.ok()) return describe(label + " in " + folder, w);
    if (s.code != storage::kRecordNotAvailable) return describe(label + " on " + where(o), s);
    if (!closed.ok()) return describe(label + " in " + folder, closed);
    return {};
}

// Removes what the driver left beside the tables' files (their journals) and syncs the
// files kept. "" or what went wrong.
std::string settle(const std::string& folder, const std::vector<std::string>& files,
                   storage::FileSystem& fs) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (std::find(files.begin(), files.end(), name) == files.end())
            std::filesystem::remove(e.path(), ec);
        if (ec) return e.path().string() + " was not removed: " + ec.message();
    }
    if (ec) return folder + ": " + ec.message();
    for (const auto& name : files) {
        storage::Handle h = storage::kNoHandle;
        int rc = fs.open(folder + "/" + name, storage::kOpenReadWrite, h);
        if (rc == 0) {
            rc = fs.sync(h);
            const int closed = fs.close(h);
            if (rc == 0) rc = closed;
        }
        if (rc != 0) return folder + "/" + name + " was not written: " + std::strerror(rc);
    }
    return {};
}

}  // namespace

std::string describe(const std::string& what, const Status& s) {
    return what + ": error " + std::to_string(s.code) + " (" +
           std::string(storage::errorText(s.code)) + ")";
}

std::vector<std::string> fileNames(const TableDecl& t) {
    std::vector<std::string> names{t.diskName + ".DAT"};
    for (std::size_t k = 1; k <= t.keys.size(); ++k)
        names.push_back(t.diskName + File::keyExtension(static_cast<int>(k)));
    for (const auto& p : t.partialKeys) {
        std::string extension = File::keyExtension(p.key);
        extension[1] = 'P';
        names.push_back(t.diskName + extension);
    }
    return names;
}

bool onServer(const Options& o) {
    storage::Backend* b = storage::registeredBackend();
    return b && b->chosen(o.dataDirectory);
}

std::string copyFromServer(const Options& o, const std::string& folder,
                           std::vector<const TableDecl*>& tables, std::vector<std::string>& files) {
    std::vector<std::unique_ptr<File>> open;
    std::string problem = openAll(o, open);
    if (problem.empty()) {
        KeptBuffers kept(open);
        std::vector<File*> frame;
        for (auto& f : open) frame.push_back(f.get());
        if (Status s = File::snapshot(frame); !s.ok()) {
            problem = describe("a read of every table on " + where(o), s);
        } else {
            for (auto& f : open) {
                problem = copyTable(*f, folder, o);
                if (!problem.empty()) break;
                tables.push_back(&dict::table(f->decl().label));
                for (auto& name : fileNames(f->decl())) files.push_back(name);
            }
            (void)File::rollback();  // read only: nothing to keep or to lose
        }
    }
    for (auto& f : open) (void)f->close();  // read only
    if (!problem.empty()) return problem;
    return settle(folder, files, o.fs ? *o.fs : storage::posixFileSystem());
}

}  // namespace kw::backup::detail
