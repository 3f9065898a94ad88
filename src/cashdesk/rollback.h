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
// Only the states 0 to 6 exist. A group whose event is dated on a day other than today
// is not cleared: that day's stored totals already hold its money, and repeating the
// operation today would count it again.
#pragma once

#include <cstdint>
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

enum class RollbackCheck { Ok, BadState, EarlierEvent };

struct RollbackVerdict {
    RollbackCheck check = RollbackCheck::Ok;
    Group group = Group::Sale;  // EarlierEvent: the first group refused
    int32_t date = 0;           // ... and the date of its event
};

// Whether the pledge may be put into `state` today.
RollbackVerdict checkRollback(const dict::ZalRecord& z, int state, int32_t today);
// Clears the groups beyond `state` (after checkRollback said Ok).
void rollBack(dict::ZalRecord& z, int state);

// The messages of a refusal, CP1251.
std::string refusalText(const RollbackVerdict& v);

}  // namespace kw::cashdesk
