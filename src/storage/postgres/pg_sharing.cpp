// The server driver: the sharing of an open (deny read, deny write), as the flat files
// keep it with their locks of use and denial.
//
// Each use and each denial of a table is an advisory lock of the table's file-lock
// class, taken shared: keys 2 (reading), 3 (writing), 4 (reading denied) and 5 (writing
// denied). An open takes its own locks first and then looks at the other sessions'
// (pg_locks, which takes nothing): two desks that open at the same moment see each
// other, and at least one of them is refused, as on the flat files.
//
// A session keeps its locks of use until its link ends: the forms open and close their
// tables at every loan, and a use already declared asks the server nothing. So a desk
// that has had a table open counts as using it while its thread's link lives (the
// flat files forget it at the close). The program opens its tables denying nothing;
// the denials are the tools' (a table being filled by a copy), which are refused while
// a desk works. A denial is given back when the session's last open with it closes.
#include <chrono>
#include <thread>

#include "storage/postgres/pg_driver.h"

namespace kw::storage::pg {

namespace {

enum Use : uint8_t { kReading = 1, kWriting = 2, kReadingDenied = 4, kWritingDenied = 8 };

int32_t keyOf(uint8_t use) {
    return use == kReading ? 2 : use == kWriting ? 3 : use == kReadingDenied ? 4 : 5;
}

// What an open of `mode` declares: its uses and its denials.
uint8_t declared(int mode) {
    const int access = mode & 0x0F, share = mode & 0xF0;
    uint8_t d = 0;
    if (access != kAccessWrite) d |= kReading;
    if (access != kAccessRead) d |= kWriting;
    if (share == kDenyAll || share == kDenyRead) d |= kReadingDenied;
    if (share == kDenyAll || share == kDenyWrite || share == kShareCompat) d |= kWritingDenied;
    return d;
}

// The lock that refuses each declaration when another session holds it.
uint8_t opposite(uint8_t use) {
    switch (use) {
        case kReading:
            return kReadingDenied;
        case kWriting:
            return kWritingDenied;
        case kReadingDenied:
            return kReading;
        default:
            return kWriting;
    }
}

constexpr uint8_t kEach[] = {kReading, kWriting, kReadingDenied, kWritingDenied};

// `function`(class, key) for each of `uses`, as a select list.
std::string calls(const char* function, const std::string& cls, uint8_t uses) {
    std::string list;
    for (uint8_t u : kEach)
        if (uses & u)
            list += std::string(list.empty() ? "" : ", ") + function + "(" + cls + ", " +
                    std::to_string(keyOf(u)) + ")";
    return list;
}

}  // namespace

Status ServerDriver::declareSharing(int mode, bool again) {
    const uint8_t want = declared(mode);
    // The session's entry is looked up again after each statement: a statement that
    // finds the link broken connects anew and forgets the old link's entries.
    const uint8_t fresh = want & ~session_.sharing[table_].held;  // the locks this open takes
    if (fresh == 0) {
        noteOpen(want & (kReadingDenied | kWritingDenied));
        return Status::okay();
    }
    const std::string cls = std::to_string(lockClass(decl_.label, kFileLock));
    std::string others;
    for (uint8_t u : kEach)
        if (fresh & u)
            others += std::string(others.empty() ? "" : ", ") + std::to_string(keyOf(opposite(u)));
    Status st = session_.exec("SELECT " + calls("pg_advisory_lock_shared", cls, fresh));
    if (!st.ok()) return st;
    const uint64_t link = session_.links;
    // Locks taken with two keys show the class as classid and the key as objid. A link
    // that ended a moment ago may still show its locks: looked at again for a few
    // milliseconds before the open is refused.
    const std::string look =
        "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND objsubid = 2 AND "
        "classid = " +
        cls + " AND objid IN (" + others + ") AND pid <> pg_backend_pid()";
    bool free = false;
    for (int attempt = 0; st.ok() && !free && attempt < 5; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1 << attempt));
        free = session_.run(look, {}, st).value(0, 0) == "0";
    }
    // The link broke after the locks were taken and the look connected anew: the
    // locks went with the old link; declared once more on the new one.
    if (st.ok() && session_.links != link)
        return again ? declareSharing(mode, false) : Status::system(kFileSystemError, 0);
    if (st.ok() && free) {
        session_.sharing[table_].held |= fresh;
        noteOpen(want & (kReadingDenied | kWritingDenied));
        return Status::okay();
    }
    if (session_.links == link) giveBack(calls("pg_advisory_unlock_shared", cls, fresh));
    return st.ok() ? Status::error(kAccessDenied) : st;
}

void ServerDriver::noteOpen(uint8_t denials) {
    Session::Sharing& s = session_.sharing[table_];
    if (denials & kReadingDenied) ++s.readingDenied;
    if (denials & kWritingDenied) ++s.writingDenied;
    denials_ = denials;
    denialsLink_ = session_.links;
}

void ServerDriver::dropSharing() {
    const uint8_t denials = denials_;
    denials_ = 0;
    // A link that broke since the open took the denials with it.
    if (denials == 0 || denialsLink_ != session_.links) return;
    Session::Sharing& s = session_.sharing[table_];
    uint8_t ended = 0;
    for (uint8_t u : {kReadingDenied, kWritingDenied}) {
        int& open = u == kReadingDenied ? s.readingDenied : s.writingDenied;
        if ((denials & u) && --open == 0) ended |= u;
    }
    s.held &= static_cast<uint8_t>(~ended);
    if (ended != 0)
        giveBack(calls("pg_advisory_unlock_shared",
                       std::to_string(lockClass(decl_.label, kFileLock)), ended));
}

}  // namespace kw::storage::pg
