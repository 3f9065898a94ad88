// The audit journal (table AUD, dictionary/aud.h): appending an entry chained to the
// one before it, and checking the chain.
//
// Each entry's HASH is the SHA-256, in lower-case hexadecimal, of the previous entry's
// HASH (64 zeros before the first entry) followed by the entry's record bytes up to
// HASH (N, date, time, user, desk, table, key, kind, text, as the record holds them in
// memory). An entry changed, removed or renumbered after it was written breaks the
// chain at that entry. The chain is not a signature: whoever can write the file and
// knows the rule can rebuild it; it shows changes made by hand or by accident, and a
// copy of the journal kept elsewhere (a backup) keeps the older chain.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dictionary/aud.h"
#include "storage/file.h"
#include "storage/table_decl.h"

namespace kw::audit {

enum class Kind : int16_t {
    NewPledge = 1,
    Prolongation1,
    Prolongation2,
    Prolongation3,
    Redemption,
    Sale,
    PledgeChanged,
    PledgeDeleted,
    RolledBack,
    JournalAdded,
    JournalChanged,
    JournalDeleted,
    DayOpened,
    DayClosed,
    DayReopened,
    SettingsChanged,
    ReferenceChanged,
    UserAdded,
    UserChanged,
    UserDeleted,
    LoginRefused,
};
inline constexpr int16_t kLastKind = static_cast<int16_t>(Kind::LoginRefused);

// What the journal's window shows for a kind (UTF-8); "" for a number that is none.
std::string_view kindText(int16_t kind);

struct Entry {
    Kind kind = Kind::NewPledge;
    uint8_t user = 0;      // code of the user
    std::string userName;  // code page 1251, as SEC keeps it
    std::string host;      // the desk
    std::string table;     // "ZAL"
    std::string key;       // "1368"
    std::string text;      // code page 1251; cut to the field's width with "..."
    int32_t date = 0;      // day number
    int32_t time = 0;      // hundredths of a second since midnight + 1
};

// Appends `e` to the journal open for writing as `aud`, numbered one past the last
// entry and chained to it. Inside the calling thread's transaction frame (with `aud`
// in it) the entry commits or rolls back with the change it records; outside one the
// file is locked for the moment of the append, waiting up to `seconds` for another
// desk's append, so that no two desks give out one number. The thread's AUD buffer is
// used. The driver's status.
storage::Status append(storage::File& aud, const Entry& e, int seconds = 10);
// Appends `e` as the last write of the calling thread's transaction (with `aud` in it)
// and commits the transaction with it (File::addAndCommit): the entry's record carries
// the decision. An error commits nothing: the caller rolls back.
storage::Status appendAndCommit(storage::File& aud, const Entry& e);

// The chained digest of an entry whose predecessor's HASH is `previous`.
std::string chainHash(std::string_view previous, const dict::AudRecord& r);

// The first place where the chain does not hold.
struct Finding {
    bool ok = true;
    uint32_t entries = 0;  // entries read
    int32_t entry = 0;     // the entry concerned (its number as expected)
    std::string what;      // "altered", "missing", "out of order" and the like
};

// Reads the journal open as `aud` in number order and checks the numbering and the
// chain. The times are not compared: desks on several machines keep clocks that may
// differ by a little, and an entry moved shows by its number and digest.
Finding verify(storage::File& aud);

// A field's value as the journal writes it: numbers as they are, dates dd.mm.yyyy,
// texts in double quotes without their trailing blanks (code page 1251).
std::string fieldText(const storage::FieldDecl& f, const uint8_t* record);

// "FIELD: before -> after; ..." (code page 1251) for the fields of `table` that differ
// between two images of a record; empty when none does.
std::string changes(const storage::TableDecl& table, const uint8_t* before, const uint8_t* after);

}  // namespace kw::audit
