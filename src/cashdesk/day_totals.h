// The day's cash movement, computed when the day is closed (and shown while it is
// open) in one pass over ZAL and the journal entries of the day; the rules that each
// pledge and entry adds are rules/day_totals.h.
#pragma once

#include <cstdint>
#include <functional>

#include "rules/day_totals.h"

namespace kw::cashdesk {

// One pass over ZAL in file order (the slots once each, whatever other stations write
// meanwhile: a pledge they change is read either before or after the change, never
// twice or half-written), through Access::ZAL, which the caller has opened; the
// thread's ZAL buffer and position are left alone. False when a read failed (the
// error manager has shown message 1): the totals are then incomplete.
bool addPledges(DayTotals& totals, int32_t today);

// The journal entries of `today` through KLM:KEY_1 (Access::KLM, opened by the
// caller). False when a read failed.
bool addJournal(DayTotals& totals, int32_t today);

// Test seam: called on the pass's thread after every `every` pledges read (0 or an
// empty function: never), so a test can write as another station in mid-pass.
void setPassObserver(uint32_t every, std::function<void(uint32_t readSoFar)> observer);

}  // namespace kw::cashdesk
