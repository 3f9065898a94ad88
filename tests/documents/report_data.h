// The data set every period report is tested on: pledges issued, prolonged, redeemed,
// sold and deleted inside and outside November 2025, and a run of forfeited pledges
// handed over for sale in December 2025 for the notary's and the auction's lists.
//
// Amounts are figured here the simple way a clerk would check them (0.5 % a day on
// the loan, 0.1 % a day of the appraisal for storage, 30-day terms), all in whole
// kopecks; the reports only add and show them, so any exact figures serve.
//
//   November, D1 = 01.11.2025, D2 = 30.11.2025:
//   1001 issued 01.11 (on D1), open                    issue totals
//   1002 issued 20.10, prolonged 10.11, open           first-prolongation totals
//   1003 issued 01.08, prolonged 01.09, 01.10, 15.11   third-prolongation totals only
//   1004 issued 03.11, redeemed 25.11                  issue and redemption totals
//   1005 issued 01.10, redeemed 10.11 below payout     negative profit
//   1006 issued 01.08, sold 12.11                      a row, no totals
//   1007 issued 05.11, deleted (state 6)               nothing
//   1008 issued 01.12                                  after the period: nothing
//   1009 issued 10.09, prolonged 10.10, redeemed 31.10 before the period: nothing
//   1010 issued 30.11 (on D2), open                    issue totals
//   1011 issued 01.09, term ended 01.10, open          overdue at 30.11
//   1012 issued 15.10, prolonged 14.11, 30.11 (D2)     second prolongation on D2
//   1013 issued 02.09, prolonged 02.10, term to 01.11  overdue by 29 days at 30.11
//   December: 2001-2028 sold on 01.12 to 28.12 (one a day), 2029 sold 29.12;
//   2030 deleted after a sale on 05.12 (state 6), 2031 sold 05.12 then redeemed
//   (state 4): neither is in the lists of state 5.
#pragma once

#include <string>
#include <vector>

#include "dictionary/zal.h"
#include "runtime/codepage.h"
#include "runtime/date.h"

namespace kwreport {

inline int32_t day(int d, int m, int y) {
    return kw::date::fromYmd(y, m, d);
}

// Whole kopecks of a figure made of whole kopecks (guards against 0.1 + 0.2).
inline double kop(double v) {
    return static_cast<double>(static_cast<long long>(v * 100 + (v < 0 ? -0.5 : 0.5))) / 100;
}

inline kw::dict::ZalRecord issued(int32_t ticket, int32_t date, double loan, int16_t days = 30) {
    kw::dict::ZalRecord z;
    z.OPER = 3;
    z.N_KV = ticket;
    z.DATA = date;
    z.KOL_D = days;
    z.DATA_K = date + days;
    const std::string n = std::to_string(ticket);
    z.FIO = kw::W("Клиентов Пётр " + n);
    z.PAS = kw::W("45 0" + n.substr(n.size() - 1) + " " + n + "77");
    z.ADR = kw::W("Москва, ул. Садовая, д. " + n);
    z.OP_IZ = kw::W("Кольцо обручальное №" + n);
    z.MET = ticket % 2 == 0 ? 1 : 3;  // 3: a metal the reference table lacks
    z.PROB = 585;
    z.Z1G = 1500;
    z.VEC = 4.25;
    z.VEC_CH = 4.25;
    if (ticket % 3 == 0) {
        z.KAM = 2;
        z.VEC_K = 0.15;
        z.Z1K = 2000;
        z.OZ_K = 300;
    }
    z.S_OZEN = 2 * loan;
    z.S_CCYD = loan;
    z.P_CC_D = 0.5;
    z.P_XR_D = 0.1;
    z.S_P_S = kop(loan * 0.005 * days);
    z.S_P_X = kop(z.S_OZEN * 0.001 * days);
    z.S_VID = kop(loan - z.S_P_S - z.S_P_X);
    z.SOST = 0;
    return z;
}

// Prolongation k (1 to 3) on `date` for 30 days, with `penalty` for the days late.
inline void prolong(kw::dict::ZalRecord& z, int k, int32_t date, double penalty = 0) {
    const double interest = kop(z.S_CCYD * 0.005 * 30), storage = kop(z.S_OZEN * 0.001 * 30);
    int32_t* pr[] = {&z.DATA_PR1, &z.DATA_PR2, &z.DATA_PR3};
    int32_t* start[] = {&z.DATA_P11, &z.DATA_P21, &z.DATA_P31};
    int32_t* end[] = {&z.DATA_P12, &z.DATA_P22, &z.DATA_P32};
    int16_t* days[] = {&z.KOL_D1, &z.KOL_D2, &z.KOL_D3};
    double* st[] = {&z.S_ST1, &z.S_ST2, &z.S_ST3};
    double* c[] = {&z.S_P_C1, &z.S_P_C2, &z.S_P_C3};
    double* x[] = {&z.S_P_X1, &z.S_P_X2, &z.S_P_X3};
    double* pol[] = {&z.S_POL1, &z.S_POL2, &z.S_POL3};
    const int i = k - 1;
    *pr[i] = date;
    *start[i] = date;
    *days[i] = 30;
    *end[i] = date + 30;
    *st[i] = penalty;
    *c[i] = interest;
    *x[i] = storage;
    *pol[i] = kop(penalty + interest + storage);
    z.SOST = static_cast<uint8_t>(k);
}

// Redemption on `date`: the loan back with the interest and storage of the last
// period and `penalty`; `paid` > 0 replaces what the client paid (S_W).
inline void redeem(kw::dict::ZalRecord& z, int32_t date, double penalty = 0, double paid = 0) {
    z.DATA_PRW = date;
    z.S_STW = penalty;
    z.S_P_CW = z.S_P_S;
    z.S_P_XW = z.S_P_X;
    z.S_W = paid > 0 ? paid : kop(z.S_VID + z.S_P_CW + z.S_P_XW + penalty);
    z.SOST = 4;
}

// Hand-over for sale on `date`, at the loan plus what the client owes.
inline void sell(kw::dict::ZalRecord& z, int32_t date) {
    z.DATA_R = date;
    z.D_PROR = 31;
    z.S_P_CR = kop(z.S_CCYD * 0.005 * 31);
    z.S_P_XR = kop(z.S_OZEN * 0.001 * 31);
    z.S_STR = kop(z.S_CCYD * 0.005 * 0.5 * 31);
    z.S_R = kop(z.S_CCYD + z.S_P_CR + z.S_P_XR + z.S_STR);
    z.SOST = 5;
}

// The whole data set, in no particular order (the reports read in ticket order).
inline std::vector<kw::dict::ZalRecord> reportPledges() {
    std::vector<kw::dict::ZalRecord> all;
    all.push_back(issued(1001, day(1, 11, 2025), 5000));

    auto p1002 = issued(1002, day(20, 10, 2025), 8000);
    prolong(p1002, 1, day(10, 11, 2025), 420.50);
    all.push_back(p1002);

    auto p1003 = issued(1003, day(1, 8, 2025), 12000);
    prolong(p1003, 1, day(1, 9, 2025));
    prolong(p1003, 2, day(1, 10, 2025));
    prolong(p1003, 3, day(15, 11, 2025), 1314);
    all.push_back(p1003);

    auto p1004 = issued(1004, day(3, 11, 2025), 3000);
    redeem(p1004, day(25, 11, 2025));
    all.push_back(p1004);

    auto p1005 = issued(1005, day(1, 10, 2025), 10000);
    redeem(p1005, day(10, 11, 2025), 0, 6100);  // less than the 7 900 paid out
    all.push_back(p1005);

    auto p1006 = issued(1006, day(1, 8, 2025), 4000);
    sell(p1006, day(12, 11, 2025));
    all.push_back(p1006);

    auto p1007 = issued(1007, day(5, 11, 2025), 7000);
    p1007.SOST = 6;
    all.push_back(p1007);

    all.push_back(issued(1008, day(1, 12, 2025), 2000));

    auto p1009 = issued(1009, day(10, 9, 2025), 6000);
    prolong(p1009, 1, day(10, 10, 2025));
    redeem(p1009, day(31, 10, 2025));
    all.push_back(p1009);

    all.push_back(issued(1010, day(30, 11, 2025), 1500));
    all.push_back(issued(1011, day(1, 9, 2025), 2500));

    auto p1012 = issued(1012, day(15, 10, 2025), 9000);
    prolong(p1012, 1, day(14, 11, 2025));
    prolong(p1012, 2, day(30, 11, 2025), 135);
    all.push_back(p1012);

    auto p1013 = issued(1013, day(2, 9, 2025), 3500);
    prolong(p1013, 1, day(2, 10, 2025));
    all.push_back(p1013);

    for (int i = 1; i <= 29; ++i) {
        auto s = issued(2000 + i, day(1, 8, 2025), 1000 + 100 * i);
        sell(s, day(i, 12, 2025));
        all.push_back(s);
    }
    auto p2030 = issued(2030, day(1, 8, 2025), 1200);
    sell(p2030, day(5, 12, 2025));
    p2030.SOST = 6;
    all.push_back(p2030);
    auto p2031 = issued(2031, day(1, 8, 2025), 1300);
    sell(p2031, day(5, 12, 2025));
    redeem(p2031, day(6, 12, 2025));
    all.push_back(p2031);
    return all;
}

}  // namespace kwreport
