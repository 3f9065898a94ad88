// The cash desk's procedures: the cash journal, the business day and the roll-back of
// a pledge operation. None takes parameters; each answers through GlobalResponse.
#pragma once

#include <cstdint>

// The cash journal: KAS_ME asks for the range D1..D2 and runs KAS_TAB, the list of the
// range's entries with their totals, whose buttons run UPDATEKLM on one entry.
void KAS_ME();
void KAS_TAB();
void UPDATEKLM();

// The business day: opening (O_DAY, confirmed in OTK_M), closing (ZAC_D) and emergency
// reopening (AVA_D), both confirmed in ZAC_M, and the list of the days (DAY_TAB).
void O_DAY();
void ZAC_D();
void AVA_D();
void DAY_TAB();
// The confirmation boxes: 1 (completed) when the user pressed either OK button, 2 when
// the box was closed without one; GlobalResponse too.
uint8_t ZAC_M();
uint8_t OTK_M();

// The backups: the folder, how many are kept, and a backup at once.
void REZ_KOP();

// The audit journal of a period with its filters, and its print (full rights only).
void AUD_TAB();

// The roll-back: the list of every pledge and the form that sets a pledge's state.
void OTK_TAB();
void OTK_FORM();
