// IZD: item kinds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct IzdRecord {
    int16_t KOD = 0;
    FixedString<80> NAME;
};
#pragma pack(pop)

static_assert(sizeof(IzdRecord) == 82);
static_assert(offsetof(IzdRecord, NAME) == 2);

const storage::TableDecl& izdTable();

}  // namespace kw::dict

inline thread_local kw::dict::IzdRecord IZD;
