// The full cost of the loan on the new-loan and prolongation forms: two read-only
// fields next to the loan ("ПСК, % годовых:" and "ПСК, руб.:"), recomputed at every
// refresh, and the refusal of OK when the cost is above the limit in force on the
// operation's date (documents/full_cost.h).
#pragma once

#include <cstdint>
#include <string>

#include "rules/full_cost.h"
#include "runtime/fixed_string.h"
#include "runtime/window_def.h"

namespace kw::pledges {

struct FullCostShown {
    FixedString<12> PSK_P;  // "280.769", "-" when it has no yearly figure
    FixedString<14> PSK_S;  // "1500.00"
    void show(const documents::FullCost& c);
};

// Control numbers of the two fields and their prompts; free in every pledge form.
inline constexpr int32_t kFullCostControls = 250;

// The prompts and fields, on one line of their own.
void addFullCostFields(ui::WindowDef& s, FullCostShown& shown);

// True when `cost`, of an operation starting on `date`, is above the limit in force
// then: the operator is told both figures in a box titled `title` and nothing is
// written.
bool refusedAboveLimit(const documents::FullCost& cost, int32_t date, const std::string& title);

}  // namespace kw::pledges
