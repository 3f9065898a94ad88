#include "rules/order_totals.h"

namespace kw::documents {

namespace {

constexpr uint8_t kDeleted = 6;

}  // namespace

bool hasEventInPeriod(const dict::ZalRecord& z, int32_t d1, int32_t d2) {
    if (z.SOST == kDeleted) return false;
    for (int32_t date : {z.DATA, z.DATA_PR1, z.DATA_PR2, z.DATA_PR3, z.DATA_PRW, z.DATA_R})
        if (inPeriod(date, d1, d2)) return true;
    return false;
}

double profitInPeriod(const dict::ZalRecord& z, int32_t d1, int32_t d2) {
    if (z.SOST == kDeleted) return 0;
    double p = 0;
    if (inPeriod(z.DATA_PR1, d1, d2)) p += z.S_P_C1 + z.S_P_X1 + z.S_ST1;
    if (inPeriod(z.DATA_PR2, d1, d2)) p += z.S_P_C2 + z.S_P_X2 + z.S_ST2;
    if (inPeriod(z.DATA_PR3, d1, d2)) p += z.S_P_C3 + z.S_P_X3 + z.S_ST3;
    if (inPeriod(z.DATA_PRW, d1, d2)) p += z.S_W - z.S_VID;
    return p;
}

double OrderTotals::add(const dict::ZalRecord& z, int32_t d1, int32_t d2) {
    if (z.SOST == kDeleted) return 0;
    if (inPeriod(z.DATA, d1, d2)) {
        ++T_CC_K;
        T_CC_S += z.S_CCYD;
        T_OZ_S += z.S_OZEN;
        T_PP_S += z.S_P_S;
        T_PP_X += z.S_P_X;
        T_VID += z.S_VID;
    }
    if (inPeriod(z.DATA_PR1, d1, d2)) {
        T_PER_1 += z.S_P_C1 + z.S_P_X1;
        T_ST1 += z.S_ST1;
    }
    if (inPeriod(z.DATA_PR2, d1, d2)) {
        T_PER_2 += z.S_P_C2 + z.S_P_X2;
        T_ST2 += z.S_ST2;
    }
    if (inPeriod(z.DATA_PR3, d1, d2)) {
        T_PER_3 += z.S_P_C3 + z.S_P_X3;
        T_ST3 += z.S_ST3;
    }
    if (inPeriod(z.DATA_PRW, d1, d2)) {
        T_W_PS += z.S_P_CW;
        T_W_PX += z.S_P_XW;
        T_W_S += z.S_STW;
        T_W_W += z.S_W;
    }
    const double profit = profitInPeriod(z, d1, d2);
    T_PRIB += profit;
    return profit;
}

void OrderTotals::finish() {
    T_PP_I = T_PP_S + T_PP_X;
    T_PER_I = T_PER_1 + T_PER_2 + T_PER_3;
    T_ST_I = T_ST1 + T_ST2 + T_ST3;
    SS_PER = T_PER_I + T_ST_I;
    SS_WW = SS_PER + T_W_W;
}

}  // namespace kw::documents
