// KBP: the pawnshop's own details and tariffs; the file holds a single record and has
// no key.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/decimal.h"
#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct KbpRecord {
    FixedString<60> NAME;
    FixedString<80> ADR;
    FixedString<60> TEL;
    FixedString<30> FIO_N;  // notary
    FixedString<14> N_LIZ;  // licence number
    double N_PROZ = 0;      // percentage for services
    Decimal<3, 0> KDZ;      // default days of storage
    double PRO_S = 0;       // percentage of the appraisal lent
    double PDX = 0;         // storage percentage per day
    // five bands of the daily loan interest: from, to, percentage
    double S11 = 0, S12 = 0, PS1 = 0;
    double S21 = 0, S22 = 0, PS2 = 0;
    double S31 = 0, S32 = 0, PS3 = 0;
    double S41 = 0, S42 = 0, PS4 = 0;
    double S51 = 0, S52 = 0, PS5 = 0;
    FixedString<60> S_NAD;  // default note
    double SW = 0;          // early redemption: amount limit
    int16_t SD = 0;         // early redemption: days limit
    double P0 = 0;          // raising coefficient for overdue loans
    // per prolongation: raising coefficients, early-redemption limits
    double P11 = 0;
    double P1 = 0;
    int16_t SD1 = 0;
    double SW1 = 0;
    double P22 = 0;
    double P2 = 0;
    int16_t SD2 = 0;
    double SW2 = 0;
    double P33 = 0;
    double P3 = 0;
    int16_t SD3 = 0;
    double SW3 = 0;
    int32_t S_N = 0;   // initial ticket number
    double KAS_N = 0;  // initial cash balance
    double KAS_R = 0;  // cash expense total
    double KAS_P = 0;  // cash income total
};
#pragma pack(pop)

static_assert(sizeof(KbpRecord) == 575);
static_assert(offsetof(KbpRecord, KDZ) == 252);
static_assert(sizeof(KbpRecord::KDZ) == 3);
static_assert(offsetof(KbpRecord, S11) == 271);
static_assert(offsetof(KbpRecord, S_NAD) == 391);
static_assert(offsetof(KbpRecord, P22) == offsetof(KbpRecord, P11) + 26);
static_assert(offsetof(KbpRecord, S_N) == 547);

const storage::TableDecl& kbpTable();

}  // namespace kw::dict

inline thread_local kw::dict::KbpRecord KBP;
