// The program's global objects and variables. They are shared by every procedure thread
// and not locked. Strings start blank, numbers and dates zero.
#pragma once

#include <cstdint>

#include "dictionary/zal.h"
#include "framework/window/framework_globals.h"
#include "framework/window/fuzzy_class.h"
#include "framework/window/ini_class.h"
#include "runtime/fixed_string.h"

// Global objects (GlobalErrors: framework/data/error_class.h).
extern kw::FuzzyClass FuzzyMatcher;
extern kw::INIClass INIMgr;

// Framework variables (GlobalRequest, GlobalResponse, VCRRequest:
// framework/window/framework_globals.h).
extern int32_t LCurrentFDSetting;  // the full-window-drag setting found at start
extern int32_t LAdjFDSetting;      // value handed to the system when changing it

// Application variables.
extern uint8_t KOD;                // code of the logged-in user
extern kw::FixedString<10> PAROL;  // password typed at login
extern kw::FixedString<30> MESSAGE_G;
extern uint8_t KOD_M;               // metal picked in a list
extern int16_t KOD_K;               // stone picked
extern int16_t PROBA;               // fineness picked
extern double Z1G;                  // price per gram picked
extern double Z1K;                  // price per carat picked
extern int16_t K_IZD;               // item kind picked
extern uint8_t T_RAC;               // state flag of the new-pledge form
extern kw::FixedString<20> NAME_P;  // name fragment for the archive search
extern int32_t SP_IND;              // option chosen in the inquiry lists
extern int32_t D1;                  // first day of the period asked for
extern int32_t D2;                  // last day of the period
extern int32_t D_T;                 // date of the auction list
extern int32_t D_PRR;               // days overdue the overdue report asks for
extern uint8_t I_OT;                // flags of day opening, closing, emergency opening
extern uint8_t I_Z;
extern uint8_t I_AZ;
extern kw::FixedString<60> S1;  // text lines of the ticket and archive sheet
extern kw::FixedString<60> S2;
extern kw::FixedString<60> S3;
extern double S_R;  // amount of the ticket and archive sheet

// A copy of one pledge for the printed ticket and archive sheet: each has the type of
// the ZAL field of the same name (P_CC_D: ZAL.P_CC_D).
#define KW_ZAL_TYPE(F) decltype(kw::dict::ZalRecord::F)
extern KW_ZAL_TYPE(N_KV) N_KV_G;
extern KW_ZAL_TYPE(DATA) DATA_G;
extern KW_ZAL_TYPE(DATA_K) DATA_K_G;
extern KW_ZAL_TYPE(KOL_D) KOL_D_G;
extern KW_ZAL_TYPE(FIO) FIO_G;
extern KW_ZAL_TYPE(PAS) PAS_G;
extern KW_ZAL_TYPE(ADR) ADR_G;
extern KW_ZAL_TYPE(MET) MET_G;
extern KW_ZAL_TYPE(PROB) PROB_G;
extern KW_ZAL_TYPE(Z1G) Z1G_G;
extern KW_ZAL_TYPE(VEC) VEC_G;
extern KW_ZAL_TYPE(KAM) KAM_G;
extern KW_ZAL_TYPE(Z1K) Z1K_G;
extern KW_ZAL_TYPE(VEC_K) VEC_K_G;
extern KW_ZAL_TYPE(VEC_CH) VEC_CH_G;
extern KW_ZAL_TYPE(OP_IZ) OP_IZ_G;
extern KW_ZAL_TYPE(PRIM) PRIM_G;
extern KW_ZAL_TYPE(OZ_K) OZ_K_G;
extern KW_ZAL_TYPE(S_OZEN) S_OZEN_G;
extern KW_ZAL_TYPE(S_CCYD) S_CCYD_G;
extern KW_ZAL_TYPE(P_CC_D) P_CC_D;
extern KW_ZAL_TYPE(P_XR_D) P_XR_D_G;
extern KW_ZAL_TYPE(S_P_S) S_P_S_G;
extern KW_ZAL_TYPE(S_P_X) S_P_X_G;
extern KW_ZAL_TYPE(S_VID) S_VID_G;
extern KW_ZAL_TYPE(SOST) SOST_G;
extern KW_ZAL_TYPE(DATA_PR1) DATA_PR1_G;
extern KW_ZAL_TYPE(S_ST1) S_ST1_G;
extern KW_ZAL_TYPE(DATA_P11) DATA_P11_G;
extern KW_ZAL_TYPE(DATA_P12) DATA_P12_G;
extern KW_ZAL_TYPE(KOL_D1) KOL_D1_G;
extern KW_ZAL_TYPE(S_P_C1) S_P_C1_G;
extern KW_ZAL_TYPE(S_P_X1) S_P_X1_G;
extern KW_ZAL_TYPE(S_POL1) S_POL1_G;
extern KW_ZAL_TYPE(DATA_PR2) DATA_PR2_G;
extern KW_ZAL_TYPE(S_ST2) S_ST2_G;
extern KW_ZAL_TYPE(DATA_P21) DATA_P21_G;
extern KW_ZAL_TYPE(DATA_P22) DATA_P22_G;
extern KW_ZAL_TYPE(KOL_D2) KOL_D2_G;
extern KW_ZAL_TYPE(S_P_C2) S_P_C2_G;
extern KW_ZAL_TYPE(S_P_X2) S_P_X2_G;
extern KW_ZAL_TYPE(S_POL2) S_POL2_G;
extern KW_ZAL_TYPE(DATA_PR3) DATA_PR3_G;
extern KW_ZAL_TYPE(S_ST3) S_ST3_G;
extern KW_ZAL_TYPE(DATA_P31) DATA_P31_G;
extern KW_ZAL_TYPE(DATA_P32) DATA_P32_G;
extern KW_ZAL_TYPE(KOL_D3) KOL_D3_G;
extern KW_ZAL_TYPE(S_P_C3) S_P_C3_G;
extern KW_ZAL_TYPE(S_P_X3) S_P_X3_G;
extern KW_ZAL_TYPE(S_POL3) S_POL3_G;
extern KW_ZAL_TYPE(DATA_PRW) DATA_PRW_G;
extern KW_ZAL_TYPE(S_STW) S_STW_G;
extern KW_ZAL_TYPE(S_P_CW) S_P_CW_G;
extern KW_ZAL_TYPE(S_P_XW) S_P_XW_G;
extern KW_ZAL_TYPE(S_W) S_W_G;
#undef KW_ZAL_TYPE
