// The lists of the pledges handed over for sale: the act (PR_REAL), the notary's list
// (PR_NOT) and the auction lots (PR_LOT) over the December sales of report_data.h
// against their golden files; the sheets of 14 and 53 rows with their sums and the
// grand line worked out here from the data; the notary's charge to the kopeck; the
// passport printed whole without touching the pledge; an empty period; NOT_M driven
// as the operator does.
#include "documents/sale_reports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "report_test_util.h"

namespace {

using namespace kwreport;
using kw::W;
using kw::script::Drive;
using namespace std::chrono_literals;

void december(int lastDay) {
    D1 = day(1, 12, 2025);
    D2 = day(lastDay, 12, 2025);
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The `n` texts drawn after the first `label` on the page (UTF-8, trimmed); fewer when
// the page ends first.
std::vector<std::string> textsAfter(const kw::report::Page& p, const std::string& label,
                                    std::size_t n) {
    const auto t = pageTexts(p);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i] == label) {
            for (std::size_t k = i + 1; k < t.size() && out.size() < n; ++k)
                out.push_back(trimmed(t[k]));
            break;
        }
    return out;
}

// How many texts of the page read `text` (leading blanks of right-aligned figures
// aside).
int countOf(const kw::report::Page& p, const std::string& text) {
    int n = 0;
    for (const auto& t : pageTexts(p)) n += trimmed(t) == text ? 1 : 0;
    return n;
}

// Kopecks, from a figure of whole kopecks.
long long kopecks(double v) {
    return std::llround(v * 100);
}

std::string money(long long k) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%02lld", k / 100, k % 100);
    return buf;
}

// The notary's sums over the sold pledges of tickets [from, to] in the data set: loan,
// storage, services, sale price and the 1.5 % charge, each charge rounded to the
// kopeck with half a kopeck rounding up, all in kopecks.
std::array<long long, 5> notarySums(int from, int to) {
    std::array<long long, 5> s{};
    for (const auto& z : reportPledges()) {
        if (z.N_KV < from || z.N_KV > to) continue;
        const long long price = kopecks(z.S_R);
        s[0] += kopecks(z.S_CCYD);
        s[1] += kopecks(z.S_P_XR);
        s[2] += kopecks(z.S_P_CR) + kopecks(z.S_STR);
        s[3] += price;
        s[4] += (price * 15 + 500) / 1000;
    }
    return s;
}

std::vector<std::string> asTexts(const std::array<long long, 5>& s) {
    std::vector<std::string> t;
    for (long long k : s) t.push_back(money(k));
    return t;
}

// Sold in December on `date`, at a price of exactly `price`.
kw::dict::ZalRecord soldAt(int32_t ticket, int32_t date, double price) {
    auto z = issued(ticket, day(1, 8, 2025), 1000);
    sell(z, date);
    z.S_R = price;
    return z;
}

class SaleLists : public ReportTest {};

}  // namespace

// --- golden pages ---------------------------------------------------------------------

TEST_F(SaleLists, TheActOfHandOverMatchesItsGoldenFile) {
    const auto doc = runReport([] {
        december(28);
        PR_REAL();
    });
    ASSERT_TRUE(doc);
    expectGolden("pr_real_december.txt", documentText(*doc));
    // 28 pledges at 1.2945 times their loans of 1 100 to 3 800.
    const auto last = doc->pages.back();
    EXPECT_EQ(textsAfter(last, "Итого передано на реализацию на сумму:", 1),
              std::vector<std::string>{money(notarySums(2001, 2028)[3])});
}

TEST_F(SaleLists, TheNotarysListOfTwentyEightFillsTwoSheetsThenAnEmptyThirdWithZerosThatIsCounted) {
    const auto doc = runReport([] {
        december(28);
        PR_NOT();
    });
    ASSERT_TRUE(doc);
    expectGolden("pr_not_28.txt", documentText(*doc));
    ASSERT_EQ(doc->pages.size(), 3u);
    for (const auto& p : doc->pages) EXPECT_EQ(countOf(p, "И т о г о  по листу:"), 1);
    EXPECT_EQ(textsAfter(doc->pages[2], "И т о г о  по листу:", 5),
              (std::vector<std::string>{"0.00", "0.00", "0.00", "0.00", "0.00"}));
    const auto grand = textsAfter(doc->pages[2], "Всего по листам  с 1 по", 6);
    ASSERT_EQ(grand.size(), 6u);
    EXPECT_EQ(grand[0], "3");
    EXPECT_EQ(std::vector<std::string>(grand.begin() + 1, grand.end()),
              asTexts(notarySums(2001, 2028)));
}

TEST_F(SaleLists, TheNotarysListOfTwentyNineEndsWithASheetOfOneRow) {
    const auto doc = runReport([] {
        december(29);
        PR_NOT();
    });
    ASSERT_TRUE(doc);
    expectGolden("pr_not_29.txt", documentText(*doc));
    ASSERT_EQ(doc->pages.size(), 3u);
    EXPECT_EQ(countOf(doc->pages[2], "И т о г о  по листу:"), 1);
    EXPECT_EQ(countOf(doc->pages[2], "2029"), 1);
    const auto band = textsAfter(doc->pages[2], "И т о г о  по листу:", 5);
    EXPECT_EQ(band, asTexts(notarySums(2029, 2029)));
    const auto grand = textsAfter(doc->pages[2], "Всего по листам  с 1 по", 6);
    ASSERT_EQ(grand.size(), 6u);
    EXPECT_EQ(grand[0], "3");
    EXPECT_EQ(std::vector<std::string>(grand.begin() + 1, grand.end()),
              asTexts(notarySums(2001, 2029)));
}

TEST_F(SaleLists, TheAuctionListMatchesItsGoldenFile) {
    const auto doc = runReport([] {
        december(28);
        D_T = day(20, 1, 2026);
        PR_LOT();
    });
    ASSERT_TRUE(doc);
    expectGolden("pr_lot_december.txt", documentText(*doc));
    ASSERT_EQ(doc->pages.size(), 1u);
    EXPECT_EQ(countOf(doc->pages[0], "20.01.2026"), 1);
    const auto grand = textsAfter(doc->pages[0], "Всего по листам  с 1 по", 2);
    EXPECT_EQ(grand, (std::vector<std::string>{"1", money(notarySums(2001, 2028)[3])}));
}

// --- sheets and sums --------------------------------------------------------------------

TEST_F(SaleLists, TheNotarysSheetSumsAreThoseOfTheirRows) {
    const auto doc = runReport([] {
        december(28);
        PR_NOT();
    });
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pages.size(), 3u);
    // Loans of 1 100 to 2 400 on the first sheet, 2 500 to 3 800 on the second.
    const auto first = textsAfter(doc->pages[0], "И т о г о  по листу:", 5);
    const auto second = textsAfter(doc->pages[1], "И т о г о  по листу:", 5);
    ASSERT_EQ(first.size(), 5u);
    ASSERT_EQ(second.size(), 5u);
    EXPECT_EQ(first[0], "24500.00");
    EXPECT_EQ(second[0], "44100.00");
    EXPECT_EQ(first, asTexts(notarySums(2001, 2014)));
    EXPECT_EQ(second, asTexts(notarySums(2015, 2028)));
    const auto grand = textsAfter(doc->pages[2], "Всего по листам  с 1 по", 6);
    ASSERT_EQ(grand.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(grand.begin() + 1, grand.end()),
              asTexts(notarySums(2001, 2028)));
    // Neither the deleted 2030 nor the redeemed 2031 is listed; numbers run on.
    for (const auto& p : doc->pages) {
        EXPECT_EQ(countOf(p, "2030"), 0);
        EXPECT_EQ(countOf(p, "2031"), 0);
    }
    EXPECT_EQ(countOf(doc->pages[1], "15"), 1);
    EXPECT_EQ(countOf(doc->pages[1], "28"), 1);
}

TEST_F(SaleLists, AnAuctionListOfFiftyThreeIsOneFullSheetAndAnEmptySecondWithZeros) {
    std::vector<kw::dict::ZalRecord> extra;
    for (int i = 0; i < 25; ++i) extra.push_back(soldAt(3001 + i, day(10, 12, 2025), 500 + i));
    writePledges(extra);
    const auto doc = runReport([] {
        december(28);
        PR_LOT();
    });
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pages.size(), 2u);
    const auto& p = doc->pages[0];
    EXPECT_EQ(countOf(p, "И т о г о  по листу:"), 1);
    EXPECT_EQ(countOf(p, "53"), 1);
    // 500 + ... + 524 = 12 800 besides the December sales.
    const std::string total = money(notarySums(2001, 2028)[3] + 1280000);
    EXPECT_EQ(textsAfter(p, "И т о г о  по листу:", 1), std::vector<std::string>{total});
    EXPECT_EQ(textsAfter(doc->pages[1], "И т о г о  по листу:", 1),
              std::vector<std::string>{"0.00"});
    EXPECT_EQ(textsAfter(doc->pages[1], "Всего по листам  с 1 по", 2),
              (std::vector<std::string>{"2", total}));
}

TEST_F(SaleLists, AnAuctionListOfFiftyFourPutsTheLastLotOnASecondSheet) {
    std::vector<kw::dict::ZalRecord> extra;
    for (int i = 0; i < 26; ++i) extra.push_back(soldAt(3001 + i, day(10, 12, 2025), 500 + i));
    writePledges(extra);
    const auto doc = runReport([] {
        december(28);
        PR_LOT();
    });
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pages.size(), 2u);
    EXPECT_EQ(countOf(doc->pages[0], "И т о г о  по листу:"), 1);
    EXPECT_EQ(countOf(doc->pages[0], "Всего по листам  с 1 по"), 0);
    EXPECT_EQ(countOf(doc->pages[1], "3026"), 1);
    EXPECT_EQ(countOf(doc->pages[1], "54"), 1);
    EXPECT_EQ(textsAfter(doc->pages[1], "И т о г о  по листу:", 1),
              std::vector<std::string>{"525.00"});
    const std::string total = money(notarySums(2001, 2028)[3] + 1280000 + 52500);
    EXPECT_EQ(textsAfter(doc->pages[1], "Всего по листам  с 1 по", 2),
              (std::vector<std::string>{"2", total}));
}

// --- the notary's figures -----------------------------------------------------------

TEST_F(SaleLists, TheNotarysChargeOfAHalfKopeckPrintsRoundedUp) {
    writePledges({soldAt(3001, day(30, 12, 2025), 1001)});
    const auto doc = runReport([] {
        D1 = day(30, 12, 2025);
        D2 = day(31, 12, 2025);
        PR_NOT();
    });
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pages.size(), 1u);
    const auto band = textsAfter(doc->pages[0], "И т о г о  по листу:", 5);
    ASSERT_EQ(band.size(), 5u);
    EXPECT_EQ(band[3], "1001.00");
    EXPECT_EQ(band[4], "15.02");
}

TEST(ItemDescription, NamesFinenessWeightAndTheClippedDescription) {
    ZAL = kw::dict::ZalRecord{};
    ZAL.PROB = 585;
    ZAL.VEC = 4.25;
    ZAL.OP_IZ = W("Кольцо обручальное");
    EXPECT_EQ(kw::cp::toUtf8(kw::documents::itemDescription()),
              "проба 585 вес 4.25 Кольцо обручальное");
    ZAL.VEC = 12.125;
    ZAL.OP_IZ = std::string(79, 'x') + "y";  // 21 + 80 characters: the last is cut
    const std::string d = kw::documents::itemDescription();
    EXPECT_EQ(d.size(), 100u);
    EXPECT_EQ(kw::cp::toUtf8(d.substr(0, 23)), "проба 585 вес 12.125 xx");
    EXPECT_EQ(d.back(), 'x');
}

TEST_F(SaleLists, APassportFillingItsFieldPrintsWholeAndThePledgeStaysAsItWas) {
    // Ticket 9001 is the last pledge in ticket order, so its record stays in the buffer.
    auto z = soldAt(9001, day(10, 12, 2025), 2000);
    const std::string passport = "4509 123456 ОВД Тверского р-на г.Москвы выдан 12.03.2004 XYZ";
    ASSERT_EQ(W(passport).size(), 60u);
    z.PAS = W(passport);
    writePledges({z});
    kw::FixedString<60> inBuffer;
    const auto doc = runReport([&] {
        december(28);
        PR_NOT();
        inBuffer = ZAL.PAS;
    });
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->contains(W("пасп. " + passport)));
    EXPECT_EQ(kw::cp::toUtf8(inBuffer.str()), passport);
    // And in the file.
    std::string onDisk;
    std::thread th([&] {
        kw::proc::setCurrentThread(62);
        kw::storage::File f(kw::dict::zalTable());
        ASSERT_TRUE(f.open().ok());
        ASSERT_TRUE(f.set(0).ok());
        while (f.next().ok())
            if (ZAL.N_KV == 9001) onDisk = ZAL.PAS.str();
        ASSERT_TRUE(f.close().ok());
    });
    th.join();
    EXPECT_EQ(kw::cp::toUtf8(onDisk), passport);
}

// --- the writ's header ------------------------------------------------------------------

TEST_F(SaleLists, TheWritNamesTheNotaryThePawnshopAndTheCharge) {
    const auto doc = runReport([] {
        december(28);
        PR_NOT();
    });
    ASSERT_TRUE(doc);
    for (const auto& p : doc->pages) {
        EXPECT_EQ(countOf(p, "Я, Нотариусова Н.Н.,Нотариус г.Москвы(лицензия №77/123-н)"), 1);
        EXPECT_EQ(countOf(p, "Ломбард Кестрел адр. г. Москва, ул. Тверская, 7"), 1);
        EXPECT_EQ(countOf(p, "(1.5 %)"), 1);
        EXPECT_EQ(countOf(p, "01.12.2025"), 1);
        EXPECT_EQ(countOf(p, "28.12.2025"), 1);
    }
    EXPECT_EQ(doc->widthMm, 8250 * 0.0254);
    EXPECT_EQ(doc->heightMm, 11688 * 0.0254);
}

// --- empty periods and the window -------------------------------------------------------

TEST_F(SaleLists, APeriodEndingBeforeItStartsHasNoRecords) {
    EXPECT_TRUE(saysNoRecords([] {
        D1 = day(28, 12, 2025);
        D2 = day(1, 12, 2025);
        PR_NOT();
    }));
    EXPECT_TRUE(saysNoRecords([] {
        D1 = day(28, 12, 2025);
        D2 = day(1, 12, 2025);
        PR_LOT();
    }));
    EXPECT_TRUE(saysNoRecords([] {
        D1 = day(28, 12, 2025);
        D2 = day(1, 12, 2025);
        PR_REAL();
    }));
}

TEST_F(SaleLists, NotMFormsTheListForTheDatesTypedAndStaysOpen) {
    D1 = 0;
    D2 = 0;
    std::shared_ptr<const kw::report::Document> doc;
    run(NOT_M, [&] {
        kw::script::WindowDriver w =
            kw::script::waitWindow(W("Формирование перечня для нотариата"));
        ASSERT_TRUE(w);
        ASSERT_EQ(w.type("D1", "05.12.2025"), Drive::Ok);
        ASSERT_EQ(w.type("D2", "07.12.2025"), Drive::Ok);
        EXPECT_NE(w.findUse("ACTIONMESSAGE"), 0);
        doc = printFrom(w, "Сформировать");
        ASSERT_TRUE(doc);
        EXPECT_TRUE(w.isOpen());
        ASSERT_EQ(w.press(W("Закрыть окно")), Drive::Ok);
        EXPECT_TRUE(w.waitClosed(5s));
    });
    ASSERT_TRUE(doc);
    EXPECT_EQ(D1, day(5, 12, 2025));
    EXPECT_EQ(D2, day(7, 12, 2025));
    ASSERT_EQ(doc->pages.size(), 1u);
    // 2005, 2006 and 2007; the deleted 2030 and redeemed 2031 of 05.12 are not.
    for (const char* t : {"2005", "2006", "2007"}) EXPECT_EQ(countOf(doc->pages[0], t), 1) << t;
    EXPECT_EQ(countOf(doc->pages[0], "2030"), 0);
    EXPECT_EQ(countOf(doc->pages[0], "2031"), 0);
    EXPECT_EQ(countOf(doc->pages[0], "2004"), 0);
    EXPECT_EQ(countOf(doc->pages[0], "2008"), 0);
}

// Types the period (and the auction's date) into a parameter window, presses its print
// button and returns what the preview showed; the window stays open and is closed.
class SaleWindows : public ReportTest {
  protected:
    std::shared_ptr<const kw::report::Document> formFrom(void (*window)(), const char* title,
                                                         const char* button,
                                                         const char* auction = nullptr) {
        std::shared_ptr<const kw::report::Document> doc;
        run(window, [&] {
            kw::script::WindowDriver w = kw::script::waitWindow(W(title));
            ASSERT_TRUE(w);
            ASSERT_EQ(w.type("D1", "27.12.2025"), Drive::Ok);
            ASSERT_EQ(w.type("D2", "29.12.2025"), Drive::Ok);
            if (auction) {
                ASSERT_EQ(w.type("D_T", auction), Drive::Ok);
            }
            doc = printFrom(w, button);
            ASSERT_TRUE(doc);
            EXPECT_TRUE(w.isOpen());
            ASSERT_EQ(w.press(W("Закрыть окно")), Drive::Ok);
            EXPECT_TRUE(w.waitClosed(5s));
        });
        return doc;
    }
};

TEST_F(SaleWindows, RealMPrintsTheActOfTheDatesTyped) {
    const auto doc = formFrom(REAL_M, "Акт прелачи на реализацию", "Печать");
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pages.size(), 1u);
    for (const char* t : {"2027", "2028", "2029"}) EXPECT_EQ(countOf(doc->pages[0], t), 1) << t;
    EXPECT_EQ(countOf(doc->pages[0], "2026"), 0);
}

TEST_F(SaleWindows, LotMFormsTheAuctionListForTheDateOfTheAuction) {
    const auto doc = formFrom(LOT_M, "Перечень предметов торгов", "Сформировать", "15.01.2026");
    ASSERT_TRUE(doc);
    EXPECT_EQ(D_T, day(15, 1, 2026));
    ASSERT_EQ(doc->pages.size(), 1u);
    EXPECT_EQ(countOf(doc->pages[0], "15.01.2026"), 1);
    for (const char* t : {"2027", "2028", "2029"}) EXPECT_EQ(countOf(doc->pages[0], t), 1) << t;
    EXPECT_EQ(countOf(doc->pages[0], "2026"), 0);
}
