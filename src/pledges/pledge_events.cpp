#include "pledges/pledge_events.h"

#include "pledges/loan_calc.h"
#include "runtime/real.h"

namespace kw::pledges {

namespace {

using dict::ZalRecord;

// The fields of one prolongation, and the period it follows.
struct Stage {
    int32_t ZalRecord::*came;
    int32_t ZalRecord::*start;
    int16_t ZalRecord::*days;
    int32_t ZalRecord::*end;
    double ZalRecord::*penalty;
    double ZalRecord::*interest;
    double ZalRecord::*storage;
    double ZalRecord::*total;
    int32_t ZalRecord::*periodStart;  // of the current period
    int32_t ZalRecord::*periodEnd;
};

const Stage kStages[3] = {
    {&ZalRecord::DATA_PR1, &ZalRecord::DATA_P11, &ZalRecord::KOL_D1, &ZalRecord::DATA_P12, &ZalRecord::S_ST1,
     &ZalRecord::S_P_C1, &ZalRecord::S_P_X1, &ZalRecord::S_POL1, &ZalRecord::DATA, &ZalRecord::DATA_K},
    {&ZalRecord::DATA_PR2, &ZalRecord::DATA_P21, &ZalRecord::KOL_D2, &ZalRecord::DATA_P22, &ZalRecord::S_ST2,
     &ZalRecord::S_P_C2, &ZalRecord::S_P_X2, &ZalRecord::S_POL2, &ZalRecord::DATA_P11, &ZalRecord::DATA_P12},
    {&ZalRecord::DATA_PR3, &ZalRecord::DATA_P31, &ZalRecord::KOL_D3, &ZalRecord::DATA_P32, &ZalRecord::S_ST3,
     &ZalRecord::S_P_C3, &ZalRecord::S_P_X3, &ZalRecord::S_POL3, &ZalRecord::DATA_P21, &ZalRecord::DATA_P22},
};

// Stage 1's early return: a small loan (up to KBP:SW) returned within KBP:SD days of
// its issue pays KBP:SD days, returned later the whole term; a larger one the days used.
int earlyReturnDays(const ZalRecord& z, const dict::KbpRecord& k) {
    const int used = z.DATA_PR1 - z.DATA;
    if (z.S_CCYD > k.SW) return used;
    return used <= k.SD ? k.SD : z.DATA_K - z.DATA;
}

int chargedDays(int stage, const ZalRecord& z, const dict::KbpRecord& k) {
    const Stage& s = kStages[stage - 1];
    const int32_t came = z.*s.came, from = z.*s.periodStart, to = z.*s.periodEnd;
    if (stage == 1) {
        if (came >= to) return to - from;
        if (came >= from) return earlyReturnDays(z, k);
        return 0;
    }
    if (came > to) return to - from;
    if (came > from) return came - from;
    return 0;
}

}  // namespace

EventDays prolong(int stage, ZalRecord& z, const dict::KbpRecord& k, int32_t today, PenaltyMemo& memo) {
    const Stage& s = kStages[stage - 1];
    const double penaltyCoefficient[3] = {k.P0, k.P1, k.P2};
    const double interestCoefficient[3] = {k.P11, k.P22, k.P33};
    if (z.*s.came == 0) z.*s.came = today;
    if (z.*s.start == 0) z.*s.start = today;
    z.*s.end = z.*s.start + z.*s.days;
    EventDays d;
    const int late = z.*s.came - z.*s.periodEnd;
    d.overdue = late > 0 ? late : 0;
    memo.apply(z.*s.penalty, late > 0, penalty(z, late, penaltyCoefficient[stage - 1]));
    d.charged = chargedDays(stage, z, k);
    z.*s.interest = interest(z, d.charged, interestCoefficient[stage - 1]);
    z.*s.storage = storage(z, d.charged, interestCoefficient[stage - 1]);
    // In the order the stages add them (the first from the penalty, the others to it).
    if (stage == 1) z.*s.total = z.*s.penalty + z.*s.interest + z.*s.storage;
    else z.*s.total = z.*s.storage + z.*s.interest + z.*s.penalty;
    return d;
}

namespace {

// The period a redemption charges: the term, or the latest prolongation that exists.
struct Period {
    int prolongation = 0;  // 0 the term of the loan
    int32_t start = 0, end = 0;
};

Period currentPeriod(const ZalRecord& z) {
    if (z.DATA_P11 == 0 && z.DATA_P21 == 0 && z.DATA_P31 == 0) return {0, z.DATA, z.DATA_K};
    if (z.DATA_K < z.DATA_P12 && z.DATA_P21 == 0 && z.DATA_P31 == 0) return {1, z.DATA_P11, z.DATA_P12};
    if (z.DATA_K < z.DATA_P22 && z.DATA_P31 == 0 && z.DATA_P32 == 0) return {2, z.DATA_P21, z.DATA_P22};
    if (z.DATA_K < z.DATA_P32) return {3, z.DATA_P31, z.DATA_P32};
    // A prolongation that ends on or before the end of the term: the latest one there
    // is still is the period the client uses.
    if (z.DATA_P31 != 0 || z.DATA_P32 != 0) return {3, z.DATA_P31, z.DATA_P32};
    if (z.DATA_P21 != 0 || z.DATA_P22 != 0) return {2, z.DATA_P21, z.DATA_P22};
    return {1, z.DATA_P11, z.DATA_P12};
}

}  // namespace

EventDays redeem(ZalRecord& z, const dict::KbpRecord& k, int32_t today, PenaltyMemo& memo) {
    if (z.DATA_PRW == 0) z.DATA_PRW = today;
    const Period p = currentPeriod(z);
    const double penaltyCoefficient[4] = {k.P0, k.P1, k.P2, k.P3};
    EventDays d;
    const int late = z.DATA_PRW - p.end;
    if (late > 0) {
        d.charged = p.end - p.start;
        d.overdue = late;
    } else if (p.prolongation == 0) {
        // Early or on time, no prolongation: the early-redemption rule, and at least
        // one day.
        if (z.DATA_PRW >= z.DATA) {
            const int used = z.DATA_PRW - z.DATA;
            d.charged = z.S_CCYD <= k.SW && used <= k.SD ? k.SD : used;
        }
        if (d.charged == 0) d.charged = 1;
    } else if (z.DATA_PRW >= p.start) {
        d.charged = z.DATA_PRW - p.start;
    }
    z.S_P_CW = interest(z, d.charged, 1);
    z.S_P_XW = storage(z, d.charged, 1);
    memo.apply(z.S_STW, late > 0, penalty(z, late, penaltyCoefficient[p.prolongation]));
    z.S_W = z.S_VID + z.S_STW + z.S_P_CW + z.S_P_XW;
    return d;
}

EventDays sell(ZalRecord& z, int32_t today) {
    if (z.DATA_R == 0) z.DATA_R = today;
    z.S_P_CR = z.S_P_C3 + z.S_P_C2 + z.S_P_C1 + z.S_P_S;
    z.S_P_XR = z.S_P_X3 + z.S_P_X2 + z.S_P_X1 + z.S_P_X;
    z.S_STR = z.S_ST3 + z.S_ST2 + z.S_ST1;
    z.S_R = z.S_CCYD - z.S_STR - z.S_P_CR - z.S_P_XR;
    if (z.S_R <= 0 || real::isZero(z.S_R)) z.S_R = z.S_OZEN;
    EventDays d;
    if (z.DATA_P32 > 0) d.overdue = z.DATA_R - z.DATA_P32;
    else if (z.DATA_P22 > 0) d.overdue = z.DATA_R - z.DATA_P22;
    else if (z.DATA_P12 > 0) d.overdue = z.DATA_R - z.DATA_P12;
    else d.overdue = z.DATA_R - z.DATA_K;
    return d;
}

void fillLoanData(ZalRecord& z, const dict::KbpRecord& k, int32_t today, uint32_t records) {
    if (z.N_KV == 0) z.N_KV = static_cast<int32_t>(records) + 1;
    if (z.DATA == 0) z.DATA = today;
    if (z.PRIM.clip().empty()) z.PRIM = k.S_NAD.view();
    if (z.KOL_D == 0) z.KOL_D = static_cast<int16_t>(static_cast<double>(k.KDZ));
    if (real::isZero(z.PROZ_CC)) z.PROZ_CC = k.PRO_S;
    if (real::isZero(z.P_XR_D)) z.P_XR_D = k.PDX;
    loan::netWeight(z);
    loan::stoneAppraisal(z);
    if (real::isZero(z.S_OZEN)) loan::appraisal(z);
    (void)loan::bandRate(z, k);
}

}  // namespace kw::pledges
