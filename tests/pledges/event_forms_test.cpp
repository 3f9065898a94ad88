// The forms of a pledge's later events as the operator works them through their lists:
// a whole life cycle over several days, the refusals that keep an event from being
// recorded twice, cancels that leave the file as it was.
#include "pledges/pledge_procedures.h"
#include "rules/pledge_state.h"
#include "zal_fixture.h"

namespace kwpledge {
namespace {

class EventFormsTest : public PledgeTest {
  protected:
    void SetUp() override {
        PledgeTest::SetUp();
        kw::dict::KbpRecord k = exampleSettings();
        k.P0 = 2;
        k.P1 = 2;
        k.P2 = 2;
        k.P3 = 2;
        k.P11 = 1;
        k.P22 = 1;
        k.P33 = 1;
        k.SW = 5000;
        k.SD = 10;
        settings(k);
        metals();
        price(1, 583, 1000);
        user(6, "Кузнецов Павел Андреевич");
    }
    // Opens `list`, highlights ticket `n` and opens its form with "Обработать".
    WindowDriver openForm(void (*list)(), const char* listTitle, const char* formTitle, int n) {
        run(list);
        WindowDriver l = window(listTitle);
        EXPECT_TRUE(l);
        if (!l) return l;
        lists.push_back(l);
        EXPECT_EQ(l.type("LOOK", std::to_string(n)), Drive::Ok);
        EXPECT_EQ(l.press(W("Обработать")), Drive::Ok);
        return window(formTitle);
    }
    void closeLists() {
        for (WindowDriver& l : lists) {
            if (l.isOpen()) {
                EXPECT_EQ(l.closeBox(), Drive::Ok);
                EXPECT_TRUE(l.waitClosed(5s));
            }
        }
        lists.clear();
    }
    // OK on a form and its list closed.
    void ok(WindowDriver& f) {
        ASSERT_EQ(f.press("OK"), Drive::Ok);
        ASSERT_TRUE(f.waitClosed(5s));
        EXPECT_TRUE(closeTicketDialog());
        closeLists();
    }
    // The fields of the only pledge as the data-file tool dumps them.
    std::map<std::string, std::string> dumped() {
        std::map<std::string, std::string> out;
        const std::string cmd =
            std::string(KW_BINARY_DIR) + "/kestrowd-file dump ZAL.DAT > dump.csv";
        if (std::system(cmd.c_str()) != 0) return out;
        std::ifstream in("dump.csv");
        std::string header, row;
        std::getline(in, header);
        std::getline(in, row);
        std::stringstream h(header), r(row);
        for (std::string name, cell; std::getline(h, name, ',') && std::getline(r, cell, ',');)
            out[name] = cell;
        return out;
    }

    std::vector<WindowDriver> lists;
};

TEST_F(EventFormsTest, AWholeLifeCycleIssueThreeProlongationsAndRedemption) {
    const int32_t d0 = kToday;
    for (int32_t d : {d0, d0 + 33, d0 + 60, d0 + 80, d0 + 100}) day(d);

    // Issue: 10 g, the worked example: 8000 lent, 6500 paid out, 30 days.
    run(ZAL_TAB);
    WindowDriver l = window("Залоговые ссуды за день");
    ASSERT_TRUE(l);
    lists.push_back(l);
    ASSERT_EQ(l.press(W("Добавить")), Drive::Ok);
    WindowDriver f = window("Добавить ???");
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ok(f);
    auto z = dumped();
    EXPECT_EQ(z["SOST"], "0");
    EXPECT_EQ(z["S_VID"], "6500");
    EXPECT_EQ(z["DATA_K"], std::to_string(d0 + 30));

    // 1st prolongation three days late, for 20 days: penalty 300, interest 1200,
    // storage 300.
    kw::clock::setToday(d0 + 33);
    f = openForm(ZAL_TAB1, "Первый перезалог", "Оформление  1-го перезалога", 1001);
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:KOL_D1", "20"), Drive::Ok);
    EXPECT_EQ(f.shown("D_PRO1"), "3");
    EXPECT_EQ(f.shown("ZAL:S_POL1"), "1800.00");
    ok(f);
    z = dumped();
    EXPECT_EQ(z["SOST"], "1");
    EXPECT_EQ(z["DATA_PR1"], std::to_string(d0 + 33));
    EXPECT_EQ(z["DATA_P12"], std::to_string(d0 + 53));
    EXPECT_EQ(z["S_ST1"], "300");
    EXPECT_EQ(z["S_P_C1"], "1200");
    EXPECT_EQ(z["S_POL1"], "1800");

    // 2nd, 7 days after the 1st period ended: 20 days charged, penalty 7 x 100.
    kw::clock::setToday(d0 + 60);
    f = openForm(ZAL_TAB2, "Второй перезалог", "Оформление  2-го перезалога", 1001);
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:KOL_D2", "30"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_POL2"), "1700.00") << "20 x 40 + 20 x 10 + 7 x 80 + 7 x 20";
    ok(f);
    z = dumped();
    EXPECT_EQ(z["SOST"], "2");
    EXPECT_EQ(z["S_ST2"], "700");
    EXPECT_EQ(z["DATA_P22"], std::to_string(d0 + 90));

    // 3rd, 20 days into the 2nd period (early): 20 days, no penalty.
    kw::clock::setToday(d0 + 80);
    f = openForm(ZAL_TAB3, "Третий перезалог", "Оформление  3-го перезалога", 1001);
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:KOL_D3", "30"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_POL3"), "1000.00");
    ok(f);
    z = dumped();
    EXPECT_EQ(z["SOST"], "3");
    EXPECT_EQ(z["S_POL3"], "1000");
    EXPECT_EQ(z["DATA_P32"], std::to_string(d0 + 110));

    // Redemption 20 days into the 3rd period: 6500 + 20 x 50.
    kw::clock::setToday(d0 + 100);
    f = openForm(ZAL_TABV, "Выкуп заложенной вещи", "Оформление  выкупа заложенной вещи", 1001);
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:S_W"), "7500.00");
    ok(f);
    z = dumped();
    EXPECT_EQ(z["SOST"], "4");
    EXPECT_EQ(z["DATA_PRW"], std::to_string(d0 + 100));
    EXPECT_EQ(z["S_W"], "7500");
    EXPECT_EQ(z["S_P_CW"], "800");
    EXPECT_EQ(z["S_STW"], "0");
    EXPECT_EQ(z["S_POL1"], "1800") << "the earlier groups stay";

    // A redeemed pledge is offered by no operation list.
    for (auto [list, title] : std::vector<std::pair<void (*)(), const char*>>{
             {ZAL_TAB1, "Первый перезалог"},
             {ZAL_TABV, "Выкуп заложенной вещи"},
             {ZAL_TABR, "Передача заложенной вещи на реализацию"}}) {
        run(list);
        WindowDriver w = window(title);
        ASSERT_TRUE(w);
        EXPECT_EQ(w.rows(1), 0) << title;
        ASSERT_EQ(w.closeBox(), Drive::Ok);
        ASSERT_TRUE(w.waitClosed(5s));
    }
}

TEST_F(EventFormsTest, CancellingAnEventFormLeavesTheFileByteForByte) {
    day(kToday);
    kw::dict::ZalRecord p = pledge(7, kToday - 100, 0, 10000);
    pledges({p});
    const std::string before = bytesOf("ZAL.DAT");
    struct Case {
        void (*list)();
        const char* listTitle;
        const char* formTitle;
    };
    for (const Case& c :
         {Case{ZAL_TAB1, "Первый перезалог", "Оформление  1-го перезалога"},
          Case{ZAL_TABV, "Выкуп заложенной вещи", "Оформление  выкупа заложенной вещи"},
          Case{ZAL_TABR, "Передача заложенной вещи на реализацию",
               "Оформление  передачи заложенной вещи на реализацию"}}) {
        SCOPED_TRACE(c.formTitle);
        WindowDriver f = openForm(c.list, c.listTitle, c.formTitle, 7);
        ASSERT_TRUE(f);
        ASSERT_EQ(f.press(W("Рассчитать ???")), Drive::Ok);
        WindowDriver ras = window("Расчет параметров ссуды");
        ASSERT_TRUE(ras);
        ASSERT_EQ(ras.press("OK"), Drive::Ok);
        boxes.answer(kw::msgbox::Yes);  // close without saving what was computed
        ASSERT_EQ(f.press(W("Закрыть")), Drive::Ok);
        ASSERT_TRUE(f.waitClosed(5s));
        closeLists();
        EXPECT_EQ(bytesOf("ZAL.DAT"), before);
    }
}

TEST_F(EventFormsTest, APledgeRedeemedMeanwhileIsNotProlonged) {
    day(kToday);
    pledges({pledge(7, kToday - 20, 0, 10000)});
    run(ZAL_TAB1);
    WindowDriver l = window("Первый перезалог");
    ASSERT_TRUE(l);
    // Another station redeems the pledge after the list was drawn.
    onThread(62, [] {
        kw::storage::File f(kw::dict::zalTable());
        ASSERT_TRUE(f.open().ok());
        ASSERT_TRUE(f.next().ok());
        ZAL.SOST = 4;
        ZAL.S_W = 1234;
        ASSERT_TRUE(f.put().ok());
        ASSERT_TRUE(f.close().ok());
    });
    const std::string before = bytesOf("ZAL.DAT");
    ASSERT_EQ(l.press(W("Обработать")), Drive::Ok);
    EXPECT_NE(boxText().find(W("уже в другом состоянии")), std::string::npos) << boxText();
    ASSERT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_FALSE(kw::script::waitWindow(W("Оформление  1-го перезалога"), 200ms));
    EXPECT_EQ(bytesOf("ZAL.DAT"), before);
}

TEST_F(EventFormsTest, TwoStationsRedeemingOneAtATimeTheSecondIsRefused) {
    day(kToday);
    pledges({pledge(7, kToday - 10, 0, 10000)});
    WindowDriver f =
        openForm(ZAL_TABV, "Выкуп заложенной вещи", "Оформление  выкупа заложенной вещи", 7);
    ASSERT_TRUE(f);
    // The other station redeems it while this form is open.
    onThread(62, [] {
        kw::storage::File file(kw::dict::zalTable());
        ASSERT_TRUE(file.open().ok());
        ASSERT_TRUE(file.next().ok());
        ZAL.SOST = 4;
        ZAL.DATA_PRW = kToday;
        ZAL.S_W = 7777;
        ASSERT_TRUE(file.put().ok());
        ASSERT_TRUE(file.close().ok());
    });
    const std::string theirs = bytesOf("ZAL.DAT");
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_FALSE(boxText().empty()) << "the write is refused: changed by another station";
    ASSERT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_EQ(bytesOf("ZAL.DAT"), theirs);
    if (f.isOpen()) {
        ASSERT_EQ(f.press("OK"), Drive::Ok);
        EXPECT_NE(boxText().find(W("изменен другой кассой")), std::string::npos) << boxText();
        boxes.answer(kw::msgbox::Ok);
        EXPECT_TRUE(f.waitClosed(5s));
    }
    EXPECT_EQ(bytesOf("ZAL.DAT"), theirs) << "nothing recorded twice";
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_DOUBLE_EQ(z[0].S_W, 7777);
}

// An event form's insert writes only a pledge a loan can rest on: the name alone is
// refused, with the weight, price, loan and amount paid out typed it is written.
TEST_F(EventFormsTest, AnInsertFromAnOperationListWritesANewPledgeInTheFormsState) {
    day(kToday);
    run(ZAL_TAB2);
    WindowDriver l = window("Второй перезалог");
    ASSERT_TRUE(l);
    ASSERT_EQ(l.press(W("Добавить")), Drive::Ok);
    WindowDriver f = window("Оформление  2-го перезалога");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:N_KV"), "1") << "the count of records plus one";
    ASSERT_EQ(f.type("ZAL:FIO", W("Перенесён из журнала")), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), W("Вес чистый должен быть больше нуля"));
    EXPECT_TRUE(f.isOpen());
    EXPECT_TRUE(zal().empty());
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:Z1G", "1000"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "10000.00");
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), W("Сумма ссуды должна быть больше нуля"));
    ASSERT_EQ(f.type("ZAL:S_CCYD", "8000"), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), W("Сумма к выдаче должна быть больше нуля"));
    EXPECT_TRUE(zal().empty());
    ASSERT_EQ(f.type("ZAL:S_VID", "6500"), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z[0].SOST, kw::pledges::kProlonged2);
    EXPECT_EQ(z[0].DATA_PR2, kToday);
}

}  // namespace
}  // namespace kwpledge
