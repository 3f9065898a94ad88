// The limits of the full cost of the loan (PSK, docs/full-cost.md), kept from the
// settings menu: PSK_TAB lists the rows by the date they come into force, UPDATEPSK
// adds, changes or deletes one (the date, the limit in % a year, 0 for none, and
// whether the ticket prints the full cost).
#pragma once

void PSK_TAB();
void UPDATEPSK();
