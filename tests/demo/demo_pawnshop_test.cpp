// The demo pawnshop: kestrowd-demo run into a temporary directory over the demo
// settings, and its history checked against the rules worked out here by hand: the
// loan arithmetic of each pledge, the charge rule of its events, and each day's
// closing totals recomputed from the pledges and the journal.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "dictionary/day.h"
#include "dictionary/kbp.h"
#include "dictionary/klm.h"
#include "dictionary/psk.h"
#include "dictionary/zal.h"
#include "runtime/date.h"
#include "runtime/proc_thread.h"
#include "storage/file.h"

namespace {

namespace fs = std::filesystem;
using kw::dict::DayRecord;
using kw::dict::KlmRecord;
using kw::dict::ZalRecord;

const int32_t kToday = kw::date::fromYmd(2025, 12, 8);

template <class R>
std::vector<R> readAll(const kw::storage::TableDecl& t) {
    std::vector<R> out;
    std::thread th([&] {
        kw::proc::setCurrentThread(61);
        kw::storage::File f(t);
        if (!f.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok()) return;
        while (f.next().ok()) out.push_back(*reinterpret_cast<const R*>(t.buffer()));
        (void)f.close();
    });
    th.join();
    return out;
}

// Kopecks, half away from zero on the decimal figure (a binary 2.675 is 2.67499...:
// taken to six places first it is the 2.675 a person writes down).
double r2(double x) {
    return std::round(std::round(x * 1e6) / 1e4) / 100;
}

// The daily rate of the demo settings' bands (demo-data/KBP.csv), by the appraisal.
double bandRate(double appraisal) {
    if (appraisal <= 1000) return 0.2;
    if (appraisal <= 5000) return 0.18;
    if (appraisal <= 20000) return 0.16;
    if (appraisal <= 50000) return 0.14;
    return 0.12;
}

class DemoPawnshop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "kw_demoXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        const std::string bin = KW_BINARY_DIR, src = KW_SOURCE_DIR;
        const std::string cmd =
            "cd '" + dir_ + "' && '" + bin + "/kestrowd-file' create KBP && '" + bin +
            "/kestrowd-file' load KBP.DAT < '" + src + "/demo-data/KBP.csv' && '" + bin +
            "/kestrowd-file' create PSK && '" + bin + "/kestrowd-file' load PSK.DAT < '" + src +
            "/demo-data/PSK.csv' && '" + bin + "/kestrowd-demo' . --today " +
            std::to_string(kToday) + " >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        old_ = fs::current_path();
        fs::current_path(dir_);
        zal_ = readAll<ZalRecord>(kw::dict::zalTable());
        day_ = readAll<DayRecord>(kw::dict::dayTable());
        klm_ = readAll<KlmRecord>(kw::dict::klmTable());
        kbp_ = readAll<kw::dict::KbpRecord>(kw::dict::kbpTable());
        psk_ = readAll<kw::dict::PskRecord>(kw::dict::pskTable());
        fs::current_path(old_);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    static inline std::string dir_;
    static inline fs::path old_;
    static inline std::vector<ZalRecord> zal_;
    static inline std::vector<DayRecord> day_;
    static inline std::vector<KlmRecord> klm_;
    static inline std::vector<kw::dict::KbpRecord> kbp_;
    static inline std::vector<kw::dict::PskRecord> psk_;
};

TEST_F(DemoPawnshop, ClosedDaysUpToYesterdayAndPledgesInEveryState) {
    ASSERT_EQ(day_.size(), 91u);
    for (size_t i = 0; i < day_.size(); ++i) {
        EXPECT_EQ(day_[i].DATA, kToday - 91 + static_cast<int32_t>(i));
        // Closed: both totals non-zero; the morning's balance is the evening's before.
        EXPECT_NE(day_[i].KAS, 0);
        EXPECT_NE(day_[i].OBO, 0);
        if (i > 0) {
            EXPECT_DOUBLE_EQ(day_[i].KAS_N, day_[i - 1].KAS);
        }
    }
    EXPECT_DOUBLE_EQ(day_.front().KAS_N, 100000);  // the settings' balance before the first day
    ASSERT_EQ(kbp_.size(), 1u);
    EXPECT_DOUBLE_EQ(kbp_[0].KAS_N, day_.back().KAS);
    std::map<int, int> states;
    int32_t ticket = 1000;  // the demo settings' first number; the next is one above
    for (const ZalRecord& z : zal_) {
        EXPECT_EQ(z.N_KV, ++ticket);
        ++states[z.SOST];
        EXPECT_LT(z.DATA, kToday);
        EXPECT_LT(z.DATA_PRW, kToday);
        EXPECT_LT(z.DATA_R, kToday);
    }
    EXPECT_GE(zal_.size(), 200u);
    for (int s = 0; s <= 6; ++s) EXPECT_GT(states[s], 0) << "state " << s;
    EXPECT_FALSE(klm_.empty());
}

// Each pledge's loan from its appraisal in whole kopecks (the amount paid out is the loan
// less the rounded interest and storage), and each event's charge: interest and storage
// are the rounded daily amounts times the same whole number of days.
TEST_F(DemoPawnshop, PledgeAmountsFollowTheLoanAndChargeRules) {
    for (const ZalRecord& z : zal_) {
        SCOPED_TRACE("ticket " + std::to_string(z.N_KV));
        const double appraisal = z.Z1G * z.VEC;  // no stones in the demo
        EXPECT_NEAR(z.S_OZEN, appraisal, 1e-9);
        EXPECT_NEAR(z.S_CCYD, r2(appraisal * 0.8), 1e-9);
        EXPECT_EQ(z.P_CC_D, bandRate(appraisal));
        EXPECT_EQ(z.DATA_K, z.DATA + 30);
        const double term = r2(30 * z.P_CC_D * z.S_CCYD / 100);
        const double store = r2(30 * 0.02 * z.S_OZEN / 100);
        EXPECT_NEAR(z.S_P_S, term, 1e-9);
        EXPECT_NEAR(z.S_P_X, store, 1e-9);
        EXPECT_NEAR(z.S_VID, z.S_CCYD - term - store, 1e-6);
        const double perDayInterest = r2(z.S_CCYD * z.P_CC_D / 100);
        const double perDayStorage = r2(z.S_OZEN * 0.02 / 100);
        // The days charged follow the early-return minimum, so they are not bounded by the
        // days elapsed; they are whole and the same for interest and storage.
        auto charged = [&](double interest, double storage) {
            const double n = interest / perDayInterest;
            EXPECT_NEAR(n, std::round(n), 1e-6);
            EXPECT_NEAR(storage, std::round(n) * perDayStorage, 1e-6);
            EXPECT_GE(n, 0);
        };
        if (z.DATA_PR1) charged(z.S_P_C1, z.S_P_X1);  // coefficient 1 in the demo
        if (z.DATA_PR2) charged(z.S_P_C2, z.S_P_X2);
        if (z.DATA_PR3) charged(z.S_P_C3, z.S_P_X3);
        if (z.DATA_PRW) {
            charged(z.S_P_CW, z.S_P_XW);
            EXPECT_NEAR(z.S_W, z.S_VID + z.S_STW + z.S_P_CW + z.S_P_XW, 1e-6);
        }
        if (z.SOST >= 1 && z.SOST <= 3) {
            EXPECT_NE(z.DATA_PR1, 0);
        }
        if (z.SOST == 4) {
            EXPECT_NE(z.DATA_PRW, 0);
        }
        if (z.SOST == 5) {
            // Sold: what was collected, and the loan less it (the appraisal when nothing is left).
            EXPECT_NEAR(z.S_P_CR, z.S_P_S + z.S_P_C1 + z.S_P_C2 + z.S_P_C3, 1e-6);
            const double rest = z.S_CCYD - z.S_STR - z.S_P_CR - z.S_P_XR;
            EXPECT_NEAR(z.S_R, rest > 0 ? rest : r2(z.S_OZEN), 1e-6);
            EXPECT_GT(z.DATA_R, (z.DATA_P32   ? z.DATA_P32
                                 : z.DATA_P22 ? z.DATA_P22
                                 : z.DATA_P12 ? z.DATA_P12
                                              : z.DATA_K) +
                                    30);
        }
    }
}

// Each day's profit and cash from the pledges and journal of that day; the circulation
// of the last day from the pledges still active.
TEST_F(DemoPawnshop, DayTotalsAgreeWithTheClosingRule) {
    for (const DayRecord& d : day_) {
        double pri = 0, ras = 0, prib = 0;
        for (const ZalRecord& z : zal_) {
            if (z.SOST == 6) continue;
            if (z.DATA == d.DATA) ras += z.S_VID;
            const int32_t came[3] = {z.DATA_PR1, z.DATA_PR2, z.DATA_PR3};
            const double paid[3] = {z.S_P_C1 + z.S_P_X1 + z.S_ST1, z.S_P_C2 + z.S_P_X2 + z.S_ST2,
                                    z.S_P_C3 + z.S_P_X3 + z.S_ST3};
            for (int k = 0; k < 3; ++k)
                if (came[k] == d.DATA) {
                    pri += paid[k];
                    prib += paid[k];
                }
            if (z.DATA_PRW == d.DATA) {
                pri += z.S_W;
                prib += z.S_W - z.S_VID;
            }
        }
        for (const KlmRecord& j : klm_)
            if (j.DATA == d.DATA) {
                pri += j.PRI;
                ras += j.RAS;
            }
        EXPECT_NEAR(d.PRIB, prib, 1e-6) << "day " << d.DATA;
        EXPECT_NEAR(d.KAS, d.KAS_N + pri - ras, 1e-6) << "day " << d.DATA;
    }
    double obo = 0;
    for (const ZalRecord& z : zal_)
        if (z.SOST < 4) obo += z.S_VID;
    EXPECT_NEAR(day_.back().OBO, obo, 1e-6);
}

}  // namespace

// The demo's limit of the full cost (demo-data/PSK.csv: 100 % a year from 01.01.2020,
// printed on the ticket) and every loan and prolongation of its history within it,
// figured the way docs/full-cost.md writes the rule: a loan costs what it lends beyond
// what it pays out, a prolongation the interest and storage of its new period, each a
// year's worth of its term.
TEST_F(DemoPawnshop, EveryLoanAndProlongationIsWithinTheDemosLimitOfTheFullCost) {
    ASSERT_EQ(psk_.size(), 1u);
    EXPECT_EQ(psk_[0].DATA, 79992);  // 01.01.2020
    EXPECT_DOUBLE_EQ(psk_[0].LIM, 100);
    EXPECT_EQ(psk_[0].BIL, 1);
    double highest = 0;
    int prolongations = 0;
    for (const ZalRecord& z : zal_) {
        SCOPED_TRACE("ticket " + std::to_string(z.N_KV));
        const double loan = (z.S_CCYD - z.S_VID) / z.S_VID * 365 / z.KOL_D * 100;
        EXPECT_LE(loan, 100);
        highest = std::max(highest, loan);
        const int16_t days[3] = {z.KOL_D1, z.KOL_D2, z.KOL_D3};
        const int32_t start[3] = {z.DATA_P11, z.DATA_P21, z.DATA_P31};
        for (int k = 0; k < 3; ++k) {
            if (start[k] == 0) continue;
            ++prolongations;
            const double cost =
                (r2(z.S_CCYD * z.P_CC_D / 100) + r2(z.S_OZEN * z.P_XR_D / 100)) * days[k];
            EXPECT_LE(cost / z.S_CCYD * 365 / days[k] * 100, 100);
        }
    }
    EXPECT_GT(highest, 80) << "the tariffs come close to the limit";
    EXPECT_GT(prolongations, 0);
}
