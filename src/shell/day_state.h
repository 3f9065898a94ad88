// The state of a business day, derived from its DAY record and never stored as a flag:
// no record, not open; DAY:KAS and DAY:OBO both zero, open; otherwise closed. A day
// with only one of the two totals zero (cash in the desk and nothing lent out, or all
// of it lent out) was closed too: it counts as closed everywhere, so nothing can be
// issued or redeemed after its closing and go missing from the balance carried over.
#pragma once

#include <cstdint>
#include <string_view>

namespace kw::shell {

enum class DayState { NotOpen, Open, Closed };

// Reads the DAY record of `date` into the thread's DAY buffer through Access::DAY,
// which the caller has opened.
DayState dayState(int32_t date);
// The state of today (the runtime's clock).
DayState todayState();

// The operation lists open only on an open day. When today is not open the user is
// told why ("День ломбарда не открыт" or "День ломбарда закрыт") in a box captioned
// `captionCp1251` (the list's title) and false is returned.
bool todayOpenForOperations(std::string_view captionCp1251);

}  // namespace kw::shell
