// What every pledge procedure shares: the settings record, the operator's name, the
// ticket number, the names of the metal (metal_name.h) and stone of a pledge.
#pragma once

#include <cstdint>

#include "pledges/metal_name.h"
#include "runtime/fixed_string.h"

namespace kw::pledges {

// Reads the settings record (the first record of KBP in file order) into the KBP
// buffer; an empty table leaves the buffer cleared, so every default is zero. KBP must
// be open.
void readSettings();

// The operator of the pledge in the ZAL buffer: a pledge without one (ZAL:OPER 0)
// takes the logged-in user's code. The name is the operator's SEC:FIO, blank when the
// user has no SEC record. SEC must be open.
void fillOperator(FixedString<25>& name);

// KBP:S_N + the number of records of ZAL + 1, or the next number above it that no
// pledge holds (a deleted record frees a place in the count, not a number). ZAL must be
// open; the ZAL buffer is left as it was.
int32_t nextTicketNumber();
// Whether another pledge holds the ticket number of the ZAL buffer. `changing`: the
// buffer is the file's current record, opened for change, which does not count (the
// look-up then leaves the file's position and the copy it keeps of that record alone,
// so a change made meanwhile by another station is still seen at the write).
bool ticketNumberTaken(bool changing);

// The name of stone `code` (KAM:NAME), blank when there is none; KAM must be open.
FixedString<15> stoneName(uint8_t code);

}  // namespace kw::pledges
