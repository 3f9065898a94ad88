// The program's one clock. Everything that asks for today's date or the time of day
// asks here, so tests (and scenarios) can fix the date.
#pragma once

#include <cstdint>

namespace kw::clock {

int32_t today();          // day number of the local date
int32_t clockTime();      // time of day in hundredths of a second since midnight, +1
// Fixes today's date to this day number (0 returns to the local clock).
void setToday(int32_t day);

}  // namespace kw::clock
