// PSK: the full cost of the loan ("полная стоимость займа"), what the pawnshop must
// keep to: one row per limit, in force from its date until the next row's date, with
// the highest full cost a loan may have in % a year (the limit the central bank
// publishes each quarter; 0: no limit), and whether the tickets of loans made while
// the row is in force carry the box with the loan's full cost. No row: no limit and
// no box. The program's own table, beside those of the first home; created empty when
// missing like every table. Layout: docs/formats/psk.md.
#pragma once

#include <cstdint>

#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct PskRecord {
    int32_t DATA = 0;  // in force from this date
    double LIM = 0;    // limit of the full cost, % a year; 0: none
    uint8_t BIL = 0;   // 1: the ticket prints the full cost
};
#pragma pack(pop)

static_assert(sizeof(PskRecord) == 13);

const storage::TableDecl& pskTable();

}  // namespace kw::dict

inline thread_local kw::dict::PskRecord PSK;
