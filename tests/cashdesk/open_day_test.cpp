// Opening the business day: O_DAY and its confirmation box OTK_M.
#include "cashdesk/day_texts.h"
#include "cashdesk_test_util.h"

namespace kwcash {
namespace {

using kw::cashdesk::openBoxTitle;
using kw::cashdesk::openDayTitle;

class OpenDayTest : public CashdeskTest {
  protected:
    // O_DAY, its button pressed and the box answered with `ok` ("" closes it).
    WindowDriver openWith(const std::string& ok, int& thread) {
        thread = run(O_DAY);
        WindowDriver w = window(openDayTitle());
        confirm(w, W("Открыть???"), openBoxTitle(), ok);
        return w;
    }
};

TEST_F(OpenDayTest, FirstOpeningEverAddsTodayWithTheOpeningBalanceAndOnlyOnce) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(12500.5)});
    int t = 0;
    WindowDriver w = openWith("OK", t);
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда открыт"));
    EXPECT_EQ(w.shown("DATA_T"), "08.12.2025");
    EXPECT_EQ(w.shown("KBP:KAS_N"), "12500.50");
    std::vector<DayRecord> d = days();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].DATA, kToday);
    EXPECT_EQ(d[0].KAS_N, 12500.5);
    EXPECT_EQ(d[0].OBO, 0);
    EXPECT_EQ(d[0].KAS, 0);
    EXPECT_EQ(d[0].PRIB, 0);
    EXPECT_EQ(I_OT, 0);

    // again, with the Cyrillic OK: nothing added
    confirm(w, W("Открыть???"), openBoxTitle(), W("ОК"));
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда уже открыт"));
    EXPECT_EQ(kw::W("День ломбарда уже открыт").size(), 24u);
    EXPECT_EQ(days().size(), 1u);
    closeWith(w, W("Выход"), t);
}

TEST_F(OpenDayTest, AClosedDayIsAnOldDayAlsoWithOneTotalZero) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(100)});
    for (auto [obo, kas] : {std::pair{5000.0, 300.0}, {0.0, 300.0}, {5000.0, 0.0}}) {
        kwtest::emptyTable(kw::dict::dayTable());
        addRecords(kw::dict::dayTable(), std::vector{day(kToday, 100, obo, kas, 20)});
        int t = 0;
        WindowDriver w = openWith("OK", t);
        EXPECT_EQ(w.shown("MESSAGE"), W("Это старый день !!!")) << obo << " " << kas;
        ASSERT_EQ(days().size(), 1u);
        EXPECT_EQ(days()[0].KAS, kas);
        closeWith(w, "OK", t);
    }
}

TEST_F(OpenDayTest, ClosingTheBoxWithoutOkOpensNothingAndClearsTheFlag) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(100)});
    int t = 0;
    WindowDriver w = openWith("", t);
    EXPECT_EQ(I_OT, 0);
    EXPECT_TRUE(days().empty());
    EXPECT_NE(w.shown("MESSAGE"), W("День ломбарда открыт"));
    // the flag of a later press is cleared when the window ends
    I_OT = 1;
    closeWith(w, W("Выход"), t);
    EXPECT_EQ(I_OT, 0);
    EXPECT_TRUE(days().empty());
}

TEST_F(OpenDayTest, AnEarlierDayLeftOpenIsNamedAndTodayOpensOnlyWhenTheOperatorGoesOn) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(700)});
    const int32_t yesterday = kToday - 1;
    addRecords(kw::dict::dayTable(),
               std::vector{day(kToday - 5, 100, 900, 600, 10), day(yesterday, 600)});
    boxes.answer(kw::msgbox::No);
    int t = 0;
    WindowDriver w = openWith("OK", t);
    kw::script::ShownBox b = lastBox();
    EXPECT_NE(b.text.find("07.12.2025"), std::string::npos) << kw::cp::toUtf8(b.text);
    EXPECT_EQ(b.buttons, kw::msgbox::Yes | kw::msgbox::No);
    EXPECT_EQ(days().size(), 2u);
    EXPECT_EQ(I_OT, 0);

    boxes.answer(kw::msgbox::Yes);
    confirm(w, W("Открыть???"), openBoxTitle(), "OK");
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда открыт"));
    std::vector<DayRecord> d = days();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[2].DATA, kToday);
    EXPECT_EQ(d[2].KAS_N, 700);
    closeWith(w, "OK", t);
}

TEST_F(OpenDayTest, AClosedDayBeforeTodayAsksNothing) {
    addRecords(kw::dict::kbpTable(), std::vector{kbpWithBalance(700)});
    addRecords(kw::dict::dayTable(), std::vector{day(kToday - 1, 600, 900, 700, 10)});
    const std::size_t before = boxes.shown().size();
    int t = 0;
    WindowDriver w = openWith("OK", t);
    EXPECT_EQ(boxes.shown().size(), before);
    EXPECT_EQ(w.shown("MESSAGE"), W("День ломбарда открыт"));
    EXPECT_EQ(days().size(), 2u);
    closeWith(w, "OK", t);
}

}  // namespace
}  // namespace kwcash
