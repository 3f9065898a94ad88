#include "pledges/loan_calc.h"

#include "runtime/codepage.h"
#include "runtime/real.h"

namespace kw::pledges::loan {

void netWeight(dict::ZalRecord& z) { z.VEC_CH = z.VEC - z.VEC_K / 5; }

void stoneAppraisal(dict::ZalRecord& z) {
    if (real::isZero(z.OZ_K)) z.OZ_K = z.Z1K * z.VEC_K;
}

void appraisal(dict::ZalRecord& z) { z.S_OZEN = z.OZ_K + z.Z1G * z.VEC_CH; }

bool bandRate(dict::ZalRecord& z, const dict::KbpRecord& k) {
    if (!real::isZero(z.P_CC_D) || z.S_OZEN <= 0 || real::isZero(z.S_OZEN)) return false;
    const double bands[5][3] = {{k.S11, k.S12, k.PS1}, {k.S21, k.S22, k.PS2}, {k.S31, k.S32, k.PS3},
                                {k.S41, k.S42, k.PS4}, {k.S51, k.S52, k.PS5}};
    bool taken = false;
    for (const auto& b : bands) {
        if (b[0] <= z.S_OZEN && z.S_OZEN <= b[1]) {
            z.P_CC_D = b[2];
            taken = true;
        }
    }
    return taken;
}

void forward(dict::ZalRecord& z) {
    z.S_CCYD = z.PROZ_CC * z.S_OZEN / 100;
    z.DATA_K = z.DATA + z.KOL_D;
    z.S_P_S = z.KOL_D * (z.P_CC_D * z.S_CCYD / 100);
    z.S_P_X = z.KOL_D * (z.P_XR_D * z.S_OZEN / 100);
    z.S_VID = z.S_CCYD - z.S_P_S - z.S_P_X;
}

std::string reverse(dict::ZalRecord& z) {
    if (real::isZero(z.S_OZEN)) return W("Нет оценки: расчет от суммы невозможен");
    const double divisor = 1 - z.KOL_D * z.P_CC_D / 100;
    if (divisor <= 0 || real::isZero(divisor))
        return W("Проценты за срок >= ссуды: нет расчета");
    z.S_P_X = z.KOL_D * (z.P_XR_D * z.S_OZEN / 100);
    z.S_CCYD = (z.S_P_X + z.S_VID) / divisor;
    z.DATA_K = z.DATA + z.KOL_D;
    z.S_P_S = z.KOL_D * (z.P_CC_D * z.S_CCYD / 100);
    z.PROZ_CC = 100 * z.S_CCYD / z.S_OZEN;
    return std::string();
}

}  // namespace kw::pledges::loan
