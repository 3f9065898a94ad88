// DAY: the business days, one record per day that was opened.
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct DayRecord {
    int32_t DATA = 0;  // day number
    double OBO = 0;    // money in circulation
    double KAS = 0;    // money in the cash desk
    double PRIB = 0;   // profit of the day
    double KAS_N = 0;  // opening cash balance
};
#pragma pack(pop)

static_assert(sizeof(DayRecord) == 36);
static_assert(offsetof(DayRecord, KAS_N) == 28);

const storage::TableDecl& dayTable();

}  // namespace kw::dict

inline thread_local kw::dict::DayRecord DAY;
