// START, the login window: its controls, the two buttons, the tables it opens and
// closes, the main menu it starts, and what its closing resets.
#include <gtest/gtest.h>

#include "framework/data/error_class.h"
#include "shell/globals.h"
#include "shell/sis.h"
#include "shell_test_util.h"

using namespace kwtest;

namespace {

class StartTest : public ShellTest {};

// Whether another station could have the file to itself: false while the program
// holds it open.
bool exclusive(const kw::storage::TableDecl& t) {
    bool ok = false;
    onThread(61, [&] {
        kw::storage::File f(t);
        ok = f.open(kw::storage::kAccessReadWrite | kw::storage::kDenyAll).ok();
        if (ok) (void)f.close();
    });
    return ok;
}

}  // namespace

TEST_F(StartTest, TheLoginWindowHasItsTitleAndControlsInOrder) {
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_EQ(login.title(), W("Ввод кода пользователя и пароля ")) << "with its trailing blank";
    const auto& c = login.model()->def.controls;
    using K = kw::ui::ControlKind;
    ASSERT_EQ(c.size(), 7u) << login.dump();
    EXPECT_EQ(c[0].kind, K::Prompt);
    EXPECT_TRUE(c[0].use.bound()) << "the message line";
    EXPECT_EQ(c[0].picture, "s30");
    EXPECT_EQ(login.shown(c[0].feq), "") << "blank at the first call";
    EXPECT_EQ(c[1].kind, K::Prompt);
    EXPECT_EQ(c[1].text, W("Введите: Код пользователя:"));
    EXPECT_EQ(c[2].kind, K::Entry);
    EXPECT_TRUE(c[2].use.hasName("KOD"));
    EXPECT_EQ(c[2].picture, "n2");
    EXPECT_EQ(c[3].text, W("Пароль:"));
    EXPECT_EQ(c[4].kind, K::Entry);
    EXPECT_TRUE(c[4].use.hasName("PAROL"));
    EXPECT_EQ(c[4].picture, "s10");
    EXPECT_EQ(c[5].kind, K::Button);
    EXPECT_EQ(c[5].text, W("Готово???"));
    EXPECT_EQ(c[6].kind, K::Button);
    EXPECT_EQ(c[6].text, W("Запуск системы"));
}

TEST_F(StartTest, ReadyMakesTheLaunchButtonAvailableAndWithdrawsItself) {
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    const int ready = login.find(W("Готово???")), launch = login.find(W("Запуск системы"));
    EXPECT_TRUE(login.enabled(ready));
    EXPECT_FALSE(login.enabled(launch));
    EXPECT_EQ(login.press(launch), Drive::Disabled);
    EXPECT_EQ(login.press(ready), Drive::Ok);
    EXPECT_FALSE(login.enabled(ready));
    EXPECT_TRUE(login.enabled(launch));
    EXPECT_EQ(login.shown(1), "");
}

TEST_F(StartTest, TheCodeTakesUpToTwoDigitsAndThePasswordIsHidden) {
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    const int beeps = kw::script::installScriptWindows().beeps();
    EXPECT_EQ(login.type("KOD", "123"), Drive::Ok);
    EXPECT_GT(kw::script::installScriptWindows().beeps(), beeps) << "three digits are refused";
    EXPECT_EQ(KOD, 0);
    EXPECT_EQ(login.type("KOD", "42"), Drive::Ok);
    EXPECT_EQ(KOD, 42);
    EXPECT_EQ(login.type("PAROL", "secret"), Drive::Ok);
    EXPECT_EQ(PAROL.clip(), "secret");
    EXPECT_EQ(login.shown("PAROL"), "******");
}

TEST_F(StartTest, OpeningTheLoginWindowOpensDayKlmAndZalAndClosingItClosesThem) {
    startProgram();
    EXPECT_TRUE(entries(dir_).empty()) << "no data file before the login window";
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_TRUE(std::filesystem::exists("DAY.DAT"));
    EXPECT_TRUE(std::filesystem::exists("KLM.DAT"));
    EXPECT_TRUE(std::filesystem::exists("ZAL.DAT"));
    EXPECT_FALSE(std::filesystem::exists("SEC.DAT")) << "the users are never read at login";
    EXPECT_FALSE(exclusive(kw::dict::dayTable()));
    EXPECT_FALSE(exclusive(kw::dict::klmTable()));
    EXPECT_FALSE(exclusive(kw::dict::zalTable()));

    EXPECT_EQ(login.closeBox(), Drive::Ok);
    ASSERT_TRUE(ended(login));
    EXPECT_TRUE(exclusive(kw::dict::dayTable()));
    EXPECT_TRUE(exclusive(kw::dict::klmTable()));
    EXPECT_TRUE(exclusive(kw::dict::zalTable()));
}

TEST_F(StartTest, LaunchTakesTheFieldsAndStartsTheMainMenuOnAThreadOfItsOwn) {
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    // typed but not yet left: the launch takes it anyway
    EXPECT_EQ(login.type("KOD", "7", false), Drive::Ok);
    EXPECT_EQ(login.press(W("Готово???")), Drive::Ok);
    EXPECT_EQ(login.press(W("Запуск системы")), Drive::Ok);
    EXPECT_EQ(KOD, 7);
    WindowDriver menu = waitMenu();
    ASSERT_TRUE(menu);
    EXPECT_NE(menu.thread(), login.thread());
    EXPECT_NE(menu.thread(), kw::proc::kEntryThread);
    EXPECT_TRUE(login.isOpen()) << "the login window stays open";
    EXPECT_FALSE(login.isBlocked());
    // it can start another main menu
    const uint64_t first = menu.model()->serial;
    EXPECT_EQ(login.press(W("Запуск системы")), Drive::Ok);
    WindowDriver again = waitMenu(first);
    ASSERT_TRUE(again);
    EXPECT_NE(again.thread(), menu.thread());
}

TEST_F(StartTest, ClosingTheLoginWindowResetsTheCodePasswordAndMessage) {
    WindowDriver menu = logIn("6", "6666");
    ASSERT_TRUE(menu);
    EXPECT_EQ(KOD, 6);
    EXPECT_EQ(PAROL.clip(), "6666");
    MESSAGE_G.assign("left over");
    GlobalResponse = 0;
    EXPECT_EQ(login.closeBox(), Drive::Ok);
    ASSERT_TRUE(ended(login));
    EXPECT_EQ(KOD, 0);
    EXPECT_TRUE(PAROL.blank());
    EXPECT_TRUE(MESSAGE_G.blank());
    EXPECT_EQ(GlobalResponse, 2);
    EXPECT_TRUE(menu.isOpen()) << "the main menu lives on";
}

TEST_F(StartTest, AnEmptyUsersFileLetsAnyCodeAndPasswordIn) {
    onThread(60, [] {
        kw::storage::File sec(kw::dict::secTable());
        ASSERT_TRUE(sec.create().ok());
    });
    WindowDriver menu = logIn("42", "nobody");
    ASSERT_TRUE(menu);
    EXPECT_EQ(KOD, 42);
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(StartTest, TheCodeIsNotCheckedAgainstTheUsers) {
    onThread(60, [] {
        kw::storage::File sec(kw::dict::secTable());
        ASSERT_TRUE(sec.create().ok());
        ASSERT_TRUE(sec.open().ok());
        SEC = kw::dict::SecRecord{};
        SEC.K_POL = 6;
        SEC.PAROL.assign("6666");
        ASSERT_TRUE(sec.add().ok());
        ASSERT_TRUE(sec.close().ok());
    });
    WindowDriver menu = logIn("6", "wrong");
    ASSERT_TRUE(menu) << "a wrong password opens the menu too";
    EXPECT_TRUE(menu.enabled(menu.find(W("Финансовая справка"))));
}

TEST_F(StartTest, TheLoginAndTheMenuRegisterTheirNamesOnTheirThreads) {
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    std::string loginName, menuName;
    onThread(login.thread(), [&] { loginName = GlobalErrors.GetProcedureName(); });
    onThread(menu.thread(), [&] { menuName = GlobalErrors.GetProcedureName(); });
    EXPECT_EQ(loginName, "start");
    EXPECT_EQ(menuName, "sis");
}
