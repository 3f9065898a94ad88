// ZAL: the pledges, one record per loan ticket. The three prolongation groups repeat the
// same eight fields at +46 and +92 from the first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct ZalRecord {
    uint8_t OPER = 0;  // operator's user code
    int32_t DATA = 0;  // date taken in
    FixedString<60> FIO;
    FixedString<60> ADR;
    FixedString<60> PAS;
    int32_t N_KV = 0;  // ticket number
    uint8_t MET = 0;   // metal code
    int16_t PROB = 0;  // fineness
    double Z1G = 0;    // price per gram
    FixedString<80> OP_IZ;
    double VEC = 0;     // total weight, grams
    uint8_t KAM = 0;    // stone code
    double VEC_K = 0;   // stone weight, carats
    double Z1K = 0;     // price per carat
    double VEC_CH = 0;  // net weight of metal
    double OZ_K = 0;    // appraisal of the stones
    FixedString<80> PRIM;
    int16_t KOL_D = 0;   // days of the loan
    double S_OZEN = 0;   // appraisal
    double S_CCYD = 0;   // loan
    double PROZ_CC = 0;  // correcting loan percentage
    int32_t DATA_K = 0;  // end of the loan term
    double P_CC_D = 0;   // loan interest per day
    double P_XR_D = 0;   // storage rate per day
    double S_P_S = 0;    // interest for the loan
    double S_P_X = 0;    // storage
    double S_VID = 0;    // paid out to the client
    int32_t DATA_PO = 0;
    double S_ST0 = 0;
    double S_DW = 0;
    double S_OT = 0;
    // 1st prolongation
    int32_t DATA_PR1 = 0;
    double S_ST1 = 0;
    int32_t DATA_P11 = 0;
    int16_t KOL_D1 = 0;
    int32_t DATA_P12 = 0;
    double S_P_C1 = 0;
    double S_P_X1 = 0;
    double S_POL1 = 0;
    // 2nd prolongation
    int32_t DATA_PR2 = 0;
    double S_ST2 = 0;
    int32_t DATA_P21 = 0;
    int16_t KOL_D2 = 0;
    int32_t DATA_P22 = 0;
    double S_P_C2 = 0;
    double S_P_X2 = 0;
    double S_POL2 = 0;
    // 3rd prolongation
    int32_t DATA_PR3 = 0;
    double S_ST3 = 0;
    int32_t DATA_P31 = 0;
    int16_t KOL_D3 = 0;
    int32_t DATA_P32 = 0;
    double S_P_C3 = 0;
    double S_P_X3 = 0;
    double S_POL3 = 0;
    // redemption
    int32_t DATA_PRW = 0;
    double S_STW = 0;
    double S_P_CW = 0;
    double S_P_XW = 0;
    double S_W = 0;
    // transfer to sale
    int32_t DATA_R = 0;
    int16_t D_PROR = 0;
    double S_STR = 0;
    double S_P_CR = 0;
    double S_P_XR = 0;
    double S_R = 0;
    uint8_t SOST = 0;  // state of the pledge
};
#pragma pack(pop)

static_assert(sizeof(ZalRecord) == 712);
static_assert(offsetof(ZalRecord, N_KV) == 185);
static_assert(offsetof(ZalRecord, KOL_D) == 401);
static_assert(offsetof(ZalRecord, S_VID) == 463);
static_assert(offsetof(ZalRecord, DATA_PR1) == 499);
static_assert(offsetof(ZalRecord, DATA_PR2) == offsetof(ZalRecord, DATA_PR1) + 46);
static_assert(offsetof(ZalRecord, DATA_PR3) == offsetof(ZalRecord, DATA_PR1) + 92);
static_assert(offsetof(ZalRecord, DATA_PRW) == 637);
static_assert(offsetof(ZalRecord, DATA_R) == 673);
static_assert(offsetof(ZalRecord, SOST) == 711);

const storage::TableDecl& zalTable();

}  // namespace kw::dict

inline thread_local kw::dict::ZalRecord ZAL;
