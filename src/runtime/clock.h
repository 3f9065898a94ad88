// The program's one clock. Everything that asks for today's date or the time of day
// asks here, so tests (and scenarios) can fix the date.
#pragma once

#include <cstdint>

namespace kw::clock {

int32_t today();      // day number of the local date
int32_t clockTime();  // time of day in hundredths of a second since midnight, +1
// Fixes today's date to this day number (0 returns to the local clock).
void setToday(int32_t day);

// Milliseconds of a monotonic clock: what window timers and the batches of a report
// run measure.
int64_t ticks();
// A clock for tests: while it is on, ticks() stands still except when advanceTicks()
// moves it, and a window whose timer is running and that has no event waiting gets
// its timer event at once, the clock jumping to the time the timer comes due. Off:
// the system's monotonic clock again.
void setManualTicks(bool on);
bool manualTicks();
void advanceTicks(int64_t ms);
// Moves the manual clock forward to `ms` (never back); nothing when it is off.
void advanceTicksTo(int64_t ms);

}  // namespace kw::clock
