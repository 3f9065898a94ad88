// START, the login window: its controls, the two buttons, the tables it opens and
// closes, the check of the code and the password against the users, the main menu it
// starts, and what its closing resets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "framework/data/audit.h"
#include "framework/data/error_class.h"
#include "runtime/halt.h"
#include "shell/globals.h"
#include "shell/sis.h"
#include "shell_test_util.h"

using namespace kwtest;

namespace {

class StartTest : public ShellTest {
  protected:
    // Types the code and the password into the login window and presses "Запуск
    // системы" ("Готово???" first while it is there). The main menu that opened, or an
    // empty driver when none did: its thread would have started before the press came
    // back.
    WindowDriver tryLogin(const std::string& code, const std::string& password) {
        const uint64_t newest = newestSerial();
        const int threads = kw::proc::running();
        EXPECT_EQ(login.type("KOD", code), Drive::Ok);
        EXPECT_EQ(login.type("PAROL", password), Drive::Ok);
        if (login.enabled(login.find(W("Готово???")))) {
            EXPECT_EQ(login.press(W("Готово???")), Drive::Ok);
        }
        EXPECT_EQ(login.press(W("Запуск системы")), Drive::Ok);
        if (kw::proc::running() <= threads) return {};
        return waitMenu(newest);
    }
};

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

std::string fileText(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST_F(StartTest, TheLoginWindowHasItsTitleAndControlsInOrder) {
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_EQ(login.title(), W("Ввод кода пользователя и пароля ")) << "with its trailing blank";
    const auto& c = login.model()->def.controls;
    using K = kw::ui::ControlKind;
    ASSERT_EQ(c.size(), 8u) << login.dump();
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
    EXPECT_EQ(kw::ui::labelText(c[5].text), W("Готово???"));
    EXPECT_EQ(c[6].kind, K::Button);
    EXPECT_EQ(kw::ui::labelText(c[6].text), W("Запуск системы"));
    EXPECT_EQ(c[7].kind, K::Button);
    EXPECT_EQ(kw::ui::labelText(c[7].text), W("Сменить пароль"))
        << "the program's own, after the two";
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
    boxes.answer(kw::msgbox::Ok);
    EXPECT_EQ(login.type("KOD", "123"), Drive::Ok);
    EXPECT_GT(kw::script::installScriptWindows().beeps(), beeps) << "three digits are refused";
    ASSERT_TRUE(boxes.waitForCount(1, 5s));
    EXPECT_EQ(boxes.last().text, W("Не помещается в поле: 123")) << "and said so";
    EXPECT_EQ(KOD, 0);
    EXPECT_EQ(login.type("KOD", "42"), Drive::Ok);
    EXPECT_EQ(login.shown("KOD"), "42");
    EXPECT_EQ(KOD, 0) << "the user's code only once the login succeeds";
    EXPECT_EQ(login.type("PAROL", "secret"), Drive::Ok);
    EXPECT_EQ(PAROL.clip(), "secret");
    EXPECT_EQ(login.shown("PAROL"), "******");
}

TEST_F(StartTest, OpeningTheLoginWindowOpensDayKlmZalAndSecAndClosingItClosesThem) {
    startProgram();
    EXPECT_TRUE(entries(dir_).empty()) << "no data file before the login window";
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_TRUE(std::filesystem::exists("DAY.DAT"));
    EXPECT_TRUE(std::filesystem::exists("KLM.DAT"));
    EXPECT_TRUE(std::filesystem::exists("ZAL.DAT"));
    EXPECT_TRUE(std::filesystem::exists("SEC.DAT")) << "the users file is created empty";
    EXPECT_FALSE(exclusive(kw::dict::dayTable()));
    EXPECT_FALSE(exclusive(kw::dict::klmTable()));
    EXPECT_FALSE(exclusive(kw::dict::zalTable()));
    EXPECT_FALSE(exclusive(kw::dict::secTable()));

    EXPECT_EQ(login.closeBox(), Drive::Ok);
    ASSERT_TRUE(ended(login));
    EXPECT_TRUE(exclusive(kw::dict::dayTable()));
    EXPECT_TRUE(exclusive(kw::dict::klmTable()));
    EXPECT_TRUE(exclusive(kw::dict::zalTable()));
    EXPECT_TRUE(exclusive(kw::dict::secTable()));
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

TEST_F(StartTest, AUsersCodeWithItsPasswordOpensTheMenuWithTheRightsOfTheCode) {
    addUsers({{5, "5555"}, {6, "AbC"}});
    WindowDriver full = logIn("6", "AbC");
    ASSERT_TRUE(full);
    EXPECT_EQ(KOD, 6);
    EXPECT_TRUE(full.enabled(full.find(W("Финансовая справка"))));
    EXPECT_EQ(login.shown("MESSAGE"), "");

    WindowDriver restricted = tryLogin("5", "5555");
    ASSERT_TRUE(restricted);
    EXPECT_FALSE(restricted.enabled(restricted.find(W("Финансовая справка"))))
        << "code 5: restricted";
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(StartTest, AWrongPasswordOrAnUnknownCodeOpensNoMenuClearsThePasswordAndSaysSo) {
    addUsers({{5, "5555"}, {6, "AbC"}});
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    const int password = login.findUse("PAROL");
    const auto refused = [&](const char* code, const char* typed) {
        EXPECT_FALSE(tryLogin(code, typed)) << code << "/" << typed << ": no main menu";
        EXPECT_EQ(login.shown("MESSAGE"), kw::shell::loginRefusedText());
        EXPECT_TRUE(PAROL.blank());
        EXPECT_EQ(login.shown("PAROL"), "");
        EXPECT_EQ(login.focused(), password) << "the cursor is back in the password";
        EXPECT_EQ(login.shown("KOD"), code) << "the code stays for the next try";
        EXPECT_TRUE(login.isOpen());
    };
    refused("6", "abc");  // the case counts
    refused("7", "AbC");  // no such user, although another has that password
    EXPECT_LE(kw::shell::loginRefusedText().size(), 30u) << "it fits the message line";

    WindowDriver menu = tryLogin("6", "AbC");
    ASSERT_TRUE(menu) << "two refusals leave the window usable";
    EXPECT_EQ(login.shown("MESSAGE"), "") << "an admitted login clears the message";
    // No box, so nothing for the error log either.
    EXPECT_EQ(boxes.count(), 0u) << "the message line says it";

    // Nor does the settings file, written at the end, keep what was typed.
    EXPECT_TRUE(exitProgram());
    const std::string ini = fileText("kestrowd.INI");
    ASSERT_FALSE(ini.empty());
    for (const char* typed : {"abc", "AbC"}) EXPECT_EQ(ini.find(typed), std::string::npos) << ini;
}

TEST_F(StartTest, ThreeWrongTriesInARowCloseTheLoginWindowAndTheFrameOpensItAgain) {
    addUsers({{9, "9999"}});
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_FALSE(tryLogin("9", "1"));
    ASSERT_TRUE(tryLogin("9", "9999")) << "wrong, then right";
    // An admitted login starts the count again: two more wrong ones leave it open.
    EXPECT_FALSE(tryLogin("9", "2"));
    EXPECT_FALSE(tryLogin("9", "3"));
    EXPECT_TRUE(login.isOpen());
    EXPECT_FALSE(tryLogin("9", "4"));
    ASSERT_TRUE(ended(login)) << "the third wrong try in a row closes it";
    EXPECT_EQ(KOD, 9) << "the user of the menu still open";
    EXPECT_TRUE(PAROL.blank());
    EXPECT_TRUE(frame.isOpen()) << "the frame stays";

    login = openLogin();
    ASSERT_TRUE(login) << "the frame's menu opens the login again";
    EXPECT_TRUE(tryLogin("9", "9999"));
}

// User 6 logs in; in the login window that stays open someone types code 5 and wrong
// passwords: the open menu keeps its user and its full items, through the three tries
// that close the window too.
TEST_F(StartTest, ARefusedLoginNeverChangesTheUserOfAnOpenMenu) {
    addUsers({{5, "5555"}, {6, "6666"}});
    WindowDriver menu = logIn("6", "6666");
    ASSERT_TRUE(menu);
    ASSERT_EQ(KOD, 6);
    const int fullItem = menu.find(W("Финансовая справка"));
    kw::shell::setProcedure("O_DAY", [] {});
    for (const char* wrong : {"1", "2"}) {
        EXPECT_FALSE(tryLogin("5", wrong));
        EXPECT_EQ(KOD, 6);
        ASSERT_EQ(menu.press(W("Открытие рабочего дня ломбарда")),
                  Drive::Ok);  // a refresh of the menu
        EXPECT_TRUE(menu.enabled(fullItem)) << "the full menu stays";
    }
    EXPECT_FALSE(tryLogin("5", "3"));
    ASSERT_TRUE(ended(login));
    EXPECT_EQ(KOD, 6);
    ASSERT_EQ(menu.press(W("Открытие рабочего дня ломбарда")), Drive::Ok);
    EXPECT_TRUE(menu.enabled(fullItem));
}

TEST_F(StartTest, AnUnreadableUsersFileIsNotTakenForAnEmptyOne) {
    {
        std::ofstream junk("SEC.DAT", std::ios::binary);
        junk << std::string(512, 'x');
    }
    kw::HaltRecorder halts;
    startProgram();
    const uint64_t newest = newestSerial();
    EXPECT_EQ(frame.press(W("Ввод кода и пароля для запуска системы")), Drive::Ok);
    ASSERT_TRUE(boxes.waitForCount(1, 5s));
    EXPECT_NE(boxes.last().text.find("Sec"), std::string::npos) << boxes.last().text;
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_TRUE(eventually([&] { return halts.count() == 1; })) << "a fatal error ends the program";

    // Were the program to go on, the login still lets nobody in.
    login = waitNew(kw::shell::loginTitle(), newest);
    ASSERT_TRUE(login);
    const int threads = kw::proc::running();
    EXPECT_EQ(login.type("KOD", "6"), Drive::Ok);
    EXPECT_EQ(login.press(W("Готово???")), Drive::Ok);
    EXPECT_EQ(login.press(W("Запуск системы")), Drive::Ok);
    for (const kw::script::ShownBox& b : boxes.shown()) {
        if (!b.answered) {
            EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
        }
    }
    EXPECT_EQ(kw::proc::running(), threads) << "no main menu";
    EXPECT_GE(boxes.count(), 2u) << "the file manager says again why";
    EXPECT_EQ(login.shown("MESSAGE"), "") << "not the user's mistake";
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

TEST_F(StartTest, ARefusedLoginIsKeptInTheAuditJournalWithoutThePassword) {
    addUsers({{6, "AbC"}});
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_FALSE(tryLogin("6", "wrongpass"));
    EXPECT_FALSE(tryLogin("7", "AbC"));
    WindowDriver menu = tryLogin("6", "AbC");
    ASSERT_TRUE(menu);
    EXPECT_TRUE(exitProgram());
    std::vector<kw::dict::AudRecord> entries;
    onThread(62, [&] {
        kw::storage::File f(kw::dict::audTable());
        ASSERT_TRUE(f.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok());
        while (f.next().ok()) entries.push_back(AUD);
        EXPECT_TRUE(kw::audit::verify(f).ok);
        (void)f.close();
    });
    ASSERT_EQ(entries.size(), 2u) << "the two refusals, not the login admitted";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].KIND, static_cast<int16_t>(kw::audit::Kind::LoginRefused));
        EXPECT_EQ(entries[i].TAB.clip(), "SEC");
        EXPECT_EQ(entries[i].KOD, i == 0 ? 6 : 7) << "the code typed";
        EXPECT_EQ(entries[i].KEY.clip(), i == 0 ? "6" : "7");
        const std::string bytes(reinterpret_cast<const char*>(&entries[i]), sizeof entries[i]);
        EXPECT_EQ(bytes.find("wrongpass"), std::string::npos);
        EXPECT_EQ(bytes.find("AbC"), std::string::npos);
    }
}

namespace {

// The user's password as SEC holds it now ("" when there is no such user).
std::string storedPassword(int code) {
    std::string password;
    onThread(61, [&] {
        kw::storage::File sec(kw::dict::secTable());
        ASSERT_TRUE(sec.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok());
        while (sec.next().ok())
            if (SEC.K_POL == code) password = SEC.PAROL.clip();
        (void)sec.close();
    });
    return password;
}

// The audit journal's entries in file order, and whether its chain holds.
std::vector<kw::dict::AudRecord> auditEntries(bool* chainHolds = nullptr) {
    std::vector<kw::dict::AudRecord> out;
    onThread(61, [&] {
        kw::storage::File aud(kw::dict::audTable());
        if (!aud.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok()) return;
        while (aud.next().ok()) out.push_back(AUD);
        if (chainHolds) *chainHolds = kw::audit::verify(aud).ok;
        (void)aud.close();
    });
    return out;
}

}  // namespace

class PasswordChangeTest : public StartTest {
  protected:
    // The change window opened by "Сменить пароль" with `code` in the login's code entry.
    WindowDriver openChange(const std::string& code) {
        const uint64_t newest = newestSerial();
        EXPECT_EQ(login.type("KOD", code), Drive::Ok);
        EXPECT_EQ(login.press(W("Сменить пароль")), Drive::Ok);
        return waitNew(W("Смена пароля"), newest);
    }
    // Whether the change window has closed and the login window has taken its outcome.
    bool backToLogin(const WindowDriver& w) {
        return w.waitClosed(5s) && (login.settle() == Drive::Ok || !login.isOpen());
    }
    // Types the old password and the new one twice and presses OK.
    static void change(WindowDriver& w, const char* old, const char* first, const char* again) {
        EXPECT_EQ(w.type("PAROL", old), Drive::Ok);
        EXPECT_EQ(w.type("PAROL1", first), Drive::Ok);
        EXPECT_EQ(w.type("PAROL2", again), Drive::Ok);
        EXPECT_EQ(w.press("OK"), Drive::Ok);
    }
};

TEST_F(PasswordChangeTest, AUserChangesTheirOwnPasswordAndOnlyTheNewOneOpensTheMenu) {
    addUsers({{5, "5555"}, {6, "6666"}});
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    WindowDriver w = openChange("5");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.shown("KOD"), "5") << "the code typed at the login";
    EXPECT_EQ(w.focused(), w.findUse("PAROL")) << "the old password comes next";
    change(w, "5555", "Zima", "Zima");
    EXPECT_EQ(w.shown("PAROL1"), "****");
    ASSERT_TRUE(backToLogin(w));
    EXPECT_EQ(login.shown("MESSAGE"), W("Пароль изменен"));
    EXPECT_EQ(storedPassword(5), "Zima");
    EXPECT_EQ(storedPassword(6), "6666");

    EXPECT_FALSE(tryLogin("5", "5555")) << "the old password no longer";
    WindowDriver menu = tryLogin("5", "Zima");
    ASSERT_TRUE(menu);
    EXPECT_EQ(KOD, 5);
}

TEST_F(PasswordChangeTest, ANewPasswordThatBreaksARuleIsSaidAndTypedAgainNothingStored) {
    addUsers({{5, "5555"}, {6, "Gold66"}});
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    WindowDriver w = openChange("5");
    ASSERT_TRUE(w);
    const auto refused = [&](const char* first, const char* again, const char* message) {
        change(w, "5555", first, again);
        EXPECT_TRUE(w.isOpen()) << message;
        EXPECT_EQ(w.shown("MESSAGE"), W(message));
        EXPECT_EQ(w.shown("PAROL1"), "");
        EXPECT_EQ(w.shown("PAROL2"), "");
        EXPECT_EQ(w.focused(), w.findUse("PAROL1"));
        EXPECT_EQ(storedPassword(5), "5555");
    };
    refused("Leto1", "Leto2", "Пароль и его повтор не совпадают: введите оба еще раз");
    refused("GOLD66", "GOLD66", "Такой пароль уже есть у другого пользователя: выберите другой");
    refused("", "", "Введите пароль");
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(backToLogin(w));
    EXPECT_EQ(login.shown("MESSAGE"), "") << "nothing changed, nothing refused";
    EXPECT_TRUE(auditEntries().empty()) << "a rule of the new password is no refused login";
}

TEST_F(PasswordChangeTest, AWrongOldPasswordOrCodeEndsTheChangeAsAWrongTryOfTheLogin) {
    addUsers({{9, "9999"}});
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_FALSE(tryLogin("9", "1"));
    WindowDriver w = openChange("9");
    ASSERT_TRUE(w);
    change(w, "9998", "Leto", "Leto");
    ASSERT_TRUE(backToLogin(w)) << "the window ends at once";
    EXPECT_EQ(login.shown("MESSAGE"), kw::shell::loginRefusedText());
    EXPECT_EQ(storedPassword(9), "9999");
    EXPECT_TRUE(login.isOpen());
    // A code without a user is refused alike; it is the third wrong try in a row.
    w = openChange("3");
    ASSERT_TRUE(w);
    change(w, "9999", "Leto", "Leto");
    ASSERT_TRUE(backToLogin(w));
    ASSERT_TRUE(ended(login)) << "three wrong tries close the login window";
    EXPECT_EQ(storedPassword(9), "9999");
}

TEST_F(PasswordChangeTest, EveryRefusalLeavesOneAuditEntryWithTheDeskTheDayTheTimeAndTheCode) {
    addUsers({{6, "6666"}});
    startProgram();
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_FALSE(tryLogin("6", "guess1"));
    ASSERT_TRUE(tryLogin("6", "6666"));
    WindowDriver w = openChange("4");
    ASSERT_TRUE(w);
    change(w, "guess2", "Leto", "Leto");
    ASSERT_TRUE(backToLogin(w));

    bool chain = false;
    const std::vector<kw::dict::AudRecord> entries = auditEntries(&chain);
    ASSERT_EQ(entries.size(), 2u) << "the admitted login leaves none";
    EXPECT_TRUE(chain);
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    const struct {
        int code;
        const char* text;
    } expected[] = {{6, "Вход в систему"}, {4, "Смена пароля"}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const kw::dict::AudRecord& e = entries[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(e.N, static_cast<int32_t>(i + 1));
        EXPECT_EQ(e.KIND, 21) << "login refused";
        EXPECT_EQ(e.KOD, expected[i].code);
        EXPECT_EQ(e.KEY.clip(), std::to_string(expected[i].code));
        EXPECT_EQ(e.TAB.clip(), "SEC");
        EXPECT_EQ(e.TEXT.clip(), W(expected[i].text));
        EXPECT_EQ(e.HOST.clip(), std::string(host).substr(0, 20));
        EXPECT_EQ(e.DATA, kToday);
        EXPECT_GT(e.TIME, 0);
        const std::string bytes(reinterpret_cast<const char*>(&e), sizeof e);
        EXPECT_EQ(bytes.find("guess"), std::string::npos) << "never the password typed";
    }
}
