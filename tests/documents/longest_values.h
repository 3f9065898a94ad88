// The report data set with the longest values its fields hold: names, passports,
// addresses and descriptions full to their width in wide capitals, amounts of nine
// figures, the settings and the names of the user, metal and stone full too; and every
// document of the program printed over it (the ticket with and without the full cost,
// the duplicate, the summary order, the period reports, the register of the full cost
// and the sale lists).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "dictionary/psk.h"
#include "dictionary/reference.h"
#include "dictionary/sec.h"
#include "documents/audit_report.h"
#include "documents/cost_register.h"
#include "documents/order_reports.h"
#include "documents/print_globals.h"
#include "documents/sale_reports.h"
#include "framework/data/audit.h"
#include "report_test_util.h"

namespace kwreport {

// `phrase` repeated to exactly n characters (CP1251).
inline std::string full(const char* phraseUtf8, std::size_t n) {
    const std::string p = kw::W(phraseUtf8);
    std::string s;
    while (s.size() < n) s += p;
    s.resize(n);
    return s;
}

inline void fillMoney(double& v) {
    if (v != 0) v = 9999999.99;
}

inline kw::dict::ZalRecord longest(kw::dict::ZalRecord z) {
    z.N_KV = 99990000 + z.N_KV;
    z.FIO = full("ЩЕРБАКОВ-ШМИДТ ЖАН ВАСИЛИЙ ", 60);
    z.PAS = full("1905 123456 ВЫДАН УМВД ПО ВОЛОГОДСКОЙ ОБЛ. 01.02.2015 ", 60);
    z.ADR = full("МОСКВА, ШОССЕ ЭНТУЗИАСТОВ, Д. 100, КВ. 999 ", 60);
    z.OP_IZ = full("ЦЕПЬ ПЛЕТЕНИЕ БИСМАРК С ПОДВЕСКОЙ, ЗАМОК КАРАБИН ", 80);
    z.PRIM = full("ЖЁЛТЫЙ МЕТАЛЛ, ШВЫ ПАЯНЫЕ ", 80);
    z.MET = 7;
    z.KAM = 5;
    z.PROB = 999;
    z.VEC = 99999.9999;
    z.VEC_CH = 99999.9999;
    z.VEC_K = 999.999999;
    for (double* v : {&z.Z1G,    &z.Z1K,    &z.OZ_K,   &z.S_OZEN, &z.S_CCYD, &z.S_P_S,  &z.S_P_X,
                      &z.S_VID,  &z.S_ST1,  &z.S_P_C1, &z.S_P_X1, &z.S_POL1, &z.S_ST2,  &z.S_P_C2,
                      &z.S_P_X2, &z.S_POL2, &z.S_ST3,  &z.S_P_C3, &z.S_P_X3, &z.S_POL3, &z.S_STW,
                      &z.S_P_CW, &z.S_P_XW, &z.S_W,    &z.S_STR,  &z.S_P_CR, &z.S_P_XR, &z.S_R})
        fillMoney(*v);
    z.Z1G = z.Z1K = z.OZ_K = 9999999.99;
    return z;
}

// A pledge with every section of the ticket filled: prolonged three times, redeemed.
inline kw::dict::ZalRecord everySection() {
    auto z = issued(1099, day(1, 8, 2025), 5000, 999);
    prolong(z, 1, day(1, 9, 2025), 10);
    prolong(z, 2, day(1, 10, 2025), 10);
    prolong(z, 3, day(1, 11, 2025), 10);
    redeem(z, day(28, 12, 2025), 10);
    z.KOL_D1 = z.KOL_D2 = z.KOL_D3 = 999;
    return longest(z);
}

class LongestValues : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        if (HasFatalFailure()) return;
        kw::dict::SecRecord s;
        s.K_POL = 4;
        s.FIO = full("ШИРОКОВА-ЩЕДРИНА Ж.М. ", 25);
        kwticket::addRecord(kw::dict::secTable(), s);
        KOD = 4;
        kw::dict::KamRecord c;
        c.KOD = 5;
        c.NAME = full("ХРИЗОПРАЗ ЖЁЛТЫЙ ", 15);
        kwticket::addRecord(kw::dict::kamTable(), c);
        kw::dict::MetRecord m;
        m.KOD = 7;
        m.NAME = full("ЖЁЛТОЕ ШШШ", 10);
        kwticket::addRecord(kw::dict::metTable(), m);
    }
    void TearDown() override {
        D1 = D2 = D_PRR = D_T = 0;
        ReportTest::TearDown();
    }
    kw::dict::KbpRecord settings() override {
        kw::dict::KbpRecord k = ReportTest::settings();
        k.NAME = full("ЛОМБАРД ЖЕМЧУЖИНА ШИРОКОГО ПРОФИЛЯ ", 60);
        k.ADR = full("МОСКВА, ШОССЕ ЭНТУЗИАСТОВ, Д. 100, СТР. 2 ", 80);
        k.TEL = full("+7 (495) 999-99-99, ", 60);
        k.FIO_N = full("ЩЕРБАКОВА-ШМИДТ Ж.В. ", 30);
        k.N_LIZ = full("77/999-Н ", 14);
        k.N_PROZ = 99.99;
        return k;
    }

    // The report data set made longest, in place of the plain one.
    void writeLongest() {
        // On the server the table is made afresh, empty.
        if (kwtest::onServer())
            kwtest::onThread(
                62, [] { ASSERT_TRUE(kw::storage::File(kw::dict::zalTable()).create().ok()); });
        std::filesystem::remove_all("ZAL.DAT");
        for (const auto& e : std::filesystem::directory_iterator(".")) {
            const std::string n = e.path().filename().string();
            if (n.rfind("ZAL", 0) == 0) std::filesystem::remove(e.path());
        }
        std::vector<kw::dict::ZalRecord> all;
        for (const auto& z : reportPledges()) all.push_back(longest(z));
        writePledges(all);
    }

    // Two audit entries full to their width: a wide user's name, desk and record key,
    // the longest kind, and changes of the whole 1000 characters.
    static void writeLongestAudit() {
        std::thread th([] {
            kw::proc::setCurrentThread(62);
            kw::storage::File f(kw::dict::audTable());
            ASSERT_TRUE(f.create().ok());
            ASSERT_TRUE(f.open().ok());
            kw::audit::Entry e;
            e.user = 255;
            e.userName = full("ЩЕРБАКОВА-ШМИДТ ЖАННА ", 30);
            e.host = full("WWWW", 20);
            e.table = "ZAL";
            e.key = "99999999999999999999";
            e.date = day(8, 12, 2025);
            e.time = (23 * 3600 + 59 * 60 + 59) * 100 + 1;
            for (auto kind : {kw::audit::Kind::Sale, kw::audit::Kind::JournalChanged}) {
                e.kind = kind;
                e.text = full("OP_IZ: \"ЦЕПЬ ПЛЕТЕНИЕ БИСМАРК\" -> \"ЖЁЛТЫЙ ШШШ МЕТАЛЛ\"; ", 1000);
                ASSERT_TRUE(kw::audit::append(f, e).ok());
            }
            ASSERT_TRUE(f.close().ok());
        });
        th.join();
    }

    // Every document, each with its name.
    std::vector<std::pair<std::string, std::shared_ptr<const kw::report::Document>>>
    everyDocument() {
        writeLongest();
        std::vector<std::pair<std::string, std::shared_ptr<const kw::report::Document>>> docs;
        const auto z = everySection();
        docs.emplace_back("ticket", runReport([z] { kw::documents::printTicket(z); }));
        docs.emplace_back("duplicate", runReport([z] { kw::documents::printDuplicate(z); }));
        kw::dict::PskRecord limit;  // from now on the ticket carries the full cost
        limit.DATA = day(1, 1, 2020);
        limit.BIL = 1;
        kwticket::addRecord(kw::dict::pskTable(), limit);
        docs.emplace_back("ticket with its full cost",
                          runReport([z] { kw::documents::printTicket(z); }));
        D1 = day(1, 11, 2025);
        D2 = day(30, 11, 2025);
        docs.emplace_back("order", runReport(PR_ORDER));
        docs.emplace_back("operations", runReport(PR_OPER));
        docs.emplace_back("profit", runReport(PR_PRIB));
        docs.emplace_back("register of the full cost", runReport(PR_PSK));
        D1 = day(30, 11, 2025);
        docs.emplace_back("overdue", runReport(PR_PROC));
        D1 = day(1, 12, 2025);
        D2 = day(29, 12, 2025);
        D_T = day(20, 1, 2026);
        docs.emplace_back("act", runReport(PR_REAL));
        docs.emplace_back("notary", runReport(PR_NOT));
        docs.emplace_back("lots", runReport(PR_LOT));
        writeLongestAudit();
        docs.emplace_back("audit journal", runReport([] {
                              PR_AUD({day(8, 12, 2025), day(8, 12, 2025)});
                          }));
        return docs;
    }
};

}  // namespace kwreport
