// The three lists of the pledges handed over for sale (state 5) in a period D1..D2,
// each with its parameter window on the main menu:
//   REAL_M / PR_REAL  the act of hand-over for sale, with its total at sale prices;
//   NOT_M  / PR_NOT   the list for the notary's writ of execution, in sheets of 14;
//   LOT_M  / PR_LOT   the list of auction lots for the auction of D_T, in sheets of 53.
#pragma once

#include <string>

void REAL_M();
void NOT_M();
void LOT_M();
void PR_REAL();
void PR_NOT();
void PR_LOT();

namespace kw::documents {

// IZZ, the short description of the current pledge (ZAL's buffer) in the notary's and
// the auction's lists: "проба " fineness " вес " weight, a blank and the clipped item
// description, cut to 100 characters. CP1251.
std::string itemDescription();

// A number as a sentence shows it: no padding, no trailing zeros ("4.25", "585").
std::string plainNumber(double v);

// "пасп. " and the passport, whole (the record's field is not touched). CP1251.
std::string passportLine(std::string_view passport);

}  // namespace kw::documents
