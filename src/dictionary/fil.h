// FIL: a one-byte auxiliary table; the print procedures use it as the primary file of
// their report view.
#pragma once

#include <cstdint>

#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct FilRecord {
    uint8_t KOD = 0;
};
#pragma pack(pop)

static_assert(sizeof(FilRecord) == 1);

const storage::TableDecl& filTable();

}  // namespace kw::dict

inline thread_local kw::dict::FilRecord FIL;
