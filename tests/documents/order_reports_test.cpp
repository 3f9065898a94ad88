// The summary order and the period reports over the report data set: each report's
// November pages against its golden file (KW_REGENERATE_GOLDEN=1 writes them anew),
// the rows each period rule selects, the totals against sums worked out here from the
// data set's own records, the overdue list's filter, and the parameter windows.
#include "documents/order_reports.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "order_test_util.h"

namespace {

using namespace kworder;
using kw::W;
using kw::script::Drive;
using kwreport::day;

const int32_t kNov1 = day(1, 11, 2025);
const int32_t kNov30 = day(30, 11, 2025);

// The period's totals summed here over the data set, event by event, as a clerk checks
// the order: issues, prolongations and redemptions dated in the period, deleted pledges
// left out, sales never counted.
struct Expected {
    int issued = 0;
    double loans = 0, appraisals = 0, interest = 0, storage = 0, paidOut = 0;
    double prolongationInterest = 0, penalties = 0;
    double redeemedInterest = 0, redeemedStorage = 0, redeemedPenalties = 0, redeemedPaid = 0;
    double profit = 0;
};

Expected expected(int32_t d1, int32_t d2) {
    Expected e;
    auto in = [&](int32_t d) { return d >= d1 && d <= d2; };
    for (const kw::dict::ZalRecord& z : kwreport::reportPledges()) {
        if (z.SOST == 6) continue;
        if (in(z.DATA)) {
            ++e.issued;
            e.loans += z.S_CCYD;
            e.appraisals += z.S_OZEN;
            e.interest += z.S_P_S;
            e.storage += z.S_P_X;
            e.paidOut += z.S_VID;
        }
        const int32_t dates[] = {z.DATA_PR1, z.DATA_PR2, z.DATA_PR3};
        const double received[] = {z.S_P_C1 + z.S_P_X1, z.S_P_C2 + z.S_P_X2, z.S_P_C3 + z.S_P_X3};
        const double penalty[] = {z.S_ST1, z.S_ST2, z.S_ST3};
        for (int k = 0; k < 3; ++k)
            if (in(dates[k])) {
                e.prolongationInterest += received[k];
                e.penalties += penalty[k];
                e.profit += received[k] + penalty[k];
            }
        if (in(z.DATA_PRW)) {
            e.redeemedInterest += z.S_P_CW;
            e.redeemedStorage += z.S_P_XW;
            e.redeemedPenalties += z.S_STW;
            e.redeemedPaid += z.S_W;
            e.profit += z.S_W - z.S_VID;
        }
    }
    return e;
}

class OrderReports : public kwreport::ReportTest {
  protected:
    std::shared_ptr<const kw::report::Document> print(void (*report)(), int32_t d1, int32_t d2,
                                                      int32_t dprr = 0) {
        D1 = d1;
        D2 = d2;
        D_PRR = dprr;
        return runReport(report);
    }
    void TearDown() override {
        D1 = D2 = D_PRR = 0;
        ReportTest::TearDown();
    }
};

TEST_F(OrderReports, NovemberPagesOfEachReportMatchTheirGoldenFiles) {
    struct Case {
        void (*report)();
        int32_t d1, d2, dprr;
        const char* golden;
    };
    const Case cases[] = {
        {PR_ORDER, kNov1, kNov30, 0, "order_november.txt"},
        {PR_OPER, kNov1, kNov30, 0, "operations_november.txt"},
        {PR_PROC, kNov30, 0, 0, "overdue_november.txt"},
        {PR_PRIB, kNov1, kNov30, 0, "profit_november.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        const auto doc = print(c.report, c.d1, c.d2, c.dprr);
        ASSERT_TRUE(doc);
        kwreport::expectGolden(c.golden, kwreport::documentText(*doc));
    }
}

TEST_F(OrderReports, TheOrderListsEveryPledgeWithAnEventInThePeriodOnceInTicketOrder) {
    const auto doc = print(PR_ORDER, kNov1, kNov30);
    ASSERT_TRUE(doc);
    // 1004 issued and redeemed in November: one row; 1006 only sold in it: a row; 1007
    // deleted, 1008 after, 1009 before, 1011 and 1013 without a November event: none.
    EXPECT_EQ(tickets(*doc), (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 1012}));
    EXPECT_EQ(doc->widthMm, 297);
    EXPECT_EQ(doc->heightMm, 210);
    // A row shows the pledge's whole history, events outside the period too: 1003's
    // prolongations of September and October.
    const auto all = rows(*doc);
    const RowAt* r = rowOf(all, 1003);
    ASSERT_TRUE(r);
    const auto texts = rowTexts(*doc, *r, 10);
    for (const char* date : {"01.08.2025", "01.09.2025", "01.10.2025", "15.11.2025"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), date), texts.end()) << date;
    EXPECT_TRUE(doc->contains(W("Петрова А.С.")));  // the receiver
}

TEST_F(OrderReports, OrderTotalsAreTheSumsOfTheEventsInThePeriod) {
    const auto doc = print(PR_ORDER, kNov1, kNov30);
    ASSERT_TRUE(doc);
    const Expected e = expected(kNov1, kNov30);
    // By hand from the data set: issued 1001, 1004 and 1010 (1007 is deleted) for
    // 5 000 + 3 000 + 1 500; redeemed 1004 (paid 2 370 + 450 + 180) and 1005 (6 100).
    ASSERT_EQ(e.issued, 3);
    ASSERT_EQ(money(e.loans), "9500.00");
    ASSERT_EQ(money(e.redeemedPaid), "9100.00");
    EXPECT_EQ(valueAfter(*doc, "Выдано ссуд:"), "3");
    EXPECT_EQ(valueAfter(*doc, "на сумму:"), money(e.loans));
    EXPECT_EQ(valueAfter(*doc, "получено залогов по оценке на сумму:"), money(e.appraisals));
    EXPECT_EQ(valueAfter(*doc, "начислено %% по ссудам:"), money(e.interest));
    EXPECT_EQ(valueAfter(*doc, "по хранению:"), money(e.storage));
    EXPECT_EQ(valueAfter(*doc, "всего %%:"), money(e.interest + e.storage));
    EXPECT_EQ(valueAfter(*doc, "выдано на руки:"), money(e.paidOut));
    EXPECT_EQ(valueAfter(*doc, "По перезалогам получено: %% всего:"),
              money(e.prolongationInterest));
    EXPECT_EQ(valueAfter(*doc, "штрафов всего:"), money(e.penalties));
    EXPECT_EQ(valueAfter(*doc, "всего получено:"), money(e.prolongationInterest + e.penalties));
    EXPECT_EQ(valueAfter(*doc, "По выкупу получено %%  по ссудам:"), money(e.redeemedInterest));
    EXPECT_EQ(valueAfter(*doc, "по штрафам:"), money(e.redeemedPenalties));
    EXPECT_EQ(valueAfter(*doc, "всего получено от клиентов:"), money(e.redeemedPaid));
    EXPECT_EQ(valueAfter(*doc, "Всего получено:"),
              money(e.prolongationInterest + e.penalties + e.redeemedPaid));
}

TEST_F(OrderReports, TheReceiverIsTheUserWhoPrintsAndBlankForAUserWithoutARecord) {
    auto doc = print(PR_ORDER, kNov1, kNov30);
    ASSERT_TRUE(doc);
    EXPECT_EQ(valueAfter(*doc, "Приемщик:"), "Петрова А.С.");
    KOD = 99;  // no such user in SEC
    doc = print(PR_ORDER, kNov1, kNov30);
    ASSERT_TRUE(doc);
    EXPECT_EQ(valueAfter(*doc, "Приемщик:"), "");
    EXPECT_FALSE(doc->contains(W("Петрова А.С.")));
}

TEST_F(OrderReports, ProfitPerPledgeAndItsTotalWithoutTheIssueLines) {
    const auto doc = print(PR_PRIB, kNov1, kNov30);
    ASSERT_TRUE(doc);
    EXPECT_EQ(tickets(*doc), (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 1012}));
    const auto all = rows(*doc);
    auto profitOf = [&](int ticket) -> std::string {
        const RowAt* r = rowOf(all, ticket);
        if (!r) return "<no row>";
        const kw::report::Page& p = doc->pages[static_cast<std::size_t>(r->page)];
        for (const Drawn& i : p.items)
            if (i.text == W("Получена прибыль:") && i.y > r->ticket->y && i.y < r->ticket->y + 10)
                return rightOf(p, i);
        return "<no profit>";
    };
    // 1005 paid back 6 100 for a loan that paid out 7 900; 1002's prolongation: interest
    // 1 200 (8 000 x 0.5 % x 30), storage 480 (16 000 x 0.1 % x 30), penalty 420.50.
    EXPECT_EQ(profitOf(1005), "-1800.00");
    EXPECT_EQ(profitOf(1002), "2100.50");
    EXPECT_EQ(profitOf(1001), "0.00");  // issued only
    EXPECT_EQ(profitOf(1006), "0.00");  // sold only
    const Expected e = expected(kNov1, kNov30);
    EXPECT_EQ(valueAfter(*doc, "Получено прибыли всего:"), money(e.profit));
    EXPECT_EQ(valueAfter(*doc, "По перезалогам получено: %% всего:"),
              money(e.prolongationInterest));
    EXPECT_EQ(valueAfter(*doc, "всего получено от клиентов:"), money(e.redeemedPaid));
    EXPECT_EQ(valueAfter(*doc, "Всего получено:"),
              money(e.prolongationInterest + e.penalties + e.redeemedPaid));
    EXPECT_FALSE(doc->contains(W("Выдано ссуд:")));
    EXPECT_FALSE(doc->contains(W("получено залогов по оценке на сумму:")));
}

TEST_F(OrderReports, OperationsShowTheClientTheArticleAndMarkPledgesIssuedBefore) {
    const auto doc = print(PR_OPER, kNov1, kNov30);
    ASSERT_TRUE(doc);
    EXPECT_EQ(tickets(*doc), (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 1012}));
    EXPECT_GE(doc->pages.size(), 2u);  // eight blocks do not fit one sheet
    EXPECT_TRUE(doc->contains(W("получено залогов на сумму:")));
    const auto all = rows(*doc);
    const RowAt* r1001 = rowOf(all, 1001);
    const RowAt* r1002 = rowOf(all, 1002);
    ASSERT_TRUE(r1001 && r1002);
    auto has = [](const std::vector<std::string>& t, const std::string& s) {
        return std::find(t.begin(), t.end(), s) != t.end();
    };
    // 1002 (issued 20.10, before the period): "*", metal 1 and stone 2 by name.
    const auto t1002 = rowTexts(*doc, *r1002, 20);
    EXPECT_TRUE(has(t1002, "*"));
    EXPECT_TRUE(has(t1002, "Золото"));
    EXPECT_TRUE(has(t1002, "Фианит"));
    EXPECT_TRUE(has(t1002, "Клиентов Пётр 1002"));
    // 1001 (issued on D1): no marker; its metal 3 is not in the table, no stone.
    const auto t1001 = rowTexts(*doc, *r1001, 20);
    EXPECT_FALSE(has(t1001, "*"));
    EXPECT_FALSE(has(t1001, "Золото"));
    EXPECT_FALSE(has(t1001, "Фианит"));
    EXPECT_TRUE(has(t1001, "Кольцо обручальное №1001"));
    const Expected e = expected(kNov1, kNov30);
    EXPECT_EQ(valueAfter(*doc, "получено залогов на сумму:"), money(e.appraisals));
    // The footer numbers the pages.
    EXPECT_TRUE(doc->contains("CTP    2"));
}

TEST_F(OrderReports, APeriodEndingBeforeItStartsPrintsNoRowAndZeroTotals) {
    for (void (*report)() : {PR_ORDER, PR_OPER, PR_PRIB}) {
        const auto doc = print(report, kNov30, kNov1);
        ASSERT_TRUE(doc);
        EXPECT_TRUE(tickets(*doc).empty());
        for (const char* label : {"По перезалогам получено: %% всего:", "штрафов всего:",
                                  "всего получено:", "По выкупу получено %%  по ссудам:",
                                  "по штрафам:", "всего получено от клиентов:", "Всего получено:"})
            EXPECT_EQ(valueAfter(*doc, label), "0.00") << label;
        if (report != PR_PRIB) {
            EXPECT_EQ(valueAfter(*doc, "Выдано ссуд:"), "0");
            EXPECT_EQ(valueAfter(*doc, "на сумму:"), "0.00");
            EXPECT_EQ(valueAfter(*doc, "выдано на руки:"), "0.00");
        } else {
            EXPECT_EQ(valueAfter(*doc, "Получено прибыли всего:"), "0.00");
        }
    }
}

TEST_F(OrderReports, OverdueListsActivePledgesWhoseEveryEndIsDaysOverdueBeforeTheControlDate) {
    // At 30.11: 1011's term ended 01.10 (60 days), 1013's prolongation 01.11 (29 days);
    // every other active pledge runs on past the control date.
    auto overdue = [&](int32_t d1, int32_t days) {
        const auto doc = print(PR_PROC, d1, 0, days);
        return doc ? tickets(*doc) : std::vector<int>{-1};
    };
    EXPECT_EQ(overdue(kNov30, 0), (std::vector<int>{1011, 1013}));
    EXPECT_EQ(overdue(kNov30, 29), (std::vector<int>{1011, 1013}));
    EXPECT_EQ(overdue(kNov30, 30), (std::vector<int>{1011}));
    // Zero days: an end on the control date itself counts (1013 on 01.11); 1002's term
    // to 19.11 and 1012's to 14.11 do not.
    EXPECT_EQ(overdue(kNov1, 0), (std::vector<int>{1011, 1013}));
    EXPECT_EQ(overdue(day(31, 10, 2025), 0), (std::vector<int>{1011}));
    const auto doc = print(PR_PROC, kNov30, 0, 0);
    ASSERT_TRUE(doc);
    EXPECT_FALSE(doc->contains(W("Итого за указанный период: ")));
    EXPECT_TRUE(doc->contains(W("Просроченыые ссуды по состоянию на:")));
    EXPECT_TRUE(doc->contains("30.11.2025"));
}

TEST_F(OrderReports, OverdueWithNothingOverdueSaysNoRecords) {
    D1 = day(1, 1, 2025);
    D_PRR = 0;
    EXPECT_TRUE(saysNoRecords(PR_PROC));
}

// The parameter windows: the print button runs the report with the dates typed and
// the window stays for another run; "OK" closes it.
TEST_F(OrderReports, TheOrderWindowPrintsThePeriodTypedAndStaysOpenUntilOk) {
    kw::report::setLastDocument(nullptr);
    std::shared_ptr<const kw::report::Document> doc;
    run(OR_M, [&] {
        kw::script::WindowDriver w =
            kw::script::waitWindow(W("Подготовка и печать сводного ордера"));
        ASSERT_TRUE(w);
        ASSERT_EQ(w.settle(), Drive::Ok);
        EXPECT_EQ(w.type("D1", "01.11.2025"), Drive::Ok);
        EXPECT_EQ(w.type("D2", "30.11.2025"), Drive::Ok);
        doc = printFrom(w, "Печать");
        ASSERT_TRUE(doc);
        EXPECT_TRUE(w.isOpen());
        EXPECT_EQ(w.shown("D1"), "01.11.2025");
        ASSERT_EQ(w.press("OK"), Drive::Ok);
        EXPECT_TRUE(w.waitClosed(std::chrono::seconds(5)));
    });
    ASSERT_TRUE(doc);
    EXPECT_EQ(D1, kNov1);
    EXPECT_EQ(D2, kNov30);
    EXPECT_EQ(tickets(*doc), (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 1012}));
}

TEST_F(OrderReports, EachWindowHasItsTitleEntriesAndButtons) {
    struct Case {
        void (*window)();
        const char* title;
        std::vector<const char*> entries;
    };
    const Case cases[] = {
        {OR_M, "Подготовка и печать сводного ордера", {"D1", "D2"}},
        {O_ME, "справка по операциям", {"D1", "D2"}},
        {PR_M, "Просроченные ссуды", {"D1", "D_PRR"}},
        {PRIB_M, "Справка по прибыли", {"D1", "D2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        run(c.window, [&] {
            kw::script::WindowDriver w = kw::script::waitWindow(W(c.title));
            ASSERT_TRUE(w);
            ASSERT_EQ(w.settle(), Drive::Ok);
            for (const char* button : {"Печать", "OK", "Закрыть окно"})
                EXPECT_NE(w.find(W(button)), 0) << button;
            for (const char* e : c.entries) EXPECT_NE(w.findUse(e), 0) << e;
            ASSERT_EQ(w.press(W("Закрыть окно")), Drive::Ok);
            EXPECT_TRUE(w.waitClosed(std::chrono::seconds(5)));
        });
    }
}

TEST_F(OrderReports, TheOverdueWindowStoresTheDaysTypedForTheFilter) {
    std::shared_ptr<const kw::report::Document> doc;
    run(PR_M, [&] {
        kw::script::WindowDriver w = kw::script::waitWindow(W("Просроченные ссуды"));
        ASSERT_TRUE(w);
        ASSERT_EQ(w.settle(), Drive::Ok);
        EXPECT_EQ(w.type("D1", "30.11.2025"), Drive::Ok);
        EXPECT_EQ(w.type("D_PRR", "30"), Drive::Ok);
        doc = printFrom(w, "Печать");
        ASSERT_TRUE(doc);
        ASSERT_EQ(w.press(W("Закрыть окно")), Drive::Ok);
        EXPECT_TRUE(w.waitClosed(std::chrono::seconds(5)));
    });
    ASSERT_TRUE(doc);
    EXPECT_EQ(D_PRR, 30);
    EXPECT_EQ(tickets(*doc), (std::vector<int>{1011}));
}

}  // namespace
