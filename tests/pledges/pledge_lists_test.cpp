// The lists of pledges: which days they open on, what each offers, the day's and the
// financial totals over the whole list, the state inquiry and the archive search.
#include "pledges/pledge_procedures.h"
#include "rules/pledge_state.h"
#include "runtime/report.h"
#include "zal_fixture.h"

namespace kwpledge {
namespace {

struct ListCase {
    void (*procedure)();
    const char* title;
};

const ListCase kOperationLists[] = {
    {ZAL_TAB, "Залоговые ссуды за день"}, {ZAL_TAB1, "Первый перезалог"},
    {ZAL_TAB2, "Второй перезалог"},       {ZAL_TAB3, "Третий перезалог"},
    {ZAL_TABV, "Выкуп заложенной вещи"},  {ZAL_TABR, "Передача заложенной вещи на реализацию"},
};

class PledgeListsTest : public PledgeTest {
  protected:
    // The ticket numbers of the rows on the page, top to bottom.
    static std::vector<int> tickets(const WindowDriver& w) {
        std::vector<int> out;
        for (int r = 1; r <= w.rows(1); ++r) out.push_back(std::stoi(w.cell(1, r, 1)));
        return out;
    }
    // Opens the list and waits for it; closes it again at the end of the test.
    WindowDriver open(void (*procedure)(), const char* utf8Title) {
        run(procedure);
        return window(utf8Title);
    }
};

TEST_F(PledgeListsTest, OperationListsOpenOnlyOnAnOpenDayAndSayWhy) {
    for (const ListCase& c : kOperationLists) {
        SCOPED_TRACE(c.title);
        const int n = run(c.procedure);
        EXPECT_EQ(boxText(), W("День ломбарда не открыт"));
        boxes.answer(kw::msgbox::Ok);
        EXPECT_TRUE(kw::proc::wait(n, 5s));
        EXPECT_FALSE(kw::script::waitWindow(W(c.title), 100ms));
    }
    day(kToday, 500, 1000);  // closed
    for (const ListCase& c : kOperationLists) {
        SCOPED_TRACE(c.title);
        const int n = run(c.procedure);
        EXPECT_EQ(boxText(), W("День ломбарда закрыт"));
        boxes.answer(kw::msgbox::Ok);
        EXPECT_TRUE(kw::proc::wait(n, 5s));
    }
}

TEST_F(PledgeListsTest, OperationListsOpenOnAnOpenDayAndInquiriesOnAnyDay) {
    for (const auto& [procedure, title] : std::vector<std::pair<void (*)(), const char*>>{
             {ZAL_SP, "Справка по состоянию ссуд"},
             {ZAL_SP1, "Финансовая справка"},
             {ARX_TAB, "Поиск по ФИО клиента"},
             {SPR, "Запрос справки по состоянию залогов"},
             {SPR1, "Финансовая справка"},
             {P_FORM, "Поиск по ФИО клиента"}}) {
        SCOPED_TRACE(title);
        if (procedure == ARX_TAB) boxes.answer(kw::msgbox::Ok);  // it found nothing, and says so
        WindowDriver w = open(procedure, title);
        ASSERT_TRUE(w) << "no day at all";
        ASSERT_EQ(w.closeBox(), Drive::Ok);
        ASSERT_TRUE(w.waitClosed(5s));
    }
    ASSERT_EQ(boxes.shown().size(), 1u) << "no box about the day";
    EXPECT_NE(boxes.shown()[0].text.find(W("Ничего не найдено")), std::string::npos);
    day(kToday);
    for (const ListCase& c : kOperationLists) {
        SCOPED_TRACE(c.title);
        WindowDriver w = open(c.procedure, c.title);
        ASSERT_TRUE(w);
        EXPECT_EQ(w.shown("DATA_T"), "08.12.2025");
        ASSERT_EQ(w.closeBox(), Drive::Ok);
        ASSERT_TRUE(w.waitClosed(5s));
    }
}

TEST_F(PledgeListsTest, EachOperationListOffersThePledgesItsOperationStartsFrom) {
    day(kToday);
    // One pledge in each state; ticket 100 + state. Issued long ago, so every open
    // one is overdue for sale.
    std::vector<kw::dict::ZalRecord> z;
    for (uint8_t s = 0; s <= 6; ++s) z.push_back(pledge(100 + s, kToday - 200, s));
    pledges(z);
    const std::vector<std::pair<ListCase, std::vector<int>>> expected = {
        {kOperationLists[1], {100}},
        {kOperationLists[2], {101}},
        {kOperationLists[3], {102}},
        {kOperationLists[4], {100, 101, 102, 103}},
        {kOperationLists[5], {100, 101, 102, 103}},
    };
    for (const auto& [c, tickets_] : expected) {
        SCOPED_TRACE(c.title);
        WindowDriver w = open(c.procedure, c.title);
        ASSERT_TRUE(w);
        EXPECT_EQ(tickets(w), tickets_);
        EXPECT_EQ(w.shown(w.find(W("Обработать"))), W("Обработать"));
        ASSERT_EQ(w.closeBox(), Drive::Ok);
        ASSERT_TRUE(w.waitClosed(5s));
    }
}

TEST_F(PledgeListsTest, TheSaleListTakesAPledgeOnlyMoreThan30DaysPastItsLastPeriod) {
    day(kToday);
    auto p = [](int32_t n, int32_t end, int32_t prolongedTo = 0, uint8_t state = 0) {
        kw::dict::ZalRecord z = pledge(n, end - 30, state);
        z.DATA_K = end;
        z.DATA_P12 = prolongedTo;
        return z;
    };
    pledges({p(1, kToday - 30), p(2, kToday - 31), p(3, kToday - 100, kToday - 20, 1),
             p(4, kToday - 100, kToday - 31, 1), p(5, kToday - 100, 0, 4)});
    WindowDriver w = open(ZAL_TABR, "Передача заложенной вещи на реализацию");
    ASSERT_TRUE(w);
    EXPECT_EQ(tickets(w), (std::vector<int>{2, 4}));
}

TEST_F(PledgeListsTest, TheDaysTotalsCountTheWholeListButNotCancelledPledges) {
    day(kToday);
    std::vector<kw::dict::ZalRecord> z;
    for (int i = 1; i <= 30; ++i) z.push_back(pledge(i, kToday, 0, 100 * i));  // more than a page
    z.push_back(pledge(31, kToday - 1, 0, 5000));                              // yesterday
    z.push_back(pledge(32, kToday, kw::pledges::kDeleted, 7000));              // cancelled today
    z.push_back(pledge(33, kToday, kw::pledges::kRedeemed, 200));
    pledges(z);
    WindowDriver w = open(ZAL_TAB, "Залоговые ссуды за день");
    ASSERT_TRUE(w);
    EXPECT_LT(w.rows(1), 32) << "the page holds fewer rows than the list";
    // 100 + 200 + ... + 3000 = 46500, and 200 of the redeemed one
    EXPECT_EQ(w.shown("TOT_K"), "31");
    EXPECT_EQ(w.shown("TOT_O"), "46700.00");
    EXPECT_EQ(w.shown("TOT_C"), "4670.00");
    EXPECT_EQ(w.shown("TOT_X"), "1401.00");
    EXPECT_EQ(w.shown("TOT_V"), "31289.00");
    ASSERT_EQ(w.scroll(1, kw::ui::ev::ScrollBottom), Drive::Ok);
    EXPECT_EQ(w.shown("TOT_O"), "46700.00") << "whatever part is scrolled into view";
    // the cancelled pledge is still listed
    bool listed = false;
    for (int r = 1; r <= w.rows(1); ++r) listed = listed || w.cell(1, r, 1) == "32";
    EXPECT_TRUE(listed);
}

TEST_F(PledgeListsTest, TheStateInquiryListsAStateOrTheOverduePledges) {
    std::vector<kw::dict::ZalRecord> z;
    for (uint8_t s = 0; s <= 6; ++s)
        z.push_back(pledge(10 + s, kToday - 100, s));          // all past their term
    kw::dict::ZalRecord current = pledge(20, kToday - 10, 1);  // within its term
    z.push_back(current);
    kw::dict::ZalRecord prolonged = pledge(21, kToday - 100, 1);  // prolonged to tomorrow
    prolonged.DATA_P12 = kToday + 1;
    z.push_back(prolonged);
    pledges(z);
    const std::vector<std::pair<int, std::vector<int>>> cases = {
        {1, {11, 20, 21}}, {4, {14}}, {5, {15}}, {6, {10, 11, 12, 13}}, {7, {}}};
    for (const auto& [ind, expected] : cases) {
        SCOPED_TRACE(ind);
        SP_IND = ind;
        WindowDriver w = open(ZAL_SP, "Справка по состоянию ссуд");
        ASSERT_TRUE(w);
        EXPECT_EQ(tickets(w), expected);
        ASSERT_EQ(w.closeBox(), Drive::Ok);
        ASSERT_TRUE(w.waitClosed(5s));
    }
}

TEST_F(PledgeListsTest, TheFinancialInquiryTotalsThePledgesIssuedInThePeriod) {
    auto p = [](int32_t n, int32_t date, uint8_t state, double k) {
        kw::dict::ZalRecord z;
        z.N_KV = n;
        z.DATA = date;
        z.SOST = state;
        z.S_CCYD = 1000 * k;
        z.S_P_S = 100 * k;
        z.S_P_X = 10 * k;
        z.S_VID = 890 * k;
        z.S_P_C1 = 1 * k;
        z.S_P_X1 = 2 * k;
        z.S_ST1 = 3 * k;
        z.S_P_C2 = 4 * k;
        z.S_P_X2 = 5 * k;
        z.S_ST2 = 6 * k;
        z.S_P_C3 = 7 * k;
        z.S_P_X3 = 8 * k;
        z.S_ST3 = 9 * k;
        z.S_P_CW = 11 * k;
        z.S_P_XW = 12 * k;
        z.S_STW = 13 * k;
        z.S_W = 500 * k;
        z.S_R = 700 * k;
        return z;
    };
    // In the period: two pledges (k = 1 and 2); outside it and cancelled: left out.
    pledges({p(1, kToday - 5, 4, 1), p(2, kToday - 1, 5, 2), p(3, kToday - 30, 4, 100),
             p(4, kToday - 2, 6, 1000)});
    D1 = kToday - 10;
    D2 = kToday;
    WindowDriver w = open(ZAL_SP1, "Финансовая справка");
    ASSERT_TRUE(w);
    EXPECT_EQ(tickets(w), (std::vector<int>{1, 2}));
    EXPECT_EQ(w.shown("I_S"), "2");
    EXPECT_EQ(w.shown("S_S"), "3000.00");
    EXPECT_EQ(w.shown("I_P"), "330.00");
    EXPECT_EQ(w.shown("I_P_C"), "300.00");
    EXPECT_EQ(w.shown("I_P_X"), "30.00");
    EXPECT_EQ(w.shown("S_VI"), "2670.00");
    EXPECT_EQ(w.shown("POL_S"), "69.00") << "(1 + 4 + 7 + 11) x 3";
    EXPECT_EQ(w.shown("XR_S"), "81.00") << "(2 + 5 + 8 + 12) x 3";
    EXPECT_EQ(w.shown("I_ST"), "93.00") << "(3 + 6 + 9 + 13) x 3";
    EXPECT_EQ(w.shown("S_WW"), "1500.00");
    EXPECT_EQ(w.shown("T_REALZ"), "2100.00");
    ASSERT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(w.waitClosed(5s));

    D1 = kToday + 1;  // no issue date in the range
    w = open(ZAL_SP1, "Финансовая справка");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.rows(1), 0);
    EXPECT_EQ(w.shown("I_S"), "0");
    EXPECT_EQ(w.shown("S_S"), "0.00");
}

TEST_F(PledgeListsTest, TheArchiveSearchFindsALowerCaseFragmentAnywhereInTheName) {
    pledges({pledge(1, kToday, 4, 100, "Петров Иван Сергеевич"),
             pledge(2, kToday, 0, 100, "ПЕТРОВА АННА"), pledge(3, kToday, 6, 100, "Петров Пётр"),
             pledge(4, kToday, 1, 100, "Сидоров Иван")});
    NAME_P = W("петров");
    WindowDriver w = open(ARX_TAB, "Поиск по ФИО клиента");
    ASSERT_TRUE(w);
    EXPECT_EQ(tickets(w), (std::vector<int>{1, 2}))
        << "whatever the stored case; not the cancelled one";
    ASSERT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(w.waitClosed(5s));
    NAME_P = W("иван");
    w = open(ARX_TAB, "Поиск по ФИО клиента");
    ASSERT_TRUE(w);
    EXPECT_EQ(tickets(w), (std::vector<int>{1, 4})) << "from the middle of the name";
    ASSERT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(w.waitClosed(5s));
    NAME_P = W("Петров");
    w = open(ARX_TAB, "Поиск по ФИО клиента");
    ASSERT_TRUE(w);
    EXPECT_EQ(tickets(w), (std::vector<int>{1, 2})) << "a capitalised fragment finds the same";
    ASSERT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(w.waitClosed(5s));
    // A search that finds nothing says so.
    NAME_P = W("Кузнецов");
    boxes.answer(kw::msgbox::Ok);
    w = open(ARX_TAB, "Поиск по ФИО клиента");
    ASSERT_TRUE(w);
    ASSERT_TRUE(boxes.waitForCount(1, 5s));
    EXPECT_NE(boxes.last().text.find(W("Ничего не найдено")), std::string::npos)
        << boxes.last().text;
    EXPECT_EQ(w.rows(1), 0);
}

// The select button prints the duplicate of the highlighted pledge's ticket: that
// pledge, marked "ДУБЛИКАТ" on each copy; an empty list prints nothing.
TEST_F(PledgeListsTest, TheArchiveSearchPrintsTheDuplicateOfTheHighlightedPledge) {
    pledges({pledge(7, kToday, 4, 100, "Петров Иван Сергеевич"),
             pledge(8, kToday, 1, 300, "Петрова Анна")});
    NAME_P = W("петров");
    kw::report::setLastDocument(nullptr);
    WindowDriver w = open(ARX_TAB, "Поиск по ФИО клиента");
    ASSERT_TRUE(w);
    ASSERT_EQ(tickets(w), (std::vector<int>{7, 8}));
    ASSERT_EQ(w.selectRow(1, 2), Drive::Ok);
    ASSERT_EQ(w.press(W("Выбрать")), Drive::Ok);
    WindowDriver preview = window("Report Preview");
    ASSERT_TRUE(preview);
    auto doc = kw::report::lastDocument();
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pages.size(), 1u);
    int marks = 0;
    std::vector<std::string> tickets;
    for (const auto& item : doc->pages[0].items) {
        if (item.text == W("ДУБЛИКАТ")) ++marks;
        if (item.text == W("Петрова Анна")) tickets.push_back(kw::cp::toUtf8(item.text));
    }
    EXPECT_EQ(marks, 2) << "one on each copy";
    EXPECT_EQ(tickets.size(), 2u) << "the highlighted pledge on both copies";
    EXPECT_FALSE(doc->contains(W("Петров Иван Сергеевич")));
    ASSERT_EQ(preview.press("Exit"), Drive::Ok);
    ASSERT_TRUE(preview.waitClosed(5s));
    ASSERT_EQ(w.settle(), Drive::Ok);
    ASSERT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(w.waitClosed(5s));

    kw::report::setLastDocument(nullptr);
    NAME_P = W("сидоров");
    boxes.answer(kw::msgbox::Ok);  // "nothing found"
    w = open(ARX_TAB, "Поиск по ФИО клиента");
    ASSERT_TRUE(w);
    ASSERT_EQ(w.rows(1), 0);
    ASSERT_EQ(w.press(W("Выбрать")), Drive::Ok);
    EXPECT_FALSE(kw::script::waitWindow("Report Preview", 300ms));
    EXPECT_FALSE(kw::report::lastDocument());
}

TEST_F(PledgeListsTest, TheArchiveRequestRefusesABlankFragment) {
    pledges({pledge(1, kToday, 4, 100, "Петров Иван")});
    WindowDriver f = open(P_FORM, "Поиск по ФИО клиента");
    ASSERT_TRUE(f);
    ASSERT_EQ(f.press(W("Поиск")), Drive::Ok);
    EXPECT_EQ(kw::script::windows().size(), 1u) << "nothing opened";
    ASSERT_EQ(f.type("NAME_P", W("иван")), Drive::Ok);
    ASSERT_EQ(f.press(W("Поиск")), Drive::Ok);
    EXPECT_EQ(kw::script::windows().size(), 2u);
}

TEST_F(PledgeListsTest, TheQuickSearchMovesToTheTicket) {
    day(kToday);
    std::vector<kw::dict::ZalRecord> z;
    for (int i = 1; i <= 100; ++i) z.push_back(pledge(1000 + i, kToday - 5, 0));
    pledges(z);
    WindowDriver w = open(ZAL_TAB1, "Первый перезалог");
    ASSERT_TRUE(w);
    ASSERT_EQ(w.type("LOOK", "1077"), Drive::Ok);
    ASSERT_GT(w.choice(1), 0);
    EXPECT_EQ(w.cell(1, w.choice(1), 1), "1077");
}

TEST_F(PledgeListsTest, TheDetailPanelShowsTheHighlightedPledgeWithItsMetalAndStone) {
    metals();
    day(kToday);
    kw::dict::ZalRecord a = pledge(1, kToday - 5, 0, 100, "Первый Клиент");
    a.MET = 2;
    kw::dict::ZalRecord b = pledge(2, kToday - 5, 0, 100, "Второй Клиент");
    b.MET = 1;
    b.MET = 9;  // a metal that does not exist
    // The rows of a page share their metals' names: each row shows its own metal's.
    kw::dict::ZalRecord c = pledge(3, kToday - 5, 0, 100, "Третий Клиент");
    c.MET = 2;
    kw::dict::ZalRecord d = pledge(4, kToday - 5, 0, 100, "Четвёртый Клиент");
    d.MET = 1;
    pledges({a, b, c, d});
    WindowDriver w = open(ZAL_TAB1, "Первый перезалог");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.shown("ZAL:FIO"), W("Первый Клиент"));
    EXPECT_EQ(w.shown("MET_N"), W("Серебро"));
    ASSERT_EQ(w.selectRow(1, 2), Drive::Ok);
    EXPECT_EQ(w.shown("ZAL:FIO"), W("Второй Клиент"));
    EXPECT_EQ(w.shown("MET_N"), "");
    ASSERT_EQ(w.selectRow(1, 3), Drive::Ok);
    EXPECT_EQ(w.shown("MET_N"), W("Серебро"));
    ASSERT_EQ(w.selectRow(1, 4), Drive::Ok);
    EXPECT_EQ(w.shown("MET_N"), W("Золото"));
}

TEST_F(PledgeListsTest, TheOperationListsNeverRemoveAPledge) {
    day(kToday);
    pledges({pledge(1, kToday - 5, 0), pledge(2, kToday - 100, 3)});
    const std::string before = bytesOf("ZAL.DAT");
    for (const ListCase& c : {kOperationLists[1], kOperationLists[4], kOperationLists[5]}) {
        SCOPED_TRACE(c.title);
        WindowDriver w = open(c.procedure, c.title);
        ASSERT_TRUE(w);
        ASSERT_EQ(w.press(W("Удалить")), Drive::Ok);
        EXPECT_NE(boxText().find(W("Откат операции")), std::string::npos);
        ASSERT_EQ(boxes.reply("OK"), Drive::Ok);
        ASSERT_EQ(w.closeBox(), Drive::Ok);
        ASSERT_TRUE(w.waitClosed(5s));
    }
    EXPECT_EQ(bytesOf("ZAL.DAT"), before);
}

// The operation lists over pledges in every state, issued on many days and added out of
// ticket order: each shows exactly the pledges of its rule, in ticket order, from the
// first row to the last, and its quick search lands on the first of its pledges at or
// after the ticket typed, whether or not that ticket is in the list.
class OperationListRowsTest : public PledgeListsTest {
  protected:
    // Every row of the list, top to bottom, by moving the highlight down to the end.
    static std::vector<int> allTickets(WindowDriver& w) {
        std::vector<int> out;
        if (w.rows(1) == 0) return out;
        EXPECT_EQ(w.selectRow(1, 1), Drive::Ok);
        for (int guard = 0; guard < 1000; ++guard) {
            const int t = std::stoi(w.cell(1, w.choice(1), 1));
            if (!out.empty() && out.back() == t) break;
            out.push_back(t);
            EXPECT_EQ(w.key(1, kw::ui::key::Down), Drive::Ok);
        }
        return out;
    }
    std::vector<kw::dict::ZalRecord> book() {
        std::vector<kw::dict::ZalRecord> z;
        // 140 pledges: tickets 1000..1139 added in a scrambled order; the state cycles
        // through 0..6 (and one damaged state 9); issue dates from 300 days ago to today;
        // some prolonged.
        for (int i = 0; i < 140; ++i) {
            const int n = 1000 + (i * 53) % 140;
            const uint8_t state = n % 29 == 0 ? 9 : static_cast<uint8_t>((n * 3) % 7);
            const int32_t issued = n % 10 == 3 ? kToday : kToday - (n * 7) % 300;
            kw::dict::ZalRecord p = pledge(n, issued, state, 100 + n);
            if (state >= 1 && n % 2 == 0) p.DATA_P12 = p.DATA_K + 30;
            if (state >= 2 && n % 4 == 0) p.DATA_P22 = p.DATA_P12 + 30;
            z.push_back(p);
        }
        return z;
    }
};

TEST_F(OperationListRowsTest,
       EachListShowsItsPledgesInTicketOrderAndItsQuickSearchLandsOnTheNextOne) {
    day(kToday);
    const std::vector<kw::dict::ZalRecord> z = book();
    pledges(z);
    auto overdue = [](const kw::dict::ZalRecord& p) {
        return kToday - p.DATA_K > 30 && kToday - p.DATA_P12 > 30 && kToday - p.DATA_P22 > 30 &&
               kToday - p.DATA_P32 > 30 && p.SOST < 4;
    };
    const std::vector<std::pair<ListCase, std::function<bool(const kw::dict::ZalRecord&)>>> lists =
        {
            {kOperationLists[1], [](const auto& p) { return p.SOST == 0; }},
            {kOperationLists[2], [](const auto& p) { return p.SOST == 1; }},
            {kOperationLists[3], [](const auto& p) { return p.SOST == 2; }},
            {kOperationLists[4], [](const auto& p) { return p.SOST <= 3; }},
            {kOperationLists[5], overdue},
        };
    for (const auto& [c, rule] : lists) {
        SCOPED_TRACE(c.title);
        std::vector<int> expected;
        for (int n = 1000; n < 1140; ++n)
            for (const auto& p : z)
                if (p.N_KV == n && rule(p)) expected.push_back(n);
        ASSERT_GT(expected.size(), 10u);
        WindowDriver w = open(c.procedure, c.title);
        ASSERT_TRUE(w);
        EXPECT_EQ(allTickets(w), expected);
        // Quick search: a ticket of the list, one just before a pledge of the list that
        // is not in it, one below every pledge and one above them all.
        const int inList = expected[expected.size() / 2];
        int notIn = 0;
        for (std::size_t i = 1; i < expected.size() && notIn == 0; ++i)
            if (expected[i] - expected[i - 1] > 1) notIn = expected[i] - 1;
        ASSERT_NE(notIn, 0);
        for (const auto& [typed, lands] :
             std::vector<std::pair<int, int>>{{inList, inList},
                                              {notIn, notIn + 1},
                                              {5, expected.front()},
                                              {99999, expected.back()}}) {
            SCOPED_TRACE(typed);
            ASSERT_EQ(w.type("LOOK", std::to_string(typed)), Drive::Ok);
            ASSERT_GT(w.choice(1), 0);
            EXPECT_EQ(w.cell(1, w.choice(1), 1), std::to_string(lands));
        }
        ASSERT_EQ(w.closeBox(), Drive::Ok);
        ASSERT_TRUE(w.waitClosed(5s));
    }
    // The day's list: today's pledges in every state, by ticket.
    std::vector<int> today;
    for (int n = 1000; n < 1140; ++n)
        for (const auto& p : z)
            if (p.N_KV == n && p.DATA == kToday) today.push_back(n);
    WindowDriver w = open(ZAL_TAB, "Залоговые ссуды за день");
    ASSERT_TRUE(w);
    ASSERT_GT(today.size(), 5u);
    EXPECT_EQ(allTickets(w), today);
}

}  // namespace
}  // namespace kwpledge
