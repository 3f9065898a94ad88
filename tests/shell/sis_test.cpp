// SIS, the main menu: its 33 entries, the status bar with today's date and the day's
// status, the refresh after every item, the rights of the user, and which items run on
// a thread of their own.
#include "shell/sis.h"

#include <gtest/gtest.h>

#include <atomic>

#include "framework/data/dct_init.h"
#include "runtime/window_engine.h"
#include "shell/globals.h"
#include "shell_test_util.h"

using namespace kwtest;

namespace {

class SisTest : public ShellTest {
  protected:
    // The status text the menu shows for the day.
    static std::string status(const WindowDriver& menu) { return menu.shown("DAY_STATUS"); }

    // Registers `name` as a procedure that opens a window titled `title` and runs it
    // until it is closed, noting the procedure thread it ran on.
    void windowProcedure(const char* name, std::string title, std::atomic<int>& thread) {
        kw::shell::setProcedure(name, [title, &thread] {
            thread = kw::proc::currentThread();
            kw::ui::WindowDef s;
            s.title = title;
            s.add(kw::ui::Control::button("OK"));
            kw::ui::Window w;
            if (!w.open(s)) return;
            while (w.accept() != 0) {
            }
        });
    }

    // Registers O_DAY (the first item) as a procedure that sets today's DAY totals on
    // the menu's thread, as opening or closing the day would.
    void dayWriter(double obo, double kas) {
        kw::shell::setProcedure("O_DAY", [obo, kas] {
            (void)Relate::DAY->Open();
            DAY.DATA = kw::clock::today();
            const bool found =
                Access::DAY->TryFetch(kw::dict::dayTable().keys[0]) == kw::Level::Benign;
            DAY.DATA = kw::clock::today();
            DAY.OBO = obo;
            DAY.KAS = kas;
            (void)(found ? Access::DAY->Update() : Access::DAY->Insert());
            (void)Relate::DAY->Close();
        });
    }

    const std::string openDay = W("Открытие рабочего дня ломбарда");
};

std::vector<int> restricted() {
    return {8, 13, 17, 18, 22, 23, 24, 25};
}

}  // namespace

TEST_F(SisTest, TheMenuHasThe33EntriesInOrderWithTheStatusBar) {
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    const kw::ui::WindowDef& def = menu.model()->def;
    EXPECT_EQ(menu.title(), kw::shell::frameTitle());
    EXPECT_EQ(def.picture, "Lom.bmp");
    using K = kw::ui::ControlKind;
    const std::vector<std::pair<int, const char*>> menus = {{1, "&Работа с клиентами"},
                                                            {11, "Отчеты"},
                                                            {23, "Оформление реализации"},
                                                            {26, "Справочники"},
                                                            {32, "Выход"}};
    int parent = 0;
    for (int n = 1; n <= 33; ++n) {
        const kw::ui::Control* c = def.find(n);
        ASSERT_NE(c, nullptr) << n;
        const auto m =
            std::find_if(menus.begin(), menus.end(), [n](const auto& p) { return p.first == n; });
        if (m != menus.end()) {
            EXPECT_EQ(c->kind, K::Menu) << n;
            EXPECT_EQ(kw::ui::labelText(c->text), kw::ui::labelText(W(m->second))) << n;
            EXPECT_EQ(c->parent, 0) << n;
            parent = n;
        } else {
            EXPECT_EQ(c->kind, K::Item) << n;
            EXPECT_EQ(c->parent, parent) << n;
        }
    }
    EXPECT_EQ(menu.shown(2), W("Открытие рабочего дня ломбарда"));
    EXPECT_EQ(menu.shown(3), W("Выдача ссуды клиенту"));
    EXPECT_EQ(menu.shown(8), W("Передача на реализацию"));
    EXPECT_EQ(menu.shown(16), W("Просроченные ссуды:"));
    EXPECT_EQ(menu.shown(18), W("Перечень вещей,поставленных на реализацию"));
    EXPECT_EQ(menu.shown(20), W("Закрытие рабочего дня ломбарда"));
    EXPECT_EQ(menu.shown(21), W("Аврийно открыть день ломбарда"));
    EXPECT_EQ(menu.shown(31), W("Справочник типовых изделий"));
    EXPECT_EQ(menu.shown(33), W("Закончить работу???"));
    // the program's own: the full cost's register under the reports, its limits under
    // the reference tables
    ASSERT_NE(def.find(41), nullptr);
    EXPECT_EQ(def.find(41)->parent, 11);
    EXPECT_EQ(menu.shown(41), W("Реестр ПСК"));
    ASSERT_NE(def.find(40), nullptr);
    EXPECT_EQ(def.find(40)->parent, 26);
    // the status bar: the labels and the values
    std::vector<std::string> bar;
    for (const kw::ui::Control& c : def.controls)
        if (c.kind == K::Status) bar.push_back(menu.shown(c.feq));
    EXPECT_EQ(bar, (std::vector<std::string>{W("Текущая дата:"), "08.12.2025",
                                             W("Рабочий день ломбарда:"), W("Не открыт")}));
}

TEST_F(SisTest, NoDayRecordForTodayReadsNotOpen) {
    addDay(kToday - 1, 0, 0);  // yesterday's does not count
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    EXPECT_EQ(status(menu), W("Не открыт"));
}

TEST_F(SisTest, ADayRecordWithZeroTotalsReadsOpen) {
    addDay(kToday, 0, 0);
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    EXPECT_EQ(status(menu), W("Открыт"));
}

TEST_F(SisTest, ADayRecordWithBothTotalsReadsClosed) {
    addDay(kToday, 250000, 112000.5);
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    EXPECT_EQ(status(menu), W("Закрыт"));
}

TEST_F(SisTest, TotalsBelowTheRealComparisonsZeroCountAsZero) {
    addDay(kToday, 1e-16, -1e-17);
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    EXPECT_EQ(status(menu), W("Открыт"));
}

// A day closed with one of its totals zero (cash in the desk and nothing lent out,
// or all of it lent out) is closed like any other.
TEST_F(SisTest, ExactlyOneZeroTotalCountsAsClosed) {
    addDay(kToday, 0, 500);
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    EXPECT_EQ(status(menu), W("Закрыт"));

    dayWriter(0, 0);
    ASSERT_EQ(menu.press(openDay), Drive::Ok);
    EXPECT_EQ(status(menu), W("Открыт")) << "refreshed after the item";
    dayWriter(300, 0);
    ASSERT_EQ(menu.press(openDay), Drive::Ok);
    EXPECT_EQ(status(menu), W("Закрыт")) << "money lent out, none in the desk";
    dayWriter(0, 0);
    ASSERT_EQ(menu.press(openDay), Drive::Ok);
    EXPECT_EQ(status(menu), W("Открыт"));
    dayWriter(0, 200);
    ASSERT_EQ(menu.press(openDay), Drive::Ok);
    EXPECT_EQ(status(menu), W("Закрыт")) << "money in the desk, none lent out";
}

TEST_F(SisTest, TheDateFollowsTheClockAtEachRefresh) {
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu.shown("DATE"), "08.12.2025");
    addDay(kToday + 1, 0, 0);
    kw::clock::setToday(kToday + 1);
    kw::shell::setProcedure("O_DAY", [] {});
    ASSERT_EQ(menu.press(openDay), Drive::Ok);
    EXPECT_EQ(menu.shown("DATE"), "09.12.2025");
    EXPECT_EQ(status(menu), W("Открыт"));
}

TEST_F(SisTest, CodeFiveGivesTheRestrictedMenu) {
    WindowDriver menu = logIn("5");
    ASSERT_TRUE(menu);
    const std::vector<int> off = restricted();
    for (int n = 1; n <= 33; ++n) {
        const bool withdrawn = std::find(off.begin(), off.end(), n) != off.end();
        EXPECT_EQ(menu.enabled(n), !withdrawn) << n;
    }
    EXPECT_EQ(menu.press(8), Drive::Disabled);
}

TEST_F(SisTest, CodeZeroFromAnEmptyEntryGivesTheRestrictedMenu) {
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    ASSERT_EQ(login.press(W("Готово???")), Drive::Ok);
    ASSERT_EQ(login.press(W("Запуск системы")), Drive::Ok);
    WindowDriver menu = waitMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(KOD, 0);
    for (int n : restricted()) EXPECT_FALSE(menu.enabled(n)) << n;
    EXPECT_TRUE(menu.enabled(3));
}

TEST_F(SisTest, CodeSixGivesTheFullMenu) {
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    for (int n = 1; n <= 33; ++n) EXPECT_TRUE(menu.enabled(n)) << n;
}

TEST_F(SisTest, TheRightsFollowTheCodeAtTheNextRefreshAndStayWithdrawn) {
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    ASSERT_EQ(login.closeBox(), Drive::Ok);  // KOD back to 0
    ASSERT_TRUE(ended(login));
    EXPECT_TRUE(menu.enabled(13)) << "not refreshed yet";
    kw::shell::setProcedure("O_DAY", [] {});
    ASSERT_EQ(menu.press(openDay), Drive::Ok);
    for (int n : restricted()) EXPECT_FALSE(menu.enabled(n)) << n;
    KOD = 9;
    ASSERT_EQ(menu.press(openDay), Drive::Ok);
    EXPECT_FALSE(menu.enabled(13)) << "withdrawn for the life of the window";
}

TEST_F(SisTest, TransferForSaleRunsOnItsOwnThreadWhileTheMenuStaysUsable) {
    std::atomic<int> saleThread{0}, metalsThread{0};
    windowProcedure("ZAL_TABR", "sale", saleThread);
    windowProcedure("MET_TAB", "metals", metalsThread);
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);

    ASSERT_EQ(menu.press(W("Передача на реализацию")), Drive::Ok);
    WindowDriver sale = kw::script::waitWindow("sale");
    ASSERT_TRUE(sale);
    EXPECT_NE(saleThread.load(), menu.thread());
    EXPECT_EQ(sale.thread(), saleThread.load());
    EXPECT_FALSE(menu.isBlocked()) << "the menu stays usable";

    // every other item runs on the menu's thread and blocks it
    ASSERT_EQ(menu.press(W("Справочник металлов")), Drive::Ok);
    WindowDriver metals = kw::script::waitWindow("metals");
    ASSERT_TRUE(metals);
    EXPECT_EQ(metalsThread.load(), menu.thread());
    EXPECT_TRUE(menu.isBlocked());
    EXPECT_EQ(menu.press(W("Выдача ссуды клиенту")), Drive::Blocked);
    EXPECT_FALSE(sale.isBlocked()) << "the sale window is on its own thread";
    ASSERT_EQ(metals.closeBox(), Drive::Ok);
    EXPECT_TRUE(eventually([&] { return !menu.isBlocked(); }));

    ASSERT_EQ(sale.closeBox(), Drive::Ok);
    EXPECT_TRUE(menu.isOpen());
}

TEST_F(SisTest, AnItemWhoseProcedureIsMissingSaysItIsNotAvailableYet) {
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    for (int n : {3, 8, 14, 27}) {
        const std::size_t before = boxes.count();
        ASSERT_EQ(menu.press(n), Drive::Ok);
        ASSERT_TRUE(boxes.waitForCount(before + 1, 5s));
        const kw::script::ShownBox box = boxes.last();
        EXPECT_EQ(box.caption, menu.shown(n));
        EXPECT_EQ(box.text, kw::shell::notAvailableText());
        EXPECT_EQ(box.thread, menu.thread()) << n;
        EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    }
    EXPECT_TRUE(menu.isOpen());
}

TEST_F(SisTest, FinishClosesTheMenuAndClearsTheMessage) {
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    MESSAGE_G.assign("x");
    ASSERT_EQ(menu.press(W("Закончить работу???")), Drive::Ok);
    EXPECT_FALSE(menu.isOpen());
    ASSERT_TRUE(ended(menu));
    EXPECT_TRUE(MESSAGE_G.blank());
    EXPECT_TRUE(login.isOpen());
    EXPECT_EQ(KOD, 6) << "the code lives until the login window closes";
}
