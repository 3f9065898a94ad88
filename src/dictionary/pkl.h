// PKL: remembered clients.
#pragma once

#include <cstddef>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct PklRecord {
    FixedString<60> FIO;
    FixedString<60> ADR;
    FixedString<60> PAS;
};
#pragma pack(pop)

static_assert(sizeof(PklRecord) == 180);
static_assert(offsetof(PklRecord, PAS) == 120);

const storage::TableDecl& pklTable();

}  // namespace kw::dict

inline thread_local kw::dict::PklRecord PKL;
