// The full cost of the loan ("полная стоимость займа", ПСК) that a pawnshop states on
// each loan and must keep below the limit in force (docs/full-cost.md). A pawnshop loan
// is repaid in one payment at the end of its term, so the consumer-credit formula for
// one payment within one base period of a year applies:
//
//     money   = what the client pays beyond what they receive
//     percent = money / received x 365 / term days x 100, to three decimals
//
// A new loan: money = ZAL:S_CCYD - ZAL:S_VID (interest and storage deducted in
// advance), received = ZAL:S_VID, term = ZAL:KOL_D. A prolongation k: money = the
// interest and storage of the new period at the tariff (the day charge of a
// prolongation, rounded to kopecks a day, times ZAL:KOL_Dk), received = the loan the
// client keeps, ZAL:S_CCYD; term = ZAL:KOL_Dk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dictionary/psk.h"
#include "dictionary/zal.h"

namespace kw::documents {

struct FullCost {
    double money = 0;    // roubles
    double percent = 0;  // % a year, to three decimals
    // False when the cost is positive but nothing was received or the term has no day:
    // no yearly figure exists, and any limit refuses it.
    bool defined = true;
};

FullCost fullCost(double received, double money, int days);
FullCost loanFullCost(const dict::ZalRecord& z);
// k from 1 to 3.
FullCost prolongationFullCost(const dict::ZalRecord& z, int k);

// The row of PSK in force on `date`: the one with the latest date not after it.
struct CostLimit {
    bool found = false;
    double limit = 0;     // % a year; 0: no limit
    bool ticket = false;  // the ticket prints the full cost
};
// The row in force among `rows` (documents/cost_limits.h reads them from PSK).
CostLimit costLimitOn(const std::vector<dict::PskRecord>& rows, int32_t date);

// The message that refuses `cost` above `limit` (CP1251), "" when it may be lent.
std::string costRefusal(const FullCost& cost, const CostLimit& limit);

// "280.769" and "1500.00" as the forms and the ticket show them (CP1251).
std::string percentText(const FullCost& c);
std::string moneyText(const FullCost& c);

}  // namespace kw::documents
