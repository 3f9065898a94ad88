// The limits of the full cost of the loan as PSK holds them (the rule that applies
// them is rules/full_cost.h).
#pragma once

#include <cstdint>
#include <vector>

#include "dictionary/psk.h"
#include "rules/full_cost.h"

namespace kw::documents {

// Reads PSK (opened and closed here, through its relation manager; the thread's PSK
// buffer is kept). No row in force: nothing found.
CostLimit costLimitOn(int32_t date);
// Every row of PSK, read the same way, for many look-ups.
std::vector<dict::PskRecord> allCostLimits();

}  // namespace kw::documents
