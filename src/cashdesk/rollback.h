// The roll-back of a pledge operation: entering a state clears the event groups that
// lie beyond it, so that the operation lists offer the pledge again for the next event.
//
//   state   groups cleared
//   0       prolongations 1, 2, 3, redemption, sale
//   1       prolongations 2, 3, redemption, sale
//   2       prolongation 3, redemption, sale
//   3       redemption, sale
//   4       sale
//   5, 6    none
//
// Only the states 0 to 6 exist. A prolongation or redemption whose day is closed is not
// cleared: that day's stored totals hold its money, and repeating the operation on
// another day would count it again. One dated on a day still open (today, or an
// earlier day never closed) is cleared: its money is counted at that day's closing,
// from the record as it then is. A sale is in no day's totals, so it is cleared
// whatever its date.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "dictionary/zal.h"

namespace kw::cashdesk {

enum class Group { Prolongation1, Prolongation2, Prolongation3, Redemption, Sale };

// Whether entering `state` (0..6) clears `group`.
bool clears(int state, Group group);
// The date of the group's event (0: the group holds no event).
int32_t eventDate(const dict::ZalRecord& z, Group group);
// Sets every field of the group to zero.
void clearGroup(dict::ZalRecord& z, Group group);

enum class RollbackCheck { Ok, BadState, ClosedDay };

struct RollbackVerdict {
    RollbackCheck check = RollbackCheck::Ok;
    Group group = Group::Sale;  // ClosedDay: the first group refused
    int32_t date = 0;           // ... and the date of its event
};

// Whether the pledge may be put into `state`; `dayClosed` tells whether a date's
// business day is closed (its totals stored).
RollbackVerdict checkRollback(const dict::ZalRecord& z, int state,
                              const std::function<bool(int32_t)>& dayClosed);
// Clears the groups beyond `state` (after checkRollback said Ok).
void rollBack(dict::ZalRecord& z, int state);

// The messages of a refusal, CP1251.
std::string refusalText(const RollbackVerdict& v);

}  // namespace kw::cashdesk
