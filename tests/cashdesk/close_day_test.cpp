// Closing the business day (ZAC_D) and reopening it in an emergency (AVA_D): the
// totals on a worked example, the records written, the states that refuse the action,
// the confirmation box, and failed writes.
#include "cashdesk/day_texts.h"
#include "cashdesk_test_util.h"

namespace kwcash {
namespace {

using kw::cashdesk::closeBoxTitle;
using kw::cashdesk::closeDayTitle;
using kw::cashdesk::reopenDayTitle;

ZalRecord pledge(int32_t ticket, uint8_t state, int32_t issued, double paidOut) {
    ZalRecord z;
    z.N_KV = ticket;
    z.SOST = state;
    z.DATA = issued;
    z.S_VID = paidOut;
    z.S_CCYD = paidOut;
    return z;
}

KlmRecord entry(int32_t date, double receipt, double expense) {
    KlmRecord k;
    k.DATA = date;
    k.PRI = receipt;
    k.RAS = expense;
    k.NAME = W("Инкассация");
    return k;
}

class CloseDayTest : public CashdeskTest {
  protected:
    // The worked example: opening balance 10 000.00;
    //   ticket 1 issued today for 1000.00 and redeemed today for 1080.50 (state 4):
    //            expense 1000.00, receipt 1080.50, profit 80.50, nothing in circulation;
    //   ticket 2 the same but deleted (state 6): nothing;
    //   ticket 3 issued earlier for 2000.00, first prolongation today 30.00 + 5.00 +
    //            2.25 (state 1): in circulation 2000.00, receipt and profit 37.25;
    //   ticket 4 issued earlier for 400.00, handed over for sale today at 999.00
    //            (state 5): sales are not part of the day;
    //   ticket 5 issued earlier for 750.00, redeemed yesterday (state 4): nothing;
    //   journal: today +300.00 and -120.40; yesterday +1000.00 (not counted).
    // Receipts 1080.50 + 37.25 + 300.00 = 1417.75; expenses 1000.00 + 120.40 =
    // 1120.40; profit 80.50 + 37.25 = 117.75; in circulation 2000.00; balance
    // 10000.00 + 1417.75 - 1120.40 = 10297.35.
    void seedExample() {
        addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(10000)});
        addRecords(kw::dict::dayTable(),
                   std::vector{day(kToday - 1, 9000, 5000, 10000, 50), day(kToday, 10000)});
        ZalRecord a = pledge(1, 4, kToday, 1000);
        a.DATA_PRW = kToday;
        a.S_W = 1080.5;
        ZalRecord b = a;
        b.N_KV = 2;
        b.SOST = 6;
        ZalRecord c = pledge(3, 1, kToday - 40, 2000);
        c.DATA_PR1 = kToday;
        c.S_P_C1 = 30;
        c.S_P_X1 = 5;
        c.S_ST1 = 2.25;
        ZalRecord d = pledge(4, 5, kToday - 90, 400);
        d.DATA_R = kToday;
        d.S_R = 999;
        ZalRecord e = pledge(5, 4, kToday - 20, 750);
        e.DATA_PRW = kToday - 1;
        e.S_W = 800;
        addRecords(kw::dict::zalTable(), std::vector{a, b, c, d, e});
        addRecords(kw::dict::klmTable(),
                   std::vector{entry(kToday - 1, 1000, 0), entry(kToday, 300, 0),
                               entry(kToday, 0, 120.4)});
    }

    static void expectExampleShown(const WindowDriver& w) {
        EXPECT_EQ(w.shown("DATA_T"), "08.12.2025");
        EXPECT_EQ(w.shown("KAS_NN"), "10000.00");
        EXPECT_EQ(w.shown("T_PRI"), "1417.75");
        EXPECT_EQ(w.shown("T_RAS"), "1120.40");
        EXPECT_EQ(w.shown("TEK_O"), "10297.35");
        EXPECT_EQ(w.shown("OBO"), "2000.00");
        EXPECT_EQ(w.shown("PRIBI"), "117.75");
    }

    static void expectExampleClosed(const DayRecord& d) {
        EXPECT_EQ(d.DATA, kToday);
        EXPECT_NEAR(d.KAS_N, 10000, 1e-9);
        EXPECT_NEAR(d.OBO, 2000, 1e-9);
        EXPECT_NEAR(d.KAS, 10297.35, 1e-9);
        EXPECT_NEAR(d.PRIB, 117.75, 1e-9);
    }

    WindowDriver openWindow(void (*procedure)(), const std::string& title, int& thread) {
        thread = run(procedure);
        return window(title);
    }
};

TEST_F(CloseDayTest, ClosingStoresTheDaysTotalsAndCarriesTheBalanceOver) {
    seedExample();
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    expectExampleShown(w);
    EXPECT_EQ(days()[1].KAS, 0) << "showing the totals closes nothing";

    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда закрыт"));
    EXPECT_EQ(I_Z, 0);
    std::vector<DayRecord> d = days();
    ASSERT_EQ(d.size(), 2u);
    expectExampleClosed(d[1]);
    EXPECT_EQ(d[0].KAS, 10000) << "the day before is not touched";
    KbpRecord k = settings();
    EXPECT_NEAR(k.KAS_N, 10297.35, 1e-9);
    EXPECT_NEAR(k.KAS_P, 10297.35, 1e-9);

    // closed: pressing again changes nothing and says nothing new
    kw::dict::ZalRecord late = pledge(9, 0, kToday, 5000);
    addRecords(kw::dict::zalTable(), std::vector{late});
    confirm(w, W("Закрыть ???"), closeBoxTitle(), W("ОК"));
    expectExampleClosed(days()[1]);
    closeWith(w, W("Выход"), t);

    // the next day opens with the closing balance
    kw::clock::setToday(kToday + 1);
    t = run(O_DAY);
    WindowDriver o = window(kw::cashdesk::openDayTitle());
    confirm(o, W("Открыть???"), kw::cashdesk::openBoxTitle(), "OK");
    d = days();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[2].DATA, kToday + 1);
    EXPECT_NEAR(d[2].KAS_N, 10297.35, 1e-9);
    closeWith(o, "OK", t);
}

// The totals and the balance are exact in kopecks, and a balance carried over with a
// residue (554901.228, written before the amounts were kept in kopecks) goes on
// rounded. Ticket 1 issued today, 899.99 paid out; ticket 2 (paid out 900.00 earlier)
// redeemed today for 1000.10; ticket 3 (500.00 out) prolonged today for 0.10 + 0.20.
// Receipts 1000.10 + 0.30 = 1000.40, expenses 899.99, profit 100.10 + 0.30 = 100.40,
// in circulation 899.99 + 500.00 = 1399.99, balance 554901.23 + 1000.40 - 899.99 =
// 555001.64. Summed as doubles these give 0.30000000000000004 and 555001.638.
TEST_F(CloseDayTest, TotalsAndTheBalanceCarriedOverAreWholeKopecks) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(554901.228)});
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 554901.228)});
    ZalRecord a = pledge(1, 0, kToday, 899.99);
    ZalRecord b = pledge(2, 4, kToday - 10, 900);
    b.DATA_PRW = kToday;
    b.S_W = 1000.1;
    ZalRecord c = pledge(3, 1, kToday - 40, 500);
    c.DATA_PR1 = kToday;
    c.S_P_C1 = 0.1;
    c.S_P_X1 = 0.2;
    addRecords(kw::dict::zalTable(), std::vector{a, b, c});
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    EXPECT_EQ(w.shown("KAS_NN"), "554901.23");
    EXPECT_EQ(w.shown("TEK_O"), "555001.64");
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    closeWith(w, W("Выход"), t);
    const std::vector<DayRecord> d = days();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].KAS, 555001.64);
    EXPECT_EQ(d[0].OBO, 1399.99);
    EXPECT_EQ(d[0].PRIB, 100.4);
    const KbpRecord k = settings();
    EXPECT_EQ(k.KAS_N, 555001.64);
    EXPECT_EQ(k.KAS_P, 555001.64);
}

TEST_F(CloseDayTest, EmergencyReopeningGivesTheMorningBalanceBackAndTheNextClosingCountsOnce) {
    seedExample();
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    closeWith(w, "OK", t);

    WindowDriver a = openWindow(AVA_D, reopenDayTitle(), t);
    expectExampleShown(a);
    confirm(a, W("Открыть ???"), closeBoxTitle(), "OK");
    EXPECT_EQ(a.shown("MESSAGE"), W("День ломбарда аварийно открыт"));
    EXPECT_EQ(I_AZ, 0);
    DayRecord d = days()[1];
    EXPECT_EQ(d.OBO, 0);
    EXPECT_EQ(d.KAS, 0);
    EXPECT_EQ(d.PRIB, 0);
    EXPECT_EQ(d.KAS_N, 10000);
    KbpRecord k = settings();
    EXPECT_EQ(k.KAS_N, 10000);
    EXPECT_EQ(k.KAS_P, 0);
    // open again: a second press does nothing
    confirm(a, W("Открыть ???"), closeBoxTitle(), "OK");
    EXPECT_EQ(days()[1].KAS, 0);
    closeWith(a, W("Выход"), t);

    w = openWindow(ZAC_D, closeDayTitle(), t);
    expectExampleShown(w);
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    expectExampleClosed(days()[1]);
    EXPECT_NEAR(settings().KAS_N, 10297.35, 1e-9);
    closeWith(w, "OK", t);
}

TEST_F(CloseDayTest, ADayWithoutActivityClosesWithItsOpeningBalance) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(2500)});
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 2500)});
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    DayRecord d = days()[0];
    EXPECT_EQ(d.KAS, 2500);
    EXPECT_EQ(d.KAS_N, 2500);
    EXPECT_EQ(d.PRIB, 0);
    EXPECT_EQ(d.OBO, 0);
    EXPECT_EQ(settings().KAS_N, 2500);
    closeWith(w, "OK", t);
}

TEST_F(CloseDayTest, ADayClosedWithEveryTotalZeroStillCountsAsOpen) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(0)});
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 0)});
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    EXPECT_EQ(days()[0].KAS, 0);
    EXPECT_EQ(days()[0].OBO, 0);
    closeWith(w, "OK", t);
    t = run(O_DAY);
    WindowDriver o = window(kw::cashdesk::openDayTitle());
    EXPECT_EQ(o.shown("MESSAGE"), W("День ломбарда уже открыт"));
    closeWith(o, "OK", t);
}

TEST_F(CloseDayTest, TheFourthStateIsClosedForZacDAndReopenedByAvaD) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(800)});
    // money in the desk, nothing lent out
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 500, 0, 800, 300)});
    addRecords(kw::dict::zalTable(), std::vector{pledge(1, 0, kToday, 250)});
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    EXPECT_NE(w.shown("MESSAGE"), W("День ломбарда закрыт"));
    DayRecord d = days()[0];
    EXPECT_EQ(d.OBO, 0) << "not closed again";
    EXPECT_EQ(d.KAS, 800);
    EXPECT_EQ(settings().KAS_N, 800);
    closeWith(w, "OK", t);

    WindowDriver a = openWindow(AVA_D, reopenDayTitle(), t);
    confirm(a, W("Открыть ???"), closeBoxTitle(), "OK");
    EXPECT_EQ(a.shown("MESSAGE"), W("День ломбарда аварийно открыт"));
    d = days()[0];
    EXPECT_EQ(d.KAS, 0);
    EXPECT_EQ(d.PRIB, 0);
    EXPECT_EQ(settings().KAS_N, 500);
    closeWith(a, "OK", t);
}

TEST_F(CloseDayTest, ClosingNeedsAnOpenDayAndReopeningAClosedOne) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(100)});
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда не открыт"));
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда не открыт"));
    EXPECT_TRUE(days().empty());
    closeWith(w, "OK", t);

    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 100)});
    WindowDriver a = openWindow(AVA_D, reopenDayTitle(), t);
    confirm(a, W("Открыть ???"), closeBoxTitle(), "OK");
    EXPECT_NE(a.shown("MESSAGE"), W("День ломбарда аварийно открыт"));
    EXPECT_EQ(settings().KAS_N, 100);
    closeWith(a, "OK", t);
}

TEST_F(CloseDayTest, TheBoxClosedWithoutOkCancelsAndClearsTheFlag) {
    seedExample();
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "");
    EXPECT_EQ(I_Z, 0);
    EXPECT_EQ(days()[1].KAS, 0);
    // Esc on the box
    EXPECT_EQ(w.press(W("Закрыть ???")), Drive::Ok);
    WindowDriver box = window(closeBoxTitle());
    EXPECT_EQ(box.shown(1), W("Для выполнения задания нажмите ОК"));
    EXPECT_EQ(box.key(0, kw::ui::key::Esc), Drive::Ok);
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(I_Z, 0);
    EXPECT_EQ(days()[1].KAS, 0);
    // a refresh after the cancelled request closes nothing
    EXPECT_EQ(w.focus(w.find("OK")), Drive::Ok);
    EXPECT_EQ(days()[1].KAS, 0);
    closeWith(w, "OK", t);
    EXPECT_EQ(settings().KAS_N, 10000);
}

TEST_F(CloseDayTest, AFailedSettingsWriteLeavesTheDayOpenAndSaysSo) {
    seedExample();
    boxes.setAnswerTimeout(200ms);
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    {
        RecordHolder held(kw::dict::kbpTable());
        ASSERT_TRUE(held.held());
        const std::size_t before = boxes.shown().size();
        confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
        EXPECT_EQ(w.shown("MESSAGE"), W("Ошибка записи: день не закрыт"));
        EXPECT_GT(boxes.shown().size(), before) << "the error manager told the user";
        held.release();  // a held record cannot be read either
        EXPECT_EQ(days()[1].KAS, 0);
        EXPECT_EQ(days()[1].OBO, 0);
        EXPECT_EQ(settings().KAS_N, 10000);
        EXPECT_EQ(I_Z, 0);
    }
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда закрыт"));
    expectExampleClosed(days()[1]);
    closeWith(w, "OK", t);
}

TEST_F(CloseDayTest, AFailedDayWriteGivesTheSettingsBack) {
    seedExample();
    boxes.setAnswerTimeout(200ms);
    int t = 0;
    WindowDriver w = openWindow(ZAC_D, closeDayTitle(), t);
    {
        // DAY.DAT holds yesterday first: today's record is number 2
        RecordHolder held(kw::dict::dayTable(), 2);
        ASSERT_TRUE(held.held());
        confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
        EXPECT_EQ(w.shown("MESSAGE"), W("Ошибка записи: день не закрыт"));
        held.release();
        EXPECT_EQ(days()[1].KAS, 0);
        KbpRecord k = settings();
        EXPECT_EQ(k.KAS_N, 10000);
        EXPECT_EQ(k.KAS_P, 0);
    }
    ASSERT_EQ(days().size(), 2u);
    confirm(w, W("Закрыть ???"), closeBoxTitle(), "OK");
    expectExampleClosed(days()[1]);
    closeWith(w, "OK", t);

    // the same for the reopening
    WindowDriver a = openWindow(AVA_D, reopenDayTitle(), t);
    {
        RecordHolder held(kw::dict::dayTable(), 2);
        confirm(a, W("Открыть ???"), closeBoxTitle(), "OK");
        EXPECT_EQ(a.shown("MESSAGE"), W("Ошибка записи: день не открыт"));
        held.release();
        expectExampleClosed(days()[1]);
        EXPECT_NEAR(settings().KAS_N, 10297.35, 1e-9);
    }
    closeWith(a, "OK", t);
}

}  // namespace
}  // namespace kwcash
