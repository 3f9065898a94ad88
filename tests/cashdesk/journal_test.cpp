// The cash journal: KAS_ME's range, KAS_TAB's totals over the whole range, and
// UPDATEKLM's defaults and running counters.
#include "cashdesk_test_util.h"

namespace kwcash {
namespace {

constexpr int kList = 1;

KlmRecord entry(int32_t date, double receipt, double expense, const char* name = "Касса") {
    KlmRecord k;
    k.DATA = date;
    k.PRI = receipt;
    k.RAS = expense;
    k.NAME = W(name);
    k.FIO = W("Сидорова А.А.");
    return k;
}

class JournalTest : public CashdeskTest {
  protected:
    // KAS_ME with the range typed in, and the list it opened.
    WindowDriver listOf(const std::string& from, const std::string& to, int& thread) {
        thread = run(KAS_ME);
        menu_ = window(W("Внешние операции по кассе"));
        EXPECT_EQ(menu_.type("D1", from), Drive::Ok);
        EXPECT_EQ(menu_.type("D2", to), Drive::Ok);
        EXPECT_EQ(menu_.press(W("Запуск")), Drive::Ok);
        WindowDriver list = window(W("Внешние операции по кассе"));
        EXPECT_NE(list.model(), menu_.model());
        return list;
    }

    // Runs the form with a button of the list; the form's window.
    WindowDriver form(WindowDriver& list, const char* button, const char* title) {
        EXPECT_EQ(list.press(W(button)), Drive::Ok);
        return window(W(title));
    }

    void closeAll(WindowDriver& list, int thread) {
        EXPECT_EQ(list.press(W("Закрыть")), Drive::Ok);
        EXPECT_EQ(menu_.settle(), Drive::Ok);
        closeWith(menu_, W("Закрыть окно"), thread);
    }

    WindowDriver menu_;
};

TEST_F(JournalTest, AnEmptyRangeShowsNoEntriesAndZeroTotals) {
    addRecords(kw::dict::klmTable(), std::vector{entry(kToday, 10, 20), entry(kToday - 1, 30, 40)});
    int t = 0;
    WindowDriver list = listOf("08.12.2025", "07.12.2025", t);
    EXPECT_EQ(list.rows(kList), 0);
    EXPECT_EQ(list.shown("I_PRI"), "0.00");
    EXPECT_EQ(list.shown("I_RAS"), "0.00");
    EXPECT_EQ(D1, kToday);
    EXPECT_EQ(D2, kToday - 1);
    closeAll(list, t);
}

TEST_F(JournalTest, TotalsCoverTheWholeRangeNotOnlyThePage) {
    // 40 entries over 5 days: entry i on day kToday - i % 5, receipt i x 10.00,
    // expense i x 1.50. The range is the last three days: i % 5 in {0, 1, 2}.
    std::vector<KlmRecord> all;
    for (int i = 1; i <= 40; ++i) all.push_back(entry(kToday - i % 5, i * 10.0, i * 1.5));
    addRecords(kw::dict::klmTable(), all);
    // i = 5, 10, ..., 40 (sum 180); 1, 6, ..., 36 (sum 148); 2, 7, ..., 37 (sum 156):
    // 24 entries, receipts 484 x 10.00 = 4840.00, expenses 484 x 1.50 = 726.00
    int t = 0;
    WindowDriver list = listOf("06.12.2025", "08.12.2025", t);
    EXPECT_EQ(list.rows(kList), 15) << "one page";
    EXPECT_EQ(list.shown("I_PRI"), "4840.00");
    EXPECT_EQ(list.shown("I_RAS"), "726.00");
    EXPECT_EQ(list.cell(kList, 1, 1), "06.12.2025");
    EXPECT_EQ(list.cell(kList, 1, 4), "3.00");  // i = 2
    closeAll(list, t);
}

TEST_F(JournalTest, TotalsAndCountersFollowInsertChangeAndDelete) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(0)});
    kw::dict::SecRecord op;
    op.K_POL = 6;
    op.FIO = W("Иванова И.И.");
    addRecords(kw::dict::secTable(), std::vector{op});
    addRecords(kw::dict::klmTable(), std::vector{entry(kToday, 1000, 0)});
    int t = 0;
    WindowDriver list = listOf("08.12.2025", "08.12.2025", t);
    EXPECT_EQ(list.shown("I_PRI"), "1000.00");

    WindowDriver f = form(list, "Добавить", "Добавить ???");
    EXPECT_EQ(f.shown("KLM:DATA"), "08.12.2025") << "today by default";
    EXPECT_EQ(f.shown("KLM:FIO"), W("Иванова И.И.")) << "the operator by default";
    EXPECT_EQ(f.type("KLM:PRI", "100"), Drive::Ok);
    EXPECT_EQ(f.type("KLM:RAS", "20.5"), Drive::Ok);
    EXPECT_EQ(f.type("KLM:NAME", W("Сдача в банк")), Drive::Ok);
    EXPECT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_EQ(list.settle(), Drive::Ok);
    EXPECT_EQ(list.rows(kList), 2);
    EXPECT_EQ(list.shown("I_PRI"), "1100.00");
    EXPECT_EQ(list.shown("I_RAS"), "20.50");
    EXPECT_EQ(settings().KAS_P, 100);
    EXPECT_EQ(settings().KAS_R, 20.5);

    // change the new entry's receipt from 100 to 150: the counter grows by 150
    int row = 0;
    for (int r = 1; r <= list.rows(kList); ++r)
        if (list.cell(kList, r, 3) == "100.00") row = r;
    ASSERT_NE(row, 0);
    EXPECT_EQ(list.selectRow(kList, row), Drive::Ok);
    f = form(list, "Изменить", "Изменить ???");
    EXPECT_EQ(f.type("KLM:PRI", "150"), Drive::Ok);
    EXPECT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_EQ(list.settle(), Drive::Ok);
    EXPECT_EQ(list.shown("I_PRI"), "1150.00");
    EXPECT_EQ(settings().KAS_P, 250);
    EXPECT_EQ(settings().KAS_R, 41);

    // delete it: its amounts are added once more
    for (int r = 1; r <= list.rows(kList); ++r)
        if (list.cell(kList, r, 3) == "150.00") row = r;
    EXPECT_EQ(list.selectRow(kList, row), Drive::Ok);
    f = form(list, "Удалить", "Удалить");
    EXPECT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_EQ(list.settle(), Drive::Ok);
    EXPECT_EQ(list.rows(kList), 1);
    EXPECT_EQ(list.shown("I_PRI"), "1000.00");
    EXPECT_EQ(list.shown("I_RAS"), "0.00");
    EXPECT_EQ(settings().KAS_P, 400);
    EXPECT_EQ(settings().KAS_R, 61.5);
    EXPECT_EQ(journal().size(), 1u);
    closeAll(list, t);
}

TEST_F(JournalTest, ABlankedNameOrDateIsFilledAgain) {
    kw::dict::SecRecord op;
    op.K_POL = 6;
    op.FIO = W("Иванова И.И.");
    addRecords(kw::dict::secTable(), std::vector{op});
    int t = 0;
    WindowDriver list = listOf("01.12.2025", "31.12.2025", t);
    WindowDriver f = form(list, "Добавить", "Добавить ???");
    EXPECT_EQ(f.type("KLM:FIO", W("Петров")), Drive::Ok);
    EXPECT_EQ(f.shown("KLM:FIO"), W("Петров")) << "a typed name stays";
    EXPECT_EQ(f.type("KLM:FIO", ""), Drive::Ok);
    EXPECT_EQ(f.shown("KLM:FIO"), W("Иванова И.И."));
    EXPECT_EQ(f.type("KLM:DATA", ""), Drive::Ok);
    EXPECT_EQ(f.shown("KLM:DATA"), "08.12.2025");
    boxes.answer(kw::msgbox::Yes);  // close without saving what was typed
    EXPECT_EQ(f.press(W("Закрыть")), Drive::Ok);
    // The form closes after the box is answered: on a loaded machine the list may
    // settle before it has gone, and the list's own button is then blocked.
    EXPECT_TRUE(f.waitClosed(10s));
    EXPECT_EQ(list.settle(), Drive::Ok);
    EXPECT_TRUE(journal().empty());
    closeAll(list, t);
}

}  // namespace
}  // namespace kwcash
