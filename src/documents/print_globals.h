// The print globals (the _G copy of one pledge) and their lock. Every print of a
// pledge, from any procedure thread, copies the record and draws the ticket under the
// lock, held until the ticket is drawn, so two threads never mix two pledges in one
// ticket.
#pragma once

#include <mutex>

#include "dictionary/zal.h"

namespace kw::documents {

// Guards the _G globals, S_R and S1 to S3.
std::mutex& printGlobalsMutex();

// Copies the fields of a pledge into the _G globals of the same names (ZAL:P_CC_D
// into P_CC_D). The caller holds printGlobalsMutex().
void copyToPrintGlobals(const dict::ZalRecord& r);

// Takes the lock, copies `r` and runs the ticket print PR_ZAL; the lock is held until
// the ticket is drawn (the preview closed).
void printTicket(const dict::ZalRecord& r);
// The same for the duplicate PR_ARX.
void printDuplicate(const dict::ZalRecord& r);

}  // namespace kw::documents
