// Every document on paper, over the report data set with the longest values its fields
// hold (names, passports, addresses and descriptions full to their width in wide
// capitals, amounts of nine figures, the settings and the names of the user, metal and
// stone full too): no two texts overlap or touch, no text crosses a rule, and nothing
// lies in the printer's unprintable border.
#include <gtest/gtest.h>

#include "dictionary/psk.h"
#include "dictionary/reference.h"
#include "dictionary/sec.h"
#include "documents/cost_register.h"
#include "documents/order_reports.h"
#include "documents/print_globals.h"
#include "documents/sale_reports.h"
#include "report_test_util.h"
#include "runtime/text_metrics.h"

namespace {

using kw::report::Document;
using kw::report::Drawn;
using kw::report::Extent;
using kw::report::ItemKind;
using namespace kwreport;

// The least room between two texts of a line, and between a text and a rule, mm.
constexpr double kGap = 0.4;

// `phrase` repeated to exactly n characters (CP1251).
std::string full(const char* phraseUtf8, std::size_t n) {
    const std::string p = kw::W(phraseUtf8);
    std::string s;
    while (s.size() < n) s += p;
    s.resize(n);
    return s;
}

void fillMoney(double& v) {
    if (v != 0) v = 9999999.99;
}

kw::dict::ZalRecord longest(kw::dict::ZalRecord z) {
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
    for (double* v : {&z.Z1G, &z.Z1K, &z.OZ_K, &z.S_OZEN, &z.S_CCYD, &z.S_P_S, &z.S_P_X, &z.S_VID, &z.S_ST1,
                      &z.S_P_C1, &z.S_P_X1, &z.S_POL1, &z.S_ST2, &z.S_P_C2, &z.S_P_X2, &z.S_POL2, &z.S_ST3,
                      &z.S_P_C3, &z.S_P_X3, &z.S_POL3, &z.S_STW, &z.S_P_CW, &z.S_P_XW, &z.S_W, &z.S_STR,
                      &z.S_P_CR, &z.S_P_XR, &z.S_R})
        fillMoney(*v);
    z.Z1G = z.Z1K = z.OZ_K = 9999999.99;
    return z;
}

// A pledge with every section of the ticket filled: prolonged three times, redeemed.
kw::dict::ZalRecord everySection() {
    auto z = issued(1099, day(1, 8, 2025), 5000, 999);
    prolong(z, 1, day(1, 9, 2025), 10);
    prolong(z, 2, day(1, 10, 2025), 10);
    prolong(z, 3, day(1, 11, 2025), 10);
    redeem(z, day(28, 12, 2025), 10);
    z.KOL_D1 = z.KOL_D2 = z.KOL_D3 = 999;
    return longest(z);
}

std::string where(const Document& d, std::size_t page, const Drawn& i) {
    char at[64];
    std::snprintf(at, sizeof at, "p%zu (%.1f, %.1f) ", page + 1, i.x, i.y);
    return at + (i.kind == ItemKind::Text ? "|" + kw::cp::toUtf8(i.text) + "|" : std::string("rule")) +
           (i.kind == ItemKind::Text ? " " + std::to_string(d.fontOf(i).size) : std::string());
}

Extent widened(Extent e, double by) { return {e.x0 - by, e.y0, e.x1 + by, e.y1}; }

// What an item covers for the purpose of collisions: a text its ink, a line its
// stroke, a box its four sides (a text may stand inside a box).
std::vector<Extent> covers(const Document& d, const Drawn& i) {
    const Extent e = widened(kw::report::inkOf(d, i), kGap / 2);
    if (i.kind != ItemKind::Box) return {e};
    const double p = i.pen / 2 + kGap / 2;
    return {{e.x0, e.y0, e.x1, i.y + p}, {e.x0, i.y + i.height - p, e.x1, e.y1},
            {e.x0, e.y0, i.x + p, e.y1}, {i.x + i.width - p, e.y0, e.x1, e.y1}};
}

bool blank(const Drawn& i) { return i.kind == ItemKind::Text && i.text.find_first_not_of(' ') == std::string::npos; }

// Every pair of texts that overlap or come closer than kGap on their line, and every
// text that a rule or a frame crosses or touches.
std::vector<std::string> collisions(const Document& d) {
    std::vector<std::string> out;
    for (std::size_t p = 0; p < d.pages.size(); ++p) {
        const auto& items = d.pages[p].items;
        for (std::size_t a = 0; a < items.size(); ++a) {
            const Drawn& t = items[a];
            if (t.kind != ItemKind::Text || blank(t)) continue;
            const Extent ink = covers(d, t)[0];
            for (std::size_t b = 0; b < items.size(); ++b) {
                const Drawn& o = items[b];
                if (b == a || (o.kind == ItemKind::Text && b < a) || blank(o)) continue;
                for (const Extent& e : covers(d, o))
                    if (ink.overlaps(e)) {
                        out.push_back(where(d, p, t) + " x " + where(d, p, o));
                        break;
                    }
            }
        }
    }
    return out;
}

// Every item outside the printable area of its sheet.
std::vector<std::string> outsidePrintable(const Document& d) {
    std::vector<std::string> out;
    const double m = kw::report::kPrintableMm - 0.01;
    for (std::size_t p = 0; p < d.pages.size(); ++p)
        for (const Drawn& i : d.pages[p].items) {
            if (i.kind == ItemKind::Text && i.text.empty()) continue;
            const Extent e = kw::report::roomOf(d, i);
            if (e.x0 < m || e.y0 < m || e.x1 > d.widthMm - m || e.y1 > d.heightMm - m) out.push_back(where(d, p, i));
        }
    return out;
}

class DocumentsOnPaper : public ReportTest {
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
        std::filesystem::remove_all("ZAL.DAT");
        for (const auto& e : std::filesystem::directory_iterator(".")) {
            const std::string n = e.path().filename().string();
            if (n.rfind("ZAL", 0) == 0) std::filesystem::remove(e.path());
        }
        std::vector<kw::dict::ZalRecord> all;
        for (const auto& z : reportPledges()) all.push_back(longest(z));
        writePledges(all);
    }

    // Every document, each with its name.
    std::vector<std::pair<std::string, std::shared_ptr<const Document>>> everyDocument() {
        writeLongest();
        std::vector<std::pair<std::string, std::shared_ptr<const Document>>> docs;
        const auto z = everySection();
        docs.emplace_back("ticket", runReport([z] { kw::documents::printTicket(z); }));
        docs.emplace_back("duplicate", runReport([z] { kw::documents::printDuplicate(z); }));
        kw::dict::PskRecord limit;  // from now on the ticket carries the full cost
        limit.DATA = day(1, 1, 2020);
        limit.BIL = 1;
        kwticket::addRecord(kw::dict::pskTable(), limit);
        docs.emplace_back("ticket with its full cost", runReport([z] { kw::documents::printTicket(z); }));
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
        return docs;
    }
};

TEST_F(DocumentsOnPaper, NoTwoTextsOfAnyReportOverlapOrTouchAndNoRuleCrossesAText) {
    for (const auto& [name, doc] : everyDocument()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc);
        EXPECT_EQ(collisions(*doc), std::vector<std::string>{});
    }
}

TEST_F(DocumentsOnPaper, NoItemOfAnyDocumentLiesInTheUnprintableBorder) {
    for (const auto& [name, doc] : everyDocument()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc);
        EXPECT_EQ(outsidePrintable(*doc), std::vector<std::string>{});
    }
}

TEST_F(DocumentsOnPaper, TextsLongerThanTheirColumnAreCutWithAnEllipsis) {
    writeLongest();
    D1 = day(1, 11, 2025);
    D2 = day(30, 11, 2025);
    const auto doc = runReport(PR_OPER);
    ASSERT_TRUE(doc);
    // The passport of the first row: cut, and what is left is where the passport starts.
    bool seen = false;
    for (const Drawn& i : doc->pages[0].items) {
        if (i.kind != ItemKind::Text || i.text.rfind(kw::W("1905 123456"), 0) != 0) continue;
        seen = true;
        EXPECT_EQ(i.text.back(), '\x85') << kw::cp::toUtf8(i.text);
        EXPECT_LT(i.text.size(), 60u);
        const Extent e = kw::report::inkOf(*doc, i);
        EXPECT_LE(e.x1 - e.x0, i.width + 0.01);
    }
    EXPECT_TRUE(seen);
}

}  // namespace
