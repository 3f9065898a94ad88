#include "shell/globals.h"

#include "runtime/expression.h"

#define KW_ZAL_TYPE(F) decltype(kw::dict::ZalRecord::F)

kw::FuzzyClass FuzzyMatcher;
kw::INIClass INIMgr;

int32_t LCurrentFDSetting{};
int32_t LAdjFDSetting{};

uint8_t KOD{};
kw::FixedString<10> PAROL{};
kw::FixedString<30> MESSAGE_G{};
uint8_t KOD_M{};
int16_t KOD_K{};
int16_t PROBA{};
double Z1G{};
double Z1K{};
int16_t K_IZD{};
uint8_t T_RAC{};
kw::FixedString<20> NAME_P{};
int32_t SP_IND{};
int32_t D1{};
int32_t D2{};
int32_t D_T{};
int32_t D_PRR{};
uint8_t I_OT{};
uint8_t I_Z{};
uint8_t I_AZ{};
kw::FixedString<60> S1{};
kw::FixedString<60> S2{};
kw::FixedString<60> S3{};
double S_R{};

KW_ZAL_TYPE(N_KV) N_KV_G{};
KW_ZAL_TYPE(DATA) DATA_G{};
KW_ZAL_TYPE(DATA_K) DATA_K_G{};
KW_ZAL_TYPE(KOL_D) KOL_D_G{};
KW_ZAL_TYPE(FIO) FIO_G{};
KW_ZAL_TYPE(PAS) PAS_G{};
KW_ZAL_TYPE(ADR) ADR_G{};
KW_ZAL_TYPE(MET) MET_G{};
KW_ZAL_TYPE(PROB) PROB_G{};
KW_ZAL_TYPE(Z1G) Z1G_G{};
KW_ZAL_TYPE(VEC) VEC_G{};
KW_ZAL_TYPE(KAM) KAM_G{};
KW_ZAL_TYPE(Z1K) Z1K_G{};
KW_ZAL_TYPE(VEC_K) VEC_K_G{};
KW_ZAL_TYPE(VEC_CH) VEC_CH_G{};
KW_ZAL_TYPE(OP_IZ) OP_IZ_G{};
KW_ZAL_TYPE(PRIM) PRIM_G{};
KW_ZAL_TYPE(OZ_K) OZ_K_G{};
KW_ZAL_TYPE(S_OZEN) S_OZEN_G{};
KW_ZAL_TYPE(S_CCYD) S_CCYD_G{};
KW_ZAL_TYPE(P_CC_D) P_CC_D{};
KW_ZAL_TYPE(P_XR_D) P_XR_D_G{};
KW_ZAL_TYPE(S_P_S) S_P_S_G{};
KW_ZAL_TYPE(S_P_X) S_P_X_G{};
KW_ZAL_TYPE(S_VID) S_VID_G{};
KW_ZAL_TYPE(SOST) SOST_G{};
KW_ZAL_TYPE(DATA_PR1) DATA_PR1_G{};
KW_ZAL_TYPE(S_ST1) S_ST1_G{};
KW_ZAL_TYPE(DATA_P11) DATA_P11_G{};
KW_ZAL_TYPE(DATA_P12) DATA_P12_G{};
KW_ZAL_TYPE(KOL_D1) KOL_D1_G{};
KW_ZAL_TYPE(S_P_C1) S_P_C1_G{};
KW_ZAL_TYPE(S_P_X1) S_P_X1_G{};
KW_ZAL_TYPE(S_POL1) S_POL1_G{};
KW_ZAL_TYPE(DATA_PR2) DATA_PR2_G{};
KW_ZAL_TYPE(S_ST2) S_ST2_G{};
KW_ZAL_TYPE(DATA_P21) DATA_P21_G{};
KW_ZAL_TYPE(DATA_P22) DATA_P22_G{};
KW_ZAL_TYPE(KOL_D2) KOL_D2_G{};
KW_ZAL_TYPE(S_P_C2) S_P_C2_G{};
KW_ZAL_TYPE(S_P_X2) S_P_X2_G{};
KW_ZAL_TYPE(S_POL2) S_POL2_G{};
KW_ZAL_TYPE(DATA_PR3) DATA_PR3_G{};
KW_ZAL_TYPE(S_ST3) S_ST3_G{};
KW_ZAL_TYPE(DATA_P31) DATA_P31_G{};
KW_ZAL_TYPE(DATA_P32) DATA_P32_G{};
KW_ZAL_TYPE(KOL_D3) KOL_D3_G{};
KW_ZAL_TYPE(S_P_C3) S_P_C3_G{};
KW_ZAL_TYPE(S_P_X3) S_P_X3_G{};
KW_ZAL_TYPE(S_POL3) S_POL3_G{};
KW_ZAL_TYPE(DATA_PRW) DATA_PRW_G{};
KW_ZAL_TYPE(S_STW) S_STW_G{};
KW_ZAL_TYPE(S_P_CW) S_P_CW_G{};
KW_ZAL_TYPE(S_P_XW) S_P_XW_G{};
KW_ZAL_TYPE(S_W) S_W_G{};

#undef KW_ZAL_TYPE

namespace {

// The application's variables that view filters and report expressions name
// ("zal:data>=d1 and zal:data<=d2", "sp_ind", "name_p", ...): bound by name once,
// before any procedure runs.
const bool globalsBound = [] {
    using kw::ui::Binding;
    kw::expr::Variables& v = kw::expr::globals();
    v.bind("KOD", Binding::of(KOD));
    v.bind("KOD_M", Binding::of(KOD_M));
    v.bind("KOD_K", Binding::of(KOD_K));
    v.bind("PROBA", Binding::of(PROBA));
    v.bind("Z1G", Binding::of(Z1G));
    v.bind("Z1K", Binding::of(Z1K));
    v.bind("K_IZD", Binding::of(K_IZD));
    v.bind("NAME_P", Binding::of(NAME_P));
    v.bind("SP_IND", Binding::of(SP_IND));
    v.bind("D1", Binding::of(D1));
    v.bind("D2", Binding::of(D2));
    v.bind("D_T", Binding::of(D_T));
    v.bind("D_PRR", Binding::of(D_PRR));
    return true;
}();

}  // namespace
