// Creating a table's files.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "storage/file_impl.h"

namespace kw::storage {

namespace {

// The companion file whose lock creators of one table take turns on; there only while
// a create runs (or after one that died).
constexpr const char* kCreatorsExtension = ".CR~";
// Appended to a file's name while it is being created.
constexpr const char* kNewSuffix = "~";

Status createFailure(int err) {
    return Status::system(createErrorCode(err), err);
}

// Writes a whole new file and syncs it.
int writeSynced(FileSystem& fs, const std::string& path, const uint8_t* p, std::size_t n) {
    Handle h;
    int rc = fs.open(path, kOpenReadWrite | kOpenCreate | kOpenTruncate, h);
    if (rc != 0) return rc;
    rc = fs.write(h, p, n, 0);
    if (rc == 0) rc = fs.sync(h);
    fs.close(h);
    return rc;
}

// Takes the creators' turn: the exclusive lock of the companion file at `path`, made
// when missing, waiting up to `seconds`. A lock on a companion that its holder removed
// meanwhile is no turn: the file of that name is opened again. `removable`: the file
// system can tell that the lock is on the file of that name, so the companion may be
// removed when the create ends. 0, EAGAIN when the turn did not come, or an errno.
int takeTurn(FileSystem& fs, const std::string& path, int seconds, Handle& turn, bool& removable) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(std::max(seconds, 0));
    auto pause = std::chrono::microseconds(20);
    for (;;) {
        int rc = fs.open(path, kOpenReadWrite | kOpenCreate, turn);
        if (rc != 0) return rc;
        for (;;) {
            rc = fs.lock(turn, 0, 1, LockKind::Exclusive);
            if (rc != EAGAIN || clock::now() >= deadline) break;
            std::this_thread::sleep_for(pause);
            if (pause < std::chrono::milliseconds(2)) pause *= 2;
        }
        if (rc == 0) {
            bool same = true;
            rc = fs.sameFile(turn, path, same);
            removable = rc == 0;
            if ((rc == 0 && same) || rc == ENOSYS) return 0;
            if (rc == ENOENT || rc == 0) rc = clock::now() >= deadline ? EAGAIN : -1;
        }
        fs.close(turn);
        turn = kNoHandle;
        if (rc != -1) return rc;
    }
}

using NewNames = std::vector<std::pair<std::string, std::string>>;

// The new files under their temporary names, each synced: the key files' heads, an
// empty journal, the data file's header and descriptors (in the order of `names`).
Status writeNewFiles(File::Shared& sh, const NewNames& names) {
    FileSystem& fs = *sh.fs;
    int rc = 0;
    for (std::size_t k = 0; k < sh.keyFileDescs.size(); ++k) {
        KeyMeta m;
        m.length = sh.keyFileDescs[k].length;
        m.flags = sh.keyFileDescs[k].flags;
        m.number = static_cast<uint16_t>(k + 1);
        Block b;
        encodeKeyMeta(m, b.data());
        rc = writeSynced(fs, names[k].first, b.data(), b.size());
        if (rc != 0) return createFailure(rc);
    }
    {
        const std::string& logPath = names[names.size() - 2].first;
        Handle h;
        rc = fs.open(logPath, kOpenReadWrite | kOpenCreate | kOpenTruncate, h);
        if (rc != 0) return createFailure(rc);
        fs.close(h);
        Journal j;
        Status s = j.open(fs, logPath, true);
        if (s.ok()) s = j.sync();
        j.close();
        if (!s.ok()) return createFailure(s.sysError);
    }
    const std::vector<uint8_t> bytes = encodeLayout(sh.layout, sh.owned, sh.cipherKey);
    rc = writeSynced(fs, names.back().first, bytes.data(), bytes.size());
    if (rc != 0) return createFailure(rc);
    return Status::okay();
}

// Renames the new files into place, the data file last; `placed` counts those renamed.
Status putInPlace(FileSystem& fs, const NewNames& names, const std::string& dir,
                  std::size_t& placed) {
    int rc = 0;
    for (; placed + 1 < names.size(); ++placed) {
        rc = fs.rename(names[placed].first, names[placed].second);
        if (rc != 0) return createFailure(rc);
    }
    // The key files and the journal are on the disk under their names before the data
    // file makes the table exist.
    rc = fs.syncDirectory(dir);
    if (rc != 0) return createFailure(rc);
    rc = fs.rename(names.back().first, names.back().second);
    if (rc != 0) return createFailure(rc);
    ++placed;
    (void)fs.syncDirectory(dir);
    return Status::okay();
}

// The part of create() done in the creators' turn. `existed`: the data file was there
// when the station decided to create the table.
Status createFiles(File::State& st, bool existed) {
    File::Shared& sh = *st.sh;
    FileSystem& fs = *sh.fs;
    const std::string datPath = sh.base + ".DAT", dir = directoryOf(sh.base);
    int rc = fs.exists(datPath);
    if (rc != 0 && rc != ENOENT) return createFailure(rc);
    if (rc == 0 && !existed) return Status::okay();  // another station was first

    // The table is replaced: never from under another station, and no station may open
    // the old files until the new ones are in place.
    struct OldFile {
        FileSystem& fs;
        Handle h = kNoHandle;
        ~OldFile() {
            if (h != kNoHandle) fs.close(h);
        }
    } old{fs};
    if (rc == 0) {
        rc = fs.open(datPath, kOpenReadWrite, old.h);
        if (rc == 0) {
            rc = fs.lock(old.h, lockat::kPresence, 1, LockKind::Exclusive);
            if (rc == EAGAIN) return Status::error(kExclusiveAccessRequired);
        }
        if (rc == ENOENT) {
            old.h = kNoHandle;  // removed meanwhile: nothing to replace
        } else if (rc != 0) {
            return createFailure(rc);
        }
    }

    // (temporary, final) names in the order they are put in place, the data file last.
    NewNames names;
    for (std::size_t k = 0; k < sh.keyFileDescs.size(); ++k) {
        const std::string path = sh.base + sh.keyFileDescs[k].extension;
        names.emplace_back(path + kNewSuffix, path);
    }
    names.emplace_back(sh.base + ".LOG" + kNewSuffix, sh.base + ".LOG");
    names.emplace_back(datPath + kNewSuffix, datPath);
    std::size_t placed = 0;
    // Also removes what a creator that died may have left under these names.
    auto fail = [&](Status s) {
        for (std::size_t i = placed; i < names.size(); ++i) (void)fs.unlink(names[i].first);
        return s;
    };

    if (Status s = writeNewFiles(sh, names); !s.ok()) return fail(s);
    if (old.h != kNoHandle) {
        // The old data file goes first: from here on a failure or a crash leaves no
        // table, never old records with new key files.
        rc = fs.unlink(datPath);
        if (rc != 0 && rc != ENOENT) return fail(createFailure(rc));
        rc = fs.syncDirectory(dir);
        if (rc != 0) return fail(createFailure(rc));
    }
    if (Status s = putInPlace(fs, names, dir, placed); !s.ok()) return fail(s);
    return Status::okay();
}

}  // namespace

std::string directoryOf(const std::string& base) {
    const auto slash = base.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : base.substr(0, slash);
}

// Creating a table. Every file is written under a temporary name (the final name and
// "~") and synced, then put in place by a rename: the key files and the journal first,
// the data file last. A station that opens the table meanwhile finds either no data
// file (2) or the complete table.
//
// Stations that create the same table take turns on an exclusive lock of a companion
// file (".CR~", removed by the station whose turn it is when its create ends). A
// station that found the table missing and meets it once its turn comes leaves it
// alone: another station created it meanwhile, and may already be adding records.
//
// Creating a table that exists replaces it, but only while no other station has it
// open: the old data file's presence lock is held alone until the new files are in
// place, and an open that waited for it finds its name leading to another file and
// opens that one (openFiles).
Status File::State::create() {
    if (open) return Status::error(kFileAlreadyOpen);
    if (!sh->layoutStatus.ok()) return sh->layoutStatus;
    if (Status s = refuseNetworkFolder(); !s.ok()) return s;
    FileSystem& fs = *sh->fs;
    const std::string datPath = sh->base + ".DAT";

    // The table counts as missing when this station's open just found it so (the file
    // manager creates a table when its open says 2): a station that was quicker may
    // have made it since, and is not to lose it.
    int rc = fs.exists(datPath);
    if (rc != 0 && rc != ENOENT) return createFailure(rc);
    const bool existed = rc == 0 && !foundNothing;
    foundNothing = false;

    const std::string turnPath = sh->base + kCreatorsExtension;
    Handle turn = kNoHandle;
    bool removable = false;
    rc = takeTurn(fs, turnPath, recoverSeconds, turn, removable);
    if (rc != 0) return rc == EAGAIN ? Status::error(kAccessDenied) : createFailure(rc);
    Status s = createFiles(*this, existed);
    // Removed while the turn is held: a station waiting on the removed file finds it
    // gone once it gets the lock, and takes its turn on the next file of that name.
    if (removable) (void)fs.unlink(turnPath);
    fs.close(turn);  // and with it the lock
    return s;
}

}  // namespace kw::storage
