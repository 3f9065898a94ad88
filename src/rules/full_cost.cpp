#include "rules/full_cost.h"

#include <cstdio>

#include "runtime/codepage.h"
#include "runtime/real.h"

namespace kw::documents {

FullCost fullCost(double received, double money, int days) {
    FullCost c;
    c.money = real::round(money, 2);
    if (c.money <= 0) return c;  // nothing paid beyond what was received: 0 %
    if (received <= 0 || days <= 0) {
        c.defined = false;
        return c;
    }
    c.percent = real::round(c.money / received * 365.0 / days * 100.0, 3);
    return c;
}

FullCost loanFullCost(const dict::ZalRecord& z) {
    return fullCost(z.S_VID, z.S_CCYD - z.S_VID, z.KOL_D);
}

FullCost prolongationFullCost(const dict::ZalRecord& z, int k) {
    const int16_t days = k == 1 ? z.KOL_D1 : k == 2 ? z.KOL_D2 : z.KOL_D3;
    // The day charge of a prolongation at the tariff (coefficient 1): rounded to
    // kopecks a day, then times the days.
    const double interest = real::round(z.S_CCYD * z.P_CC_D / 100, 2) * days;
    const double storage = real::round(z.S_OZEN * z.P_XR_D / 100, 2) * days;
    return fullCost(z.S_CCYD, interest + storage, days);
}

CostLimit costLimitOn(const std::vector<dict::PskRecord>& rows, int32_t date) {
    CostLimit out;
    int32_t best = 0;
    for (const dict::PskRecord& r : rows) {
        if (r.DATA > date || (out.found && r.DATA <= best)) continue;
        best = r.DATA;
        out = {true, r.LIM, r.BIL != 0};
    }
    return out;
}

std::string costRefusal(const FullCost& cost, const CostLimit& limit) {
    if (!limit.found || limit.limit <= 0) return {};
    char lim[32];
    std::snprintf(lim, sizeof lim, "%.3f", limit.limit);
    if (!cost.defined)
        return W("Полная стоимость займа не определена (к выдаче ничего или срок 0 дней), а "
                 "предел ") +
               lim + W(" % годовых. Займ не может быть выдан.");
    if (cost.percent <= real::round(limit.limit, 3)) return {};
    return W("Полная стоимость займа ") + percentText(cost) + W(" % годовых (") + moneyText(cost) +
           W(" руб.) выше предела ") + lim + W(" % годовых. Займ не может быть выдан.");
}

std::string percentText(const FullCost& c) {
    if (!c.defined) return "-";
    char b[32];
    std::snprintf(b, sizeof b, "%.3f", c.percent);
    return b;
}

std::string moneyText(const FullCost& c) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", c.money);
    return b;
}

}  // namespace kw::documents
