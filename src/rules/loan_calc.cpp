#include "rules/loan_calc.h"

#include <cmath>

#include "runtime/codepage.h"
#include "runtime/money.h"
#include "runtime/real.h"

namespace kw::pledges::loan {

void netWeight(dict::ZalRecord& z) {
    z.VEC_CH = z.VEC - z.VEC_K / 5;
}

void stoneAppraisal(dict::ZalRecord& z) {
    if (real::isZero(z.OZ_K)) z.OZ_K = z.Z1K * z.VEC_K;
}

void appraisal(dict::ZalRecord& z) {
    z.S_OZEN = z.OZ_K + z.Z1G * z.VEC_CH;
}

bool bandRate(dict::ZalRecord& z, const dict::KbpRecord& k) {
    if (!real::isZero(z.P_CC_D) || z.S_OZEN <= 0 || real::isZero(z.S_OZEN)) return false;
    const double bands[5][3] = {{k.S11, k.S12, k.PS1},
                                {k.S21, k.S22, k.PS2},
                                {k.S31, k.S32, k.PS3},
                                {k.S41, k.S42, k.PS4},
                                {k.S51, k.S52, k.PS5}};
    bool taken = false;
    for (const auto& b : bands) {
        if (b[0] <= z.S_OZEN && z.S_OZEN <= b[1]) {
            z.P_CC_D = b[2];
            taken = true;
        }
    }
    return taken;
}

namespace {

// The loan's figures in kopecks, from the inputs.
int64_t loanOf(const dict::ZalRecord& z) {
    return money::kopecks(z.PROZ_CC * z.S_OZEN / 100);
}
int64_t interestOf(const dict::ZalRecord& z, int64_t loan) {
    return money::kopecks(z.KOL_D * (z.P_CC_D * money::roubles(loan) / 100));
}
int64_t storageOf(const dict::ZalRecord& z) {
    return money::kopecks(z.KOL_D * (z.P_XR_D * z.S_OZEN / 100));
}

// Fills the loan amounts from the loan in kopecks and the storage.
void setAmounts(dict::ZalRecord& z, int64_t loan, int64_t storage) {
    const int64_t interest = interestOf(z, loan);
    z.S_CCYD = money::roubles(loan);
    z.DATA_K = z.DATA + z.KOL_D;
    z.S_P_S = money::roubles(interest);
    z.S_P_X = money::roubles(storage);
    z.S_VID = money::roubles(loan - interest - storage);
}

// The smallest loan in kopecks near `guess` that pays out `target` kopecks after its
// interest and `storage`: while the interest for the term is less than the loan, each
// kopeck more of loan pays out 0 or 1 kopeck more, so the amount typed is met exactly
// (the refresh puts the amount actually paid out into ZAL:S_VID either way).
int64_t loanPaying(const dict::ZalRecord& z, int64_t target, int64_t storage, int64_t guess) {
    auto paidOut = [&](int64_t loan) { return loan - interestOf(z, loan) - storage; };
    int64_t loan = guess;
    for (int i = 0; i < 1000 && paidOut(loan) > target; ++i) --loan;
    for (int i = 0; i < 1000 && paidOut(loan) < target; ++i) ++loan;
    for (int i = 0; i < 1000 && paidOut(loan - 1) == target; ++i) --loan;
    return loan;
}

}  // namespace

void forward(dict::ZalRecord& z) {
    setAmounts(z, loanOf(z), storageOf(z));
}

std::string reverse(dict::ZalRecord& z) {
    if (real::isZero(z.S_OZEN)) return W("Нет оценки: расчет от суммы невозможен");
    const double divisor = 1 - z.KOL_D * z.P_CC_D / 100;
    if (divisor <= 0 || real::isZero(divisor)) return W("Проценты за срок >= ссуды: нет расчета");
    const int64_t storage = storageOf(z);
    const int64_t paidOut = money::kopecks(z.S_VID);
    const int64_t guess = std::llround(static_cast<double>(paidOut + storage) / divisor);
    setAmounts(z, loanPaying(z, paidOut, storage, guess), storage);
    z.PROZ_CC = 100 * z.S_CCYD / z.S_OZEN;
    return std::string();
}

bool amountsMatch(const dict::ZalRecord& z) {
    for (double amount : {z.S_CCYD, z.S_P_S, z.S_P_X, z.S_VID})
        if (amount != money::round(amount)) return false;  // not whole kopecks
    const int64_t loan = money::kopecks(z.S_CCYD);
    const int64_t interest = money::kopecks(z.S_P_S);
    const int64_t storage = money::kopecks(z.S_P_X);
    return z.DATA_K == z.DATA + z.KOL_D && loan == loanOf(z) && interest == interestOf(z, loan) &&
           storage == storageOf(z) && money::kopecks(z.S_VID) == loan - interest - storage;
}

}  // namespace kw::pledges::loan
