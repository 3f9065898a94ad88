#include "rules/pledge_events.h"

#include <initializer_list>

#include "rules/loan_calc.h"
#include "rules/pledge_days.h"
#include "runtime/money.h"
#include "runtime/real.h"

namespace kw::pledges {

namespace {

using dict::ZalRecord;

// The fields of one prolongation.
struct Stage {
    int32_t ZalRecord::*came;
    int32_t ZalRecord::*start;
    int16_t ZalRecord::*days;
    int32_t ZalRecord::*end;
    double ZalRecord::*penalty;
    double ZalRecord::*interest;
    double ZalRecord::*storage;
    double ZalRecord::*total;
};

const Stage kStages[3] = {
    {&ZalRecord::DATA_PR1, &ZalRecord::DATA_P11, &ZalRecord::KOL_D1, &ZalRecord::DATA_P12,
     &ZalRecord::S_ST1, &ZalRecord::S_P_C1, &ZalRecord::S_P_X1, &ZalRecord::S_POL1},
    {&ZalRecord::DATA_PR2, &ZalRecord::DATA_P21, &ZalRecord::KOL_D2, &ZalRecord::DATA_P22,
     &ZalRecord::S_ST2, &ZalRecord::S_P_C2, &ZalRecord::S_P_X2, &ZalRecord::S_POL2},
    {&ZalRecord::DATA_PR3, &ZalRecord::DATA_P31, &ZalRecord::KOL_D3, &ZalRecord::DATA_P32,
     &ZalRecord::S_ST3, &ZalRecord::S_P_C3, &ZalRecord::S_P_X3, &ZalRecord::S_POL3},
};

// The amounts added in whole kopecks.
double sum(std::initializer_list<double> amounts) {
    int64_t kopecks = 0;
    for (double a : amounts) kopecks += money::kopecks(a);
    return money::roubles(kopecks);
}

// The early return of the loan's own term: KBP:SD days for a loan up to KBP:SW.
documents::EarlyReturn earlyReturn(const ZalRecord& z, const dict::KbpRecord& k) {
    return documents::EarlyReturn{z.S_CCYD, k.SW, k.SD};
}

}  // namespace

EventDays prolong(int stage, ZalRecord& z, const dict::KbpRecord& k, int32_t today,
                  PenaltyMemo& memo) {
    const Stage& s = kStages[stage - 1];
    const double penaltyCoefficient[3] = {k.P0, k.P1, k.P2};
    const double interestCoefficient[3] = {k.P11, k.P22, k.P33};
    if (z.*s.came == 0) z.*s.came = today;
    if (z.*s.start == 0) z.*s.start = today;
    z.*s.end = z.*s.start + z.*s.days;
    const documents::PledgeDates dates = documents::PledgeDates::of(z);
    EventDays d;
    d.overdue = documents::prolongationOverdue(stage, dates);
    memo.apply(z.*s.penalty, d.overdue > 0, penalty(z, d.overdue, penaltyCoefficient[stage - 1]));
    d.charged = documents::prolongationDays(stage, dates, earlyReturn(z, k));
    z.*s.interest = interest(z, d.charged, interestCoefficient[stage - 1]);
    z.*s.storage = storage(z, d.charged, interestCoefficient[stage - 1]);
    // In kopecks: a penalty typed by hand is money received too.
    z.*s.total = sum({z.*s.penalty, z.*s.interest, z.*s.storage});
    return d;
}

EventDays redeem(ZalRecord& z, const dict::KbpRecord& k, int32_t today, PenaltyMemo& memo) {
    if (z.DATA_PRW == 0) z.DATA_PRW = today;
    const documents::PledgeDates dates = documents::PledgeDates::of(z);
    const double penaltyCoefficient[4] = {k.P0, k.P1, k.P2, k.P3};
    EventDays d;
    d.charged = documents::redemptionDays(dates, earlyReturn(z, k));
    d.overdue = documents::redemptionOverdue(dates);
    z.S_P_CW = interest(z, d.charged, 1);
    z.S_P_XW = storage(z, d.charged, 1);
    memo.apply(z.S_STW, d.overdue > 0,
               penalty(z, d.overdue, penaltyCoefficient[documents::redemptionPeriod(dates)]));
    z.S_W = sum({z.S_VID, z.S_STW, z.S_P_CW, z.S_P_XW});
    return d;
}

EventDays sell(ZalRecord& z, int32_t today) {
    if (z.DATA_R == 0) z.DATA_R = today;
    z.S_P_CR = sum({z.S_P_C3, z.S_P_C2, z.S_P_C1, z.S_P_S});
    z.S_P_XR = sum({z.S_P_X3, z.S_P_X2, z.S_P_X1, z.S_P_X});
    z.S_STR = sum({z.S_ST3, z.S_ST2, z.S_ST1});
    z.S_R = money::roubles(money::kopecks(z.S_CCYD) - money::kopecks(z.S_STR) -
                           money::kopecks(z.S_P_CR) - money::kopecks(z.S_P_XR));
    if (z.S_R <= 0 || real::isZero(z.S_R)) z.S_R = money::round(z.S_OZEN);
    EventDays d;
    if (z.DATA_P32 > 0)
        d.overdue = z.DATA_R - z.DATA_P32;
    else if (z.DATA_P22 > 0)
        d.overdue = z.DATA_R - z.DATA_P22;
    else if (z.DATA_P12 > 0)
        d.overdue = z.DATA_R - z.DATA_P12;
    else
        d.overdue = z.DATA_R - z.DATA_K;
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
