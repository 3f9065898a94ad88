// PRM: the program's own settings that are not the pawnshop's tariffs (those are KBP):
// one record. The folder that the backups go into after each closing of the day and
// from the menu, and how many of them are kept. The program's own table, beside those
// of the first home; created empty when missing like every table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct PrmRecord {
    FixedString<120> BKDIR;  // the backups' folder; blank: no automatic backup
    int16_t BKKEEP = 0;      // how many backups are kept; 0: 30
};
#pragma pack(pop)

static_assert(sizeof(PrmRecord) == 122);

const storage::TableDecl& prmTable();

}  // namespace kw::dict

inline thread_local kw::dict::PrmRecord PRM;
