// AUD: the audit journal: one record for every change of data that matters to money or
// to clients (a new pledge, a prolongation, a redemption, a sale, a change, a deletion,
// a roll-back, a cash-journal entry, the business day, settings, users, a refused
// login). The program only appends to it; every record carries the SHA-256 of the one
// before it with its own bytes, so a changed, removed or moved record shows
// (framework/data/audit.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct AudRecord {
    int32_t N = 0;           // number in the journal, from 1, no gaps
    int32_t DATA = 0;        // day number of the change
    int32_t TIME = 0;        // time of day, hundredths of a second since midnight + 1
    uint8_t KOD = 0;         // code of the user who made it
    FixedString<30> FIO;     // that user's name
    FixedString<20> HOST;    // the desk (host name)
    FixedString<3> TAB;      // the table changed: "ZAL", "KLM", "DAY" ...
    FixedString<20> KEY;     // its record: ticket number, day, entry
    int16_t KIND = 0;        // what happened (audit::Kind)
    FixedString<1000> TEXT;  // for a change: "FIELD: before -> after; ..."
    FixedString<64> HASH;    // SHA-256 (hex) of the previous record's HASH and this record
};
#pragma pack(pop)

static_assert(sizeof(AudRecord) == 1152);
static_assert(offsetof(AudRecord, HASH) == 1088);

const storage::TableDecl& audTable();

}  // namespace kw::dict

inline thread_local kw::dict::AudRecord AUD;
