// SEC_TAB and UPDATESEC, the users' list and form: who may open the list, what it shows,
// a user added with the password typed twice into hidden entries and stored enciphered,
// every rule that refuses a write (said on the form, nothing written), a change that
// keeps or replaces the password, and the last users with the full rights kept, also
// against a change another desk made while the form was open.
#include "shell/users.h"

#include <fstream>
#include <iterator>

#include "dictionary/sec.h"
#include "procedure_test_util.h"
#include "runtime/message_box.h"
#include "shell_test_util.h"

using namespace kwproc;

namespace {

constexpr int kList = 1;

kw::dict::SecRecord user(int code, const char* fio, const char* dol, const char* parol) {
    kw::dict::SecRecord r;
    r.K_POL = static_cast<uint8_t>(code);
    r.FIO = W(fio);
    r.DOL = W(dol);
    r.PAROL.assign(parol);
    return r;
}

class UsersTest : public ProcedureTest {
  protected:
    void SetUp() override {
        ProcedureTest::SetUp();
        KOD = 6;
    }
    void TearDown() override {
        if (list_) {
            EXPECT_EQ(list_.closeBox(), Drive::Ok);
            EXPECT_TRUE(run_.join());
        }
        KOD = 0;
        ProcedureTest::TearDown();
    }

    void users(const std::vector<kw::dict::SecRecord>& records) {
        addRecords(kw::dict::secTable(), SEC, records);
    }
    // Deletes every user, as another station would.
    static void removeUsers() {
        std::thread([] {
            kw::proc::setCurrentThread(62);
            kw::storage::File sec(kw::dict::secTable());
            ASSERT_TRUE(sec.open().ok());
            while (sec.next().ok()) {
                ASSERT_TRUE(sec.remove().ok());
            }
            ASSERT_TRUE(sec.close().ok());
        }).join();
    }
    std::vector<kw::dict::SecRecord> stored() { return readRecords(kw::dict::secTable(), SEC); }

    // The stored user of that code; K_POL 0 when there is none.
    kw::dict::SecRecord storedUser(int code) {
        for (const kw::dict::SecRecord& r : stored())
            if (r.K_POL == code) return r;
        return {};
    }

    WindowDriver& openList() {
        start(run_, SEC_TAB);
        list_ = window("Пользователи");
        return list_;
    }

    // The form a button of the list opens, on the row showing `who` (when given).
    WindowDriver form(const char* button, const char* title, const char* who = nullptr) {
        // The list has taken back the last form's record and waits for the user.
        EXPECT_EQ(list_.settle(), Drive::Ok);
        if (who) {
            for (int r = 1; r <= list_.rows(kList); ++r)
                if (list_.cell(kList, r, 2) == W(who)) {
                    EXPECT_EQ(list_.selectRow(kList, r), Drive::Ok);
                }
        }
        EXPECT_EQ(list_.press(W(button)), Drive::Ok);
        return window(title);
    }

    // Presses OK: true when the form closed (the write was made). The press comes back
    // once the form has reacted: it has closed by then, or stays.
    static bool ok(WindowDriver& f) {
        EXPECT_EQ(f.press("OK"), Drive::Ok);
        return !f.isOpen();
    }

    // Closes a form that stayed, saying yes to losing what was typed.
    void leave(WindowDriver& f) {
        boxes.answer(kw::msgbox::Yes);
        EXPECT_EQ(f.closeBox(), Drive::Ok);
        EXPECT_TRUE(f.waitClosed(2s));
    }

    ProcedureRun run_;
    WindowDriver list_;
};

}  // namespace

TEST_F(UsersTest, TheListShowsEachUsersCodeNamePostAndRightsButNoPassword) {
    users({user(6, "Кузнецов Игорь", "Заведующий", "Gold66"),
           user(1, "Петрова Анна", "Кассир", "1111")});
    ASSERT_TRUE(openList());
    EXPECT_EQ(rows(list_), (std::vector<std::string>{"1|Петрова Анна|Кассир|ограниченные",
                                                     "6|Кузнецов Игорь|Заведующий|полные"}));
}

TEST_F(UsersTest, OnlyAUserWithTheFullRightsOpensTheList) {
    users({user(6, "Кузнецов Игорь", "Заведующий", "6666")});
    for (uint8_t code : {0, 5}) {
        KOD = code;
        ProcedureRun run;
        boxes.answer(kw::msgbox::Ok);
        start(run, SEC_TAB);
        ASSERT_TRUE(run.join()) << "code " << int(code);
        ASSERT_EQ(boxes.count(), code == 0 ? 1u : 2u);
        EXPECT_EQ(
            boxes.last().text,
            W("Список пользователей открыт только пользователю с полными правами (код больше 5)"));
        EXPECT_EQ(run.response, kw::resp::Cancelled);
        EXPECT_FALSE(kw::script::waitWindow(W("Пользователи"), 200ms)) << "no window opens";
    }
    KOD = 6;
    EXPECT_TRUE(openList());
}

TEST_F(UsersTest, AUserAddedIsStoredEncipheredWithThePasswordTypedTwiceIntoHiddenEntries) {
    users({user(6, "Кузнецов Игорь", "Заведующий", "6666")});
    ASSERT_TRUE(openList());
    WindowDriver f = form("Добавить", "Новый пользователь");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.type("SEC:K_POL", "7"), Drive::Ok);
    EXPECT_EQ(f.type("SEC:FIO", W("Морозова Елена")), Drive::Ok);
    EXPECT_EQ(f.type("SEC:DOL", W("Кассир")), Drive::Ok);
    EXPECT_EQ(f.type("PAROL1", "Nord7x"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL2", "Nord7x"), Drive::Ok);
    EXPECT_EQ(f.shown("PAROL1"), "******");
    EXPECT_EQ(f.shown("PAROL2"), "******");
    ASSERT_TRUE(ok(f));
    EXPECT_EQ(list_.settle(), Drive::Ok);
    EXPECT_EQ(rows(list_).back(), "7|Морозова Елена|Кассир|полные");

    const kw::dict::SecRecord added = storedUser(7);
    EXPECT_EQ(added.FIO.clip(), W("Морозова Елена"));
    EXPECT_EQ(added.PAROL.clip(), "Nord7x") << "read back under the owner password";
    std::ifstream in("SEC.DAT", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes.find("Nord7x"), std::string::npos) << "the file stays enciphered";
}

TEST_F(UsersTest, EachRuleRefusesTheWriteSaysWhyAndWritesNothing) {
    users({user(6, "Кузнецов Игорь", "Заведующий", "AbC")});
    ASSERT_TRUE(openList());
    WindowDriver f = form("Добавить", "Новый пользователь");
    ASSERT_TRUE(f);
    const auto refused = [&](const char* message) {
        EXPECT_FALSE(ok(f)) << message;
        EXPECT_EQ(f.shown("MESSAGE"), W(message));
        EXPECT_EQ(stored().size(), 1u) << message;
    };
    EXPECT_EQ(f.type("SEC:K_POL", "0"), Drive::Ok);
    refused("Код пользователя - число от 1 до 99");
    EXPECT_EQ(f.focused(), f.findUse("SEC:K_POL"));
    EXPECT_EQ(f.type("SEC:K_POL", "6"), Drive::Ok);
    refused("Код 6 уже есть у другого пользователя");
    EXPECT_EQ(f.type("SEC:K_POL", "2"), Drive::Ok);
    refused("Введите фамилию, имя и отчество");
    EXPECT_EQ(f.type("SEC:FIO", W("Орлова Вера")), Drive::Ok);
    refused("Введите пароль");

    // The password key ignores letter case: another user's in other capitals is taken.
    EXPECT_EQ(f.type("PAROL1", "abc"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL2", "abc"), Drive::Ok);
    refused("Такой пароль уже есть у другого пользователя: выберите другой");
    EXPECT_EQ(f.shown("PAROL1"), "") << "both typed again";
    EXPECT_EQ(f.shown("PAROL2"), "");
    EXPECT_EQ(f.focused(), f.findUse("PAROL1"));

    EXPECT_EQ(f.type("PAROL1", "Vera01"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL2", "Vera02"), Drive::Ok);
    refused("Пароль и его повтор не совпадают: введите оба еще раз");
    EXPECT_EQ(f.shown("PAROL1"), "");

    // Eleven characters do not fit the entry: the password is up to ten.
    boxes.answer(kw::msgbox::Ok);
    EXPECT_EQ(f.type("PAROL1", "Vera01Vera0"), Drive::Ok);
    ASSERT_TRUE(boxes.waitForCount(1, 2s));
    EXPECT_EQ(boxes.last().text, W("Не помещается в поле: Vera01Vera0"));

    EXPECT_EQ(f.type("PAROL1", "Vera01"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL2", "Vera01"), Drive::Ok);
    ASSERT_TRUE(ok(f)) << f.shown("MESSAGE");
    EXPECT_EQ(storedUser(2).PAROL.clip(), "Vera01");
}

TEST_F(UsersTest, AChangeKeepsAPasswordLeftBlankAndTakesANewOneTypedTwice) {
    users({user(1, "Петрова Анна", "Кассир", "1111"),
           user(6, "Кузнецов Игорь", "Заведующий", "6666")});
    ASSERT_TRUE(openList());
    WindowDriver f = form("Изменить", "Изменение пользователя", "Петрова Анна");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("SEC:K_POL"), "1");
    EXPECT_EQ(f.shown("PAROL1"), "") << "the password is never shown";
    EXPECT_EQ(f.type("SEC:DOL", W("Старший кассир")), Drive::Ok);
    ASSERT_TRUE(ok(f));
    EXPECT_EQ(storedUser(1).DOL.clip(), W("Старший кассир"));
    EXPECT_EQ(storedUser(1).PAROL.clip(), "1111");

    f = form("Изменить", "Изменение пользователя", "Петрова Анна");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.type("PAROL1", "Leto"), Drive::Ok);
    EXPECT_FALSE(ok(f)) << "typed once only";
    EXPECT_EQ(f.shown("MESSAGE"), W("Пароль и его повтор не совпадают: введите оба еще раз"));
    EXPECT_EQ(f.type("PAROL1", "Leto"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL2", "Leto"), Drive::Ok);
    ASSERT_TRUE(ok(f));
    EXPECT_EQ(storedUser(1).PAROL.clip(), "Leto");
    EXPECT_EQ(storedUser(6).PAROL.clip(), "6666");
}

TEST_F(UsersTest, TheLastUserWithTheFullRightsIsNeitherDeletedNorDemoted) {
    users({user(1, "Петрова Анна", "Кассир", "1111"),
           user(6, "Кузнецов Игорь", "Заведующий", "6666")});
    ASSERT_TRUE(openList());
    WindowDriver f = form("Удалить", "Удаление пользователя", "Кузнецов Игорь");
    ASSERT_TRUE(f);
    EXPECT_FALSE(ok(f));
    EXPECT_EQ(f.shown("MESSAGE"), W("Нельзя удалить последнего пользователя с полными правами"));
    leave(f);
    f = form("Изменить", "Изменение пользователя", "Кузнецов Игорь");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.type("SEC:K_POL", "5"), Drive::Ok);
    EXPECT_FALSE(ok(f));
    EXPECT_EQ(f.shown("MESSAGE"),
              W("Нельзя лишить полных прав последнего пользователя с полными правами"));
    // Another code with the full rights is no demotion.
    EXPECT_EQ(f.type("SEC:K_POL", "7"), Drive::Ok);
    ASSERT_TRUE(ok(f)) << f.shown("MESSAGE");
    EXPECT_EQ(storedUser(7).PAROL.clip(), "6666");
    EXPECT_EQ(stored().size(), 2u);

    // With a second one, either may go; then the one left is the last again.
    f = form("Добавить", "Новый пользователь");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.type("SEC:K_POL", "9"), Drive::Ok);
    EXPECT_EQ(f.type("SEC:FIO", W("Соколов Андрей")), Drive::Ok);
    EXPECT_EQ(f.type("PAROL1", "9999"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL2", "9999"), Drive::Ok);
    ASSERT_TRUE(ok(f));
    f = form("Удалить", "Удаление пользователя", "Кузнецов Игорь");
    ASSERT_TRUE(f);
    ASSERT_TRUE(ok(f)) << f.shown("MESSAGE");
    EXPECT_EQ(storedUser(7).K_POL, 0) << "deleted";
    f = form("Изменить", "Изменение пользователя", "Соколов Андрей");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.type("SEC:K_POL", "4"), Drive::Ok);
    EXPECT_FALSE(ok(f));
    leave(f);
    // A restricted user goes freely.
    f = form("Удалить", "Удаление пользователя", "Петрова Анна");
    ASSERT_TRUE(f);
    ASSERT_TRUE(ok(f)) << f.shown("MESSAGE");
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].K_POL, 9);
}

TEST_F(UsersTest, AnEmptyListTakesAUserWithTheFullRightsFirst) {
    ASSERT_TRUE(openList());
    WindowDriver f = form("Добавить", "Новый пользователь");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.type("SEC:K_POL", "3"), Drive::Ok);
    EXPECT_EQ(f.type("SEC:FIO", W("Петрова Анна")), Drive::Ok);
    EXPECT_EQ(f.type("PAROL1", "3333"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL2", "3333"), Drive::Ok);
    EXPECT_FALSE(ok(f));
    EXPECT_EQ(f.shown("MESSAGE"),
              W("Сначала добавьте пользователя с полными правами (код больше 5)"));
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(f.type("SEC:K_POL", "8"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL1", "3333"), Drive::Ok);
    EXPECT_EQ(f.type("PAROL2", "3333"), Drive::Ok);
    ASSERT_TRUE(ok(f)) << f.shown("MESSAGE");
    EXPECT_EQ(stored().size(), 1u);
}

// The rules read SEC when OK is pressed, not when the form opened: another desk that
// deleted the other full user meanwhile makes this one the last.
TEST_F(UsersTest, AnotherDesksDeletionMeanwhileMakesThisUserTheLastWithTheFullRights) {
    users({user(6, "Кузнецов Игорь", "Заведующий", "6666"),
           user(9, "Соколов Андрей", "Администратор", "9999")});
    ASSERT_TRUE(openList());
    WindowDriver f = form("Изменить", "Изменение пользователя", "Кузнецов Игорь");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.type("SEC:K_POL", "2"), Drive::Ok);
    std::thread([] {
        kw::proc::setCurrentThread(62);
        kw::storage::File sec(kw::dict::secTable());
        ASSERT_TRUE(sec.open().ok());
        while (sec.next().ok()) {
            if (SEC.K_POL == 9) {
                ASSERT_TRUE(sec.remove().ok());
            }
        }
        ASSERT_TRUE(sec.close().ok());
    }).join();
    EXPECT_FALSE(ok(f));
    EXPECT_EQ(f.shown("MESSAGE"),
              W("Нельзя лишить полных прав последнего пользователя с полными правами"));
    leave(f);
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].K_POL, 6);
}

// Two desks (threads of the program, each its own open of the files) each take the full
// rights from one of the two users who have them, pressing OK at once: the rules and
// the write of each are one step, so one desk's change is refused and one full user
// remains, round after round.
TEST_F(UsersTest, TwoDesksAtOnceCannotTakeTheFullRightsFromBothOfTheLastTwo) {
    constexpr int kRounds = 5;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        if (round > 0) removeUsers();
        users({user(6, "Кузнецов Игорь", "Заведующий", "6666"),
               user(7, "Соколов Андрей", "Администратор", "7777")});
        ProcedureRun runs[2];
        WindowDriver lists[2], forms[2];
        for (int desk = 0; desk < 2; ++desk) {
            start(runs[desk], SEC_TAB);
            ASSERT_TRUE(kwtest::eventually([&] {
                lists[desk] = kw::script::waitWindow(W("Пользователи"), 10ms);
                return lists[desk] && (desk == 0 || lists[desk].model() != lists[0].model());
            }));
            ASSERT_EQ(lists[desk].settle(), Drive::Ok);
            ASSERT_EQ(lists[desk].selectRow(kList, desk + 1), Drive::Ok);
            ASSERT_EQ(lists[desk].press(W("Изменить")), Drive::Ok);
            ASSERT_TRUE(kwtest::eventually([&] {
                forms[desk] = kw::script::waitWindow(W("Изменение пользователя"), 10ms);
                return forms[desk] && (desk == 0 || forms[desk].model() != forms[0].model());
            }));
            ASSERT_EQ(forms[desk].settle(), Drive::Ok);
            ASSERT_EQ(forms[desk].type("SEC:K_POL", std::to_string(desk + 2)), Drive::Ok);
        }
        std::thread other([&] { (void)forms[1].press("OK"); });
        (void)forms[0].press("OK");
        other.join();
        EXPECT_EQ(int(forms[0].isOpen()) + int(forms[1].isOpen()), 1)
            << "one desk's change is refused";
        int full = 0;
        for (const kw::dict::SecRecord& r : stored()) full += r.K_POL > 5;
        EXPECT_EQ(full, 1);
        for (int desk = 0; desk < 2; ++desk) {
            if (forms[desk].isOpen()) leave(forms[desk]);
            EXPECT_EQ(lists[desk].settle(), Drive::Ok);
            EXPECT_EQ(lists[desk].closeBox(), Drive::Ok);
            EXPECT_TRUE(runs[desk].join());
        }
        for (const kw::script::ShownBox& b : boxes.shown())
            EXPECT_NE(b.text.find(W("без сохранения")), std::string::npos)
                << "no failure said: " << kw::cp::toUtf8(b.text);
    }
}
