// KLM: the cash journal (cash operations other than pledges).
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct KlmRecord {
    int32_t DATA = 0;  // day number
    FixedString<30> FIO;
    double PRI = 0;  // income
    double RAS = 0;  // expense
    FixedString<30> NAME;
};
#pragma pack(pop)

static_assert(sizeof(KlmRecord) == 80);
static_assert(offsetof(KlmRecord, NAME) == 50);

const storage::TableDecl& klmTable();

}  // namespace kw::dict

inline thread_local kw::dict::KlmRecord KLM;
