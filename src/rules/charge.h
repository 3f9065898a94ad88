// What a pledge costs for a number of days, and the days of its events.
//
// The charge rule: interest(n, c) = R(loan x daily rate x c / 100) x n and
// storage(n, c) = R(appraisal x storage rate x c / 100) x n, where R rounds the daily
// amount to kopecks, half away from zero as a person rounds the decimal figure, and
// the kopecks are then multiplied by the whole days. Interest is reckoned on the loan
// (ZAL:S_CCYD at ZAL:P_CC_D), storage on the appraisal (ZAL:S_OZEN at ZAL:P_XR_D).
#pragma once

#include "dictionary/kbp.h"
#include "dictionary/zal.h"

namespace kw::pledges {

double interest(const dict::ZalRecord& z, int days, double coefficient);
double storage(const dict::ZalRecord& z, int days, double coefficient);
// interest + storage: the penalty for `days` overdue days.
double penalty(const dict::ZalRecord& z, int days, double coefficient);

// The days of an event as its form shows them: overdue (D_PRO1, 0 when on time) and
// charged (D_PROW).
struct EventDays {
    int overdue = 0;
    int charged = 0;
};

// The penalty of an event is the form's figure only while the client is late. When a
// corrected date makes the client not late, a penalty the form computed goes back to
// zero; one the operator typed (any other figure) stays.
class PenaltyMemo {
  public:
    // Stores `value` into `field` when late; otherwise clears a penalty of the form's.
    void apply(double& field, bool late, double value);

  private:
    bool ours_ = false;
    double value_ = 0;
};

}  // namespace kw::pledges
