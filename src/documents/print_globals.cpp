#include "documents/print_globals.h"

#include "documents/pr_zal.h"
#include "shell/globals.h"

namespace kw::documents {

std::mutex& printGlobalsMutex() {
    static std::mutex m;
    return m;
}

void copyToPrintGlobals(const dict::ZalRecord& r) {
    N_KV_G = r.N_KV;
    DATA_G = r.DATA;
    DATA_K_G = r.DATA_K;
    KOL_D_G = r.KOL_D;
    FIO_G = r.FIO;
    PAS_G = r.PAS;
    ADR_G = r.ADR;
    MET_G = r.MET;
    PROB_G = r.PROB;
    Z1G_G = r.Z1G;
    Z1K_G = r.Z1K;
    VEC_G = r.VEC;
    KAM_G = r.KAM;
    VEC_K_G = r.VEC_K;
    VEC_CH_G = r.VEC_CH;
    OP_IZ_G = r.OP_IZ;
    PRIM_G = r.PRIM;
    OZ_K_G = r.OZ_K;
    S_OZEN_G = r.S_OZEN;
    S_CCYD_G = r.S_CCYD;
    P_CC_D = r.P_CC_D;
    P_XR_D_G = r.P_XR_D;
    S_P_S_G = r.S_P_S;
    S_P_X_G = r.S_P_X;
    S_VID_G = r.S_VID;
    SOST_G = r.SOST;
    DATA_PR1_G = r.DATA_PR1;
    S_ST1_G = r.S_ST1;
    DATA_P11_G = r.DATA_P11;
    DATA_P12_G = r.DATA_P12;
    KOL_D1_G = r.KOL_D1;
    S_P_C1_G = r.S_P_C1;
    S_P_X1_G = r.S_P_X1;
    S_POL1_G = r.S_POL1;
    DATA_PR2_G = r.DATA_PR2;
    S_ST2_G = r.S_ST2;
    DATA_P21_G = r.DATA_P21;
    DATA_P22_G = r.DATA_P22;
    KOL_D2_G = r.KOL_D2;
    S_P_C2_G = r.S_P_C2;
    S_P_X2_G = r.S_P_X2;
    S_POL2_G = r.S_POL2;
    DATA_PR3_G = r.DATA_PR3;
    S_ST3_G = r.S_ST3;
    DATA_P31_G = r.DATA_P31;
    DATA_P32_G = r.DATA_P32;
    KOL_D3_G = r.KOL_D3;
    S_P_C3_G = r.S_P_C3;
    S_P_X3_G = r.S_P_X3;
    S_POL3_G = r.S_POL3;
    DATA_PRW_G = r.DATA_PRW;
    S_STW_G = r.S_STW;
    S_P_CW_G = r.S_P_CW;
    S_P_XW_G = r.S_P_XW;
    S_W_G = r.S_W;
}

void printTicket(const dict::ZalRecord& r) {
    std::lock_guard lock(printGlobalsMutex());
    copyToPrintGlobals(r);
    PR_ZAL();
}

void printDuplicate(const dict::ZalRecord& r) {
    std::lock_guard lock(printGlobalsMutex());
    copyToPrintGlobals(r);
    PR_ARX();
}

}  // namespace kw::documents
