// The roll-back of a pledge operation: OTK_TAB's list and OTK_FORM's clearing of the
// groups beyond the state entered, with its refusals.
#include <cstring>

#include "cashdesk_test_util.h"

namespace kwcash {
namespace {

constexpr int kList = 3;  // OTK_TAB's list

// Ticket 501: issued 60 days ago, prolonged on 28.11 and today, redeemed today.
ZalRecord prolongedTwiceRedeemedToday() {
    ZalRecord z;
    z.N_KV = 501;
    z.FIO = W("Кузнецов К.К.");
    z.MET = 2;
    z.KAM = 3;
    z.DATA = kToday - 60;
    z.DATA_K = kToday - 30;
    z.S_OZEN = 5000;
    z.S_CCYD = 3000;
    z.S_VID = 2800;
    z.DATA_PR1 = kToday - 10, z.S_ST1 = 12, z.DATA_P11 = kToday - 10, z.KOL_D1 = 10,
    z.DATA_P12 = kToday;
    z.S_P_C1 = 90, z.S_P_X1 = 15, z.S_POL1 = 117;
    z.DATA_PR2 = kToday, z.S_ST2 = 3, z.DATA_P21 = kToday, z.KOL_D2 = 30, z.DATA_P22 = kToday + 30;
    z.S_P_C2 = 270, z.S_P_X2 = 45, z.S_POL2 = 318;
    z.DATA_PRW = kToday, z.S_STW = 1, z.S_P_CW = 2, z.S_P_XW = 3, z.S_W = 2806;
    z.SOST = 4;
    return z;
}

ZalRecord other(int32_t ticket) {
    ZalRecord z;
    z.N_KV = ticket;
    z.DATA = kToday - 5;
    z.DATA_K = kToday + 25;
    z.S_VID = 100;
    return z;
}

class RollbackTest : public CashdeskTest {
  protected:
    void seed(const ZalRecord& z) {
        addRecords(kw::dict::zalTable(), std::vector{other(100), z, other(900)});
        kw::dict::MetRecord gold;
        gold.KOD = 2;
        gold.NAME = W("Золото");
        addRecords(kw::dict::metTable(), std::vector{gold});
        kw::dict::KamRecord stone;
        stone.KOD = 3;
        stone.NAME = W("Бриллиант");
        addRecords(kw::dict::kamTable(), std::vector{stone});
    }

    WindowDriver list(int& thread) {
        thread = run(OTK_TAB);
        return window(W("Просмотр/восстановление статуса записи"));
    }

    // Puts the highlighted... row `row` into state `state` through OTK_FORM; the form,
    // still open when the state was refused.
    WindowDriver setState(WindowDriver& l, int row, const std::string& state) {
        EXPECT_EQ(l.selectRow(kList, row), Drive::Ok);
        EXPECT_EQ(l.press(W("Установить/Восстановить")), Drive::Ok);
        WindowDriver f = window(W("Восстановление статуса записи"));
        EXPECT_EQ(f.type("ZAL:SOST", state), Drive::Ok);
        EXPECT_EQ(f.press("OK"), Drive::Ok);
        return f;
    }

    // Closes day `date` as another station: its totals stored.
    static void closeDayAs(int32_t date) {
        onThread(62, [date] {
            kw::storage::File d(kw::dict::dayTable());
            ASSERT_TRUE(d.open().ok());
            while (d.next().ok()) {
                if (DAY.DATA != date) continue;
                DAY.KAS = 1500;
                DAY.OBO = 700;
                ASSERT_TRUE(d.put().ok());
            }
            ASSERT_TRUE(d.close().ok());
        });
    }

    static ZalRecord onDisk(int32_t ticket) {
        for (const ZalRecord& z : pledges())
            if (z.N_KV == ticket) return z;
        return ZalRecord{};
    }
};

TEST_F(RollbackTest, TheListShowsEveryPledgeWithItsStateInBlueAndTheHighlightedOnesDetails) {
    ZalRecord z = prolongedTwiceRedeemedToday();
    seed(z);
    int t = 0;
    WindowDriver l = list(t);
    ASSERT_EQ(l.rows(kList), 3);
    EXPECT_EQ(l.cell(kList, 2, 1), "501");
    EXPECT_EQ(l.cell(kList, 2, 7), "4");
    EXPECT_EQ(l.columnColor(kList, 7), 0xFF0000u) << "blue as a Windows colour value";
    EXPECT_EQ(l.columnColor(kList, 1), kw::ui::Column::kDefaultColor);
    EXPECT_EQ(l.selectRow(kList, 2), Drive::Ok);
    EXPECT_EQ(l.shown("ZAL:FIO"), W("Кузнецов К.К."));
    EXPECT_EQ(l.shown("MET_N"), W("Золото"));
    EXPECT_EQ(l.shown("KAM_N"), W("Бриллиант"));
    EXPECT_EQ(l.shown("DATA_W"), "07.01.2026") << "the end of the second prolongation";
    EXPECT_EQ(l.selectRow(kList, 1), Drive::Ok);
    EXPECT_EQ(l.shown("MET_N"), "");
    EXPECT_EQ(l.shown("DATA_W"), "02.01.2026") << "the loan's own end";
    // the quick search: the digits typed show in LOOK and the highlight follows
    EXPECT_EQ(l.focus(kList), Drive::Ok);
    EXPECT_EQ(l.key(kList, '5'), Drive::Ok);
    EXPECT_EQ(l.shown("LOOK"), "5");
    EXPECT_EQ(l.cell(kList, l.choice(kList), 1), "100") << "the first ticket from 5 on";
    for (char c : std::string("01")) EXPECT_EQ(l.key(kList, c), Drive::Ok);
    EXPECT_EQ(l.shown("LOOK"), "501");
    EXPECT_EQ(l.cell(kList, l.choice(kList), 1), "501");
    // selecting the search field starts afresh
    EXPECT_EQ(l.focus(l.findUse("LOOK")), Drive::Ok);
    EXPECT_EQ(l.shown("LOOK"), "");
    closeWith(l, W("Закрыть"), t);
}

TEST_F(RollbackTest, StateOneClearsTheLaterGroupsAndKeepsTheFirstProlongation) {
    const ZalRecord before = prolongedTwiceRedeemedToday();
    seed(before);
    int t = 0;
    WindowDriver l = list(t);
    WindowDriver f = setState(l, 2, "1");
    EXPECT_TRUE(f.waitClosed(5s));
    EXPECT_EQ(l.settle(), Drive::Ok);
    EXPECT_EQ(l.cell(kList, 2, 7), "1");
    const ZalRecord z = onDisk(501);
    EXPECT_EQ(z.SOST, 1);
    // the first prolongation and everything before it stay
    EXPECT_EQ(z.DATA_PR1, before.DATA_PR1);
    EXPECT_EQ(z.DATA_P12, before.DATA_P12);
    EXPECT_EQ(z.S_POL1, 117);
    EXPECT_EQ(z.S_VID, 2800);
    EXPECT_EQ(z.FIO, before.FIO);
    // the second prolongation (whose end is what the second-prolongation list looks
    // at), the third, the redemption and the sale are gone
    ZalRecord cleared = before;
    cleared.SOST = 1;
    cleared.DATA_PR2 = 0, cleared.S_ST2 = 0, cleared.DATA_P21 = 0, cleared.KOL_D2 = 0,
    cleared.DATA_P22 = 0;
    cleared.S_P_C2 = 0, cleared.S_P_X2 = 0, cleared.S_POL2 = 0;
    cleared.DATA_PRW = 0, cleared.S_STW = 0, cleared.S_P_CW = 0, cleared.S_P_XW = 0,
    cleared.S_W = 0;
    EXPECT_EQ(std::memcmp(&z, &cleared, sizeof z), 0);
    closeWith(l, W("Закрыть"), t);
}

TEST_F(RollbackTest, ARedemptionOfAClosedDayIsNotRolledBack) {
    ZalRecord before = prolongedTwiceRedeemedToday();
    before.DATA_PRW = kToday - 1;
    seed(before);
    addRecords(kw::dict::dayTable(),
               std::vector{day(kToday - 1, 1000, 500, 1200, 20), day(kToday, 1200)});
    int t = 0;
    WindowDriver l = list(t);
    WindowDriver f = setState(l, 2, "1");
    const kw::script::ShownBox b = lastBox();
    EXPECT_FALSE(b.answered);
    EXPECT_NE(b.text.find("07.12.2025"), std::string::npos) << kw::cp::toUtf8(b.text);
    EXPECT_NE(b.text.find(W("выкуп")), std::string::npos) << kw::cp::toUtf8(b.text);
    EXPECT_NE(b.text.find(W("закрыт")), std::string::npos) << kw::cp::toUtf8(b.text);
    EXPECT_EQ(boxes.reply(kw::msgbox::Ok), Drive::Ok);
    EXPECT_TRUE(f.isOpen()) << "the form stays for another state";
    ZalRecord z = onDisk(501);
    EXPECT_EQ(std::memcmp(&z, &before, sizeof z), 0);

    // a state above 6 is refused too
    EXPECT_EQ(f.type("ZAL:SOST", "7"), Drive::Ok);
    EXPECT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_NE(lastBox().text.find(W("от 0 до 6")), std::string::npos);
    EXPECT_EQ(boxes.reply(kw::msgbox::Ok), Drive::Ok);
    z = onDisk(501);
    EXPECT_EQ(std::memcmp(&z, &before, sizeof z), 0);
    boxes.answer(kw::msgbox::Yes);  // close without saving the state typed
    EXPECT_EQ(f.press(W("Закрыть окно")), Drive::Ok);
    EXPECT_TRUE(f.waitClosed(5s));
    closeWith(l, W("Закрыть"), t);
}

// Only a closed day refuses: a prolongation of a day never opened and a redemption of
// an earlier day left open are cleared (their money is counted when those days close);
// a redemption of today is refused once today is closed.
TEST_F(RollbackTest, EventsOfDaysStillOpenAreRolledBackAndThoseOfAClosedTodayAreNot) {
    ZalRecord before = prolongedTwiceRedeemedToday();
    before.DATA_PR2 = kToday - 3;  // no DAY record
    before.DATA_PRW = kToday - 1;  // a day opened and never closed
    seed(before);
    addRecords(kw::dict::dayTable(), std::vector{day(kToday - 1, 1000), day(kToday, 1000)});
    int t = 0;
    WindowDriver l = list(t);
    WindowDriver f = setState(l, 2, "1");
    EXPECT_TRUE(f.waitClosed(5s));
    EXPECT_EQ(boxes.count(), 0u);
    ZalRecord z = onDisk(501);
    EXPECT_EQ(z.SOST, 1);
    EXPECT_EQ(z.DATA_PR2, 0);
    EXPECT_EQ(z.S_POL2, 0);
    EXPECT_EQ(z.DATA_PRW, 0);
    EXPECT_EQ(z.S_W, 0);
    EXPECT_EQ(z.S_POL1, 117) << "the first prolongation stays";
    closeWith(l, W("Закрыть"), t);

    // The same pledge redeemed today, and today closed.
    ZalRecord redeemed = prolongedTwiceRedeemedToday();
    redeemed.N_KV = 502;
    addRecords(kw::dict::zalTable(), std::vector{redeemed});
    closeDayAs(kToday);
    l = list(t);
    f = setState(l, 3, "3");
    const kw::script::ShownBox b = lastBox();
    EXPECT_NE(b.text.find(W("выкуп")), std::string::npos) << kw::cp::toUtf8(b.text);
    EXPECT_NE(b.text.find("08.12.2025"), std::string::npos) << kw::cp::toUtf8(b.text);
    EXPECT_EQ(boxes.reply(kw::msgbox::Ok), Drive::Ok);
    z = onDisk(502);
    EXPECT_EQ(std::memcmp(&z, &redeemed, sizeof z), 0);
    boxes.answer(kw::msgbox::Yes);  // closing without saving the typed state: asked first
    EXPECT_EQ(f.press(W("Закрыть окно")), Drive::Ok);
    EXPECT_TRUE(f.waitClosed(5s));
    closeWith(l, W("Закрыть"), t);
}

// An article handed over for sale, with prolongations of closed days and the sale on a
// closed day, is taken off sale: sales are in no day's totals.
TEST_F(RollbackTest, ASaleIsTakenOffWhateverItsDate) {
    ZalRecord before = prolongedTwiceRedeemedToday();
    before.DATA_PR1 = before.DATA_P11 = kToday - 100, before.DATA_P12 = kToday - 90;
    before.DATA_PR2 = before.DATA_P21 = kToday - 90, before.DATA_P22 = kToday - 60;
    before.DATA_PRW = 0, before.S_STW = 0, before.S_P_CW = 0, before.S_P_XW = 0, before.S_W = 0;
    before.DATA_R = kToday - 20;
    before.S_STR = 15, before.S_P_CR = 360, before.S_P_XR = 60, before.S_R = 2565;
    before.SOST = 5;
    seed(before);
    std::vector<DayRecord> closed;
    for (int32_t d : {kToday - 100, kToday - 90, kToday - 20})
        closed.push_back(day(d, 1000, 500, 1100, 10));
    closed.push_back(day(kToday, 1100));
    addRecords(kw::dict::dayTable(), closed);
    int t = 0;
    WindowDriver l = list(t);
    WindowDriver f = setState(l, 2, "2");
    EXPECT_TRUE(f.waitClosed(5s));
    EXPECT_EQ(boxes.count(), 0u);
    ZalRecord expected = before;
    expected.SOST = 2;
    expected.DATA_R = 0, expected.S_STR = 0, expected.S_P_CR = 0, expected.S_P_XR = 0,
    expected.S_R = 0;
    const ZalRecord z = onDisk(501);
    EXPECT_EQ(std::memcmp(&z, &expected, sizeof z), 0);
    closeWith(l, W("Закрыть"), t);
}

// The delete asks first, naming the ticket and the client; "No" keeps the pledge.
TEST_F(RollbackTest, DeletingAPledgeAsksFirstNamingTicketAndClient) {
    seed(prolongedTwiceRedeemedToday());
    int t = 0;
    WindowDriver l = list(t);
    EXPECT_EQ(l.selectRow(kList, 2), Drive::Ok);
    EXPECT_EQ(l.press(W("Удалить")), Drive::Ok);
    WindowDriver f = window(W("Восстановление статуса записи"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f.press("OK"), Drive::Ok);
    kw::script::ShownBox b = lastBox();
    EXPECT_FALSE(b.answered);
    EXPECT_NE(b.text.find("501"), std::string::npos) << kw::cp::toUtf8(b.text);
    EXPECT_NE(b.text.find(W("Кузнецов К.К.")), std::string::npos) << kw::cp::toUtf8(b.text);
    EXPECT_EQ(b.defaultButton, kw::msgbox::No);
    EXPECT_EQ(boxes.reply(kw::msgbox::No), Drive::Ok);
    EXPECT_EQ(f.settle(), Drive::Ok);
    EXPECT_EQ(pledges().size(), 3u) << "kept";
    EXPECT_EQ(f.press("OK"), Drive::Ok);
    b = lastBox();
    EXPECT_FALSE(b.answered);
    EXPECT_EQ(boxes.reply(kw::msgbox::Yes), Drive::Ok);
    EXPECT_TRUE(f.waitClosed(5s));
    const std::vector<ZalRecord> left = pledges();
    ASSERT_EQ(left.size(), 2u);
    for (const ZalRecord& z : left) EXPECT_NE(z.N_KV, 501);
    closeWith(l, W("Закрыть"), t);
}

TEST_F(RollbackTest, StateSixAndBackClearNothingWhateverTheDates) {
    ZalRecord before = prolongedTwiceRedeemedToday();
    before.DATA_PR2 = kToday - 3;
    before.DATA_PRW = kToday - 1;
    before.DATA_R = kToday - 1;  // data of a later sale left in place
    before.S_R = 77;
    before.SOST = 5;
    seed(before);
    int t = 0;
    WindowDriver l = list(t);
    WindowDriver f = setState(l, 2, "6");
    EXPECT_TRUE(f.waitClosed(5s));
    EXPECT_EQ(l.settle(), Drive::Ok);
    ZalRecord z = onDisk(501);
    ZalRecord expected = before;
    expected.SOST = 6;
    EXPECT_EQ(std::memcmp(&z, &expected, sizeof z), 0);
    f = setState(l, 2, "5");
    EXPECT_TRUE(f.waitClosed(5s));
    EXPECT_EQ(l.settle(), Drive::Ok);
    z = onDisk(501);
    EXPECT_EQ(std::memcmp(&z, &before, sizeof z), 0);
    closeWith(l, W("Закрыть"), t);
}

}  // namespace
}  // namespace kwcash
