// The full cost of the loan on the pledge forms as the operator sees it: the figures of
// the worked examples beside the loan, and OK refused above the limit in force (the
// message gives both figures, nothing is written) and let through at the limit.
#include "dictionary/psk.h"
#include "pledges/pledge_procedures.h"
#include "rules/pledge_state.h"
#include "zal_fixture.h"

namespace kwpledge {
namespace {

class FullCostForms : public PledgeTest {
  protected:
    void SetUp() override {
        PledgeTest::SetUp();
        workedLoanDay();
    }
    void limit(int32_t from, double percent) {
        kw::dict::PskRecord r;
        r.DATA = from;
        r.LIM = percent;
        add(kw::dict::pskTable(), std::vector{r});
    }
    // The new-pledge form with the worked example typed: 10 g at 1 000, 8 000 lent for
    // 30 days, 6 500 paid out.
    WindowDriver newLoan() {
        run(ZAL_TAB);
        list = window("Залоговые ссуды за день");
        EXPECT_TRUE(list);
        EXPECT_EQ(list.press(W("Добавить")), Drive::Ok);
        WindowDriver f = window("Добавить ???");
        EXPECT_TRUE(f);
        if (f) {
            EXPECT_EQ(f.type("ZAL:FIO", W("Иванов Иван")),
                      Drive::Ok);  // OK refuses a pledge without a client
            EXPECT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
        }
        return f;
    }
    // The first prolongation of pledge 7 (8 000 on 10 000 at 0.5 % and 0.1 %), 30 days.
    WindowDriver prolongation() {
        kw::dict::ZalRecord z = pledge(7, kToday - 30, 0, 10000);
        z.S_CCYD = 8000;
        z.P_CC_D = 0.5;
        z.P_XR_D = 0.1;
        pledges({z});
        run(ZAL_TAB1);
        list = window("Первый перезалог");
        EXPECT_TRUE(list);
        EXPECT_EQ(list.type("LOOK", "7"), Drive::Ok);
        EXPECT_EQ(list.press(W("Обработать")), Drive::Ok);
        WindowDriver f = window("Оформление  1-го перезалога");
        EXPECT_TRUE(f);
        if (f) {
            EXPECT_EQ(f.type("ZAL:KOL_D1", "30"), Drive::Ok);
        }
        return f;
    }
    // OK refused: the box's text; the form stays open and is then cancelled.
    std::string refusedOk(WindowDriver& f) {
        EXPECT_EQ(f.press("OK"), Drive::Ok);
        const std::string text = boxText();
        EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
        EXPECT_EQ(f.settle(), Drive::Ok);
        EXPECT_TRUE(f.isOpen()) << "the form stays open";
        return kw::cp::toUtf8(text);
    }

    WindowDriver list;
};

TEST_F(FullCostForms, TheNewLoanShowsItsFullCostAndWithoutALimitIsWritten) {
    WindowDriver f = newLoan();
    ASSERT_TRUE(f);
    // 1 500 / 6 500 x 365 / 30 x 100 = 280.769.
    EXPECT_EQ(f.shown("PSK_P"), "280.769");
    EXPECT_EQ(f.shown("PSK_S"), "1500.00");
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    EXPECT_EQ(zal().size(), 1u);
}

TEST_F(FullCostForms, ANewLoanAboveTheLimitInForceIsRefusedWithBothFigures) {
    limit(kToday - 100, 300);  // an older limit, no longer in force
    limit(kToday - 10, 280.768);
    limit(kToday + 1, 400);  // not yet in force
    WindowDriver f = newLoan();
    ASSERT_TRUE(f);
    EXPECT_EQ(
        refusedOk(f),
        "Полная стоимость займа 280.769 % годовых (1500.00 руб.) выше предела 280.768 % годовых. "
        "Займ не может быть выдан.");
    EXPECT_TRUE(zal().empty()) << "nothing written";
}

TEST_F(FullCostForms, ANewLoanAtTheLimitIsWritten) {
    limit(kToday, 280.769);
    WindowDriver f = newLoan();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    EXPECT_EQ(zal().size(), 1u);
}

TEST_F(FullCostForms, AProlongationShowsTheCostOfTheNewPeriodAndIsRefusedAboveTheLimit) {
    limit(kToday - 60, 228.124);
    WindowDriver f = prolongation();
    ASSERT_TRUE(f);
    // 40 x 30 + 10 x 30 = 1 500 on the loan of 8 000: 228.125 % a year.
    EXPECT_EQ(f.shown("PSK_P"), "228.125");
    EXPECT_EQ(f.shown("PSK_S"), "1500.00");
    EXPECT_EQ(
        refusedOk(f),
        "Полная стоимость займа 228.125 % годовых (1500.00 руб.) выше предела 228.124 % годовых. "
        "Займ не может быть выдан.");
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z[0].SOST, 0) << "not prolonged";
}

TEST_F(FullCostForms, AProlongationAtTheLimitIsWritten) {
    limit(kToday - 60, 228.125);
    WindowDriver f = prolongation();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z[0].SOST, 1);
}

}  // namespace
}  // namespace kwpledge
