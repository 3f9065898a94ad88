// The audit journal as the cash desk writes it: a whole day of a desk leaves exactly
// the entries of its operations, each with its user, desk, key and for a change its
// fields; a change that fails at a desk leaves none; two desk processes writing at
// once keep one unbroken chain.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "cashdesk/auditor.h"
#include "cashdesk/day_texts.h"
#include "cashdesk_test_util.h"
#include "framework/data/audit.h"
#include "framework/data/file_manager.h"
#include "pledges/pledge_procedures.h"
#include "storage/fault_file_system.h"

namespace kwcash {
namespace {

using kw::audit::Kind;
using kw::dict::AudRecord;

constexpr int kJournalList = 1;
constexpr int kRollbackList = 3;

std::string host() {
    char buf[256] = {};
    EXPECT_EQ(::gethostname(buf, sizeof buf - 1), 0);
    return buf;
}

// An entry as "KIND KEY" (kind by number, key as stored): what a day's list compares.
std::string brief(const AudRecord& a) {
    return std::to_string(a.KIND) + " " + std::string(a.KEY.clip());
}
std::string brief(Kind k, const std::string& key) {
    return std::to_string(static_cast<int>(k)) + " " + key;
}

class AuditJournalTest : public CashdeskTest {
  protected:
    void SetUp() override {
        CashdeskTest::SetUp();
        addRecords(kw::dict::kbpTable(), std::vector{loanSettings(10000)});
        addGoldPriceAndOperator();
        addRecords(kw::dict::klmTable(), std::vector<KlmRecord>{});
        addRecords(kw::dict::dayTable(), std::vector<DayRecord>{});
        addRecords(kw::dict::audTable(), std::vector<AudRecord>{});
        kw::cashdesk::installAuditor();
    }
    void TearDown() override {
        kw::cashdesk::removeAuditor();
        CashdeskTest::TearDown();
    }

    // The journal's entries in order; the chain checked on the way.
    static std::vector<AudRecord> entries() {
        std::vector<AudRecord> out;
        onThread(61, [&] {
            kw::storage::File f(kw::dict::audTable());
            ASSERT_TRUE(f.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok());
            (void)f.set(1);
            while (f.next().ok()) out.push_back(AUD);
            const kw::audit::Finding v = kw::audit::verify(f);
            EXPECT_TRUE(v.ok) << "entry " << v.entry << ": " << v.what;
            (void)f.close();
        });
        return out;
    }
    static std::vector<std::string> briefs() {
        std::vector<std::string> out;
        for (const AudRecord& a : entries()) out.push_back(brief(a));
        return out;
    }

    // A new loan of `grams` for `client` through the day's list; its ticket number.
    int32_t loan(const char* client, const char* grams) {
        const int t = run(ZAL_TAB);
        WindowDriver l = window(W("Залоговые ссуды за день"));
        EXPECT_EQ(l.press(W("Добавить")), Drive::Ok);
        WindowDriver f = window(W("Добавить ???"));
        const int32_t ticket = std::atoi(f.shown("ZAL:N_KV").c_str());
        EXPECT_EQ(f.type("ZAL:FIO", W(client)), Drive::Ok);
        EXPECT_EQ(f.type("ZAL:VEC", grams), Drive::Ok);
        EXPECT_EQ(f.press("OK"), Drive::Ok);
        EXPECT_TRUE(f.waitClosed(5s));
        closeTicket();
        closeWith(l, W("Закрыть"), t);
        return ticket;
    }
    // A prolongation or redemption of `ticket` through its list.
    void event(void (*list)(), const char* listTitle, const char* formTitle, int32_t ticket,
               const char* term) {
        const int t = run(list);
        WindowDriver l = window(W(listTitle));
        EXPECT_EQ(l.type("LOOK", std::to_string(ticket)), Drive::Ok);
        EXPECT_EQ(l.press(W("Обработать")), Drive::Ok);
        WindowDriver f = window(W(formTitle));
        EXPECT_EQ(f.shown("ZAL:N_KV"), std::to_string(ticket));
        if (term) {
            EXPECT_EQ(f.type(term, "20"), Drive::Ok);
        }
        EXPECT_EQ(f.press("OK"), Drive::Ok);
        EXPECT_TRUE(f.waitClosed(5s));
        closeTicket();
        closeWith(l, W("Закрыть"), t);
    }
    static void closeTicket() {
        WindowDriver d = kw::script::waitWindow(W("печать билета"), 5s);
        ASSERT_TRUE(d);
        ASSERT_EQ(d.settle(), Drive::Ok);
        ASSERT_EQ(d.press(W("Закрыть")), Drive::Ok);
    }
    // The day's window of O_DAY, ZAC_D or AVA_D, its action confirmed.
    void dayAction(void (*procedure)(), const std::string& title, const char* button,
                   const std::string& boxTitle, const char* exit) {
        const int t = run(procedure);
        WindowDriver w = window(title);
        confirm(w, W(button), boxTitle, "OK");
        closeWith(w, W(exit), t);
    }
    // KAS_TAB over today.
    WindowDriver journalList(int& thread) {
        D1 = D2 = kToday;
        thread = run(KAS_TAB);
        return window(W("Внешние операции по кассе"));
    }
    int rowShowing(WindowDriver& list, const std::string& receipt) {
        for (int r = 1; r <= list.rows(kJournalList); ++r)
            if (list.cell(kJournalList, r, 3) == receipt) return r;
        return 0;
    }
};

TEST_F(AuditJournalTest, AWholeDayLeavesExactlyTheEntriesOfItsOperations) {
    dayAction(O_DAY, kw::cashdesk::openDayTitle(), "Открыть???", kw::cashdesk::openBoxTitle(),
              "Выход");
    const int32_t a = loan("Сидоров Пётр", "10");
    const int32_t b = loan("Петрова Анна", "5");
    event(ZAL_TAB1, "Первый перезалог", "Оформление  1-го перезалога", a, "ZAL:KOL_D1");
    event(ZAL_TABV, "Выкуп заложенной вещи", "Оформление  выкупа заложенной вещи", b, nullptr);

    // The cash journal: an entry added, changed from 100 to 150, deleted.
    int t = 0;
    WindowDriver list = journalList(t);
    ASSERT_EQ(list.press(W("Добавить")), Drive::Ok);
    WindowDriver f = window(W("Добавить ???"));
    ASSERT_EQ(f.type("KLM:PRI", "100"), Drive::Ok);
    ASSERT_EQ(f.type("KLM:NAME", W("Сдача в банк")), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_EQ(list.settle(), Drive::Ok);
    ASSERT_EQ(list.selectRow(kJournalList, rowShowing(list, "100.00")), Drive::Ok);
    ASSERT_EQ(list.press(W("Изменить")), Drive::Ok);
    f = window(W("Изменить ???"));
    ASSERT_EQ(f.type("KLM:PRI", "150"), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_EQ(list.settle(), Drive::Ok);
    ASSERT_EQ(list.selectRow(kJournalList, rowShowing(list, "150.00")), Drive::Ok);
    ASSERT_EQ(list.press(W("Удалить")), Drive::Ok);
    f = window(W("Удалить"));
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_EQ(list.settle(), Drive::Ok);
    closeWith(list, W("Закрыть"), t);

    // The redemption rolled back: the pledge is in its first state again.
    t = run(OTK_TAB);
    WindowDriver r = window(W("Просмотр/восстановление статуса записи"));
    int row = 0;
    for (int i = 1; i <= r.rows(kRollbackList) && row == 0; ++i)
        if (r.cell(kRollbackList, i, 1) == std::to_string(b)) row = i;
    ASSERT_NE(row, 0);
    ASSERT_EQ(r.selectRow(kRollbackList, row), Drive::Ok);
    ASSERT_EQ(r.press(W("Установить/Восстановить")), Drive::Ok);
    f = window(W("Восстановление статуса записи"));
    ASSERT_EQ(f.type("ZAL:SOST", "0"), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_TRUE(f.waitClosed(5s));
    closeWith(r, W("Закрыть"), t);

    dayAction(ZAC_D, kw::cashdesk::closeDayTitle(), "Закрыть ???", kw::cashdesk::closeBoxTitle(),
              "OK");
    dayAction(AVA_D, kw::cashdesk::reopenDayTitle(), "Открыть ???", kw::cashdesk::closeBoxTitle(),
              "Выход");

    const std::string day = "08.12.2025";
    const std::vector<AudRecord> e = entries();
    std::vector<std::string> got;
    for (const AudRecord& x : e) got.push_back(brief(x));
    ASSERT_EQ(got, (std::vector<std::string>{
                       brief(Kind::DayOpened, day),
                       brief(Kind::NewPledge, std::to_string(a)),
                       brief(Kind::NewPledge, std::to_string(b)),
                       brief(Kind::Prolongation1, std::to_string(a)),
                       brief(Kind::Redemption, std::to_string(b)),
                       brief(Kind::JournalAdded, day + " #1"),
                       brief(Kind::JournalChanged, day + " #1"),
                       brief(Kind::JournalDeleted, day + " #1"),
                       brief(Kind::RolledBack, std::to_string(b)),
                       brief(Kind::SettingsChanged, "#1"),
                       brief(Kind::DayClosed, day),
                       brief(Kind::SettingsChanged, "#1"),
                       brief(Kind::DayReopened, day),
                   }));
    for (const AudRecord& x : e) {
        EXPECT_EQ(x.DATA, kToday);
        EXPECT_EQ(x.KOD, 6);
        EXPECT_EQ(x.FIO.clip(), W("Иванова И.И."));
        EXPECT_EQ(x.HOST.clip(), host().substr(0, 20));
    }
    EXPECT_EQ(e[1].TAB.clip(), "ZAL");
    EXPECT_NE(std::string(e[1].TEXT.clip()).find(W("FIO: \"\" -> \"Сидоров Пётр\"")),
              std::string::npos)
        << kw::cp::toUtf8(e[1].TEXT.clip());
    EXPECT_NE(std::string(e[3].TEXT.clip()).find("SOST: 0 -> 1"), std::string::npos);
    EXPECT_NE(std::string(e[3].TEXT.clip()).find("KOL_D1: 0 -> 20"), std::string::npos);
    EXPECT_EQ(e[6].TAB.clip(), "KLM");
    EXPECT_EQ(e[6].TEXT.clip(), "PRI: 100 -> 150") << "only the field changed";
    EXPECT_EQ(std::string(e[8].TEXT.clip()).rfind(W("Откат к состоянию 0; "), 0), 0u)
        << kw::cp::toUtf8(e[8].TEXT.clip());
    EXPECT_NE(std::string(e[8].TEXT.clip()).find("SOST: 4 -> 0"), std::string::npos);
    EXPECT_NE(std::string(e[9].TEXT.clip()).find("KAS_N: 10000 -> "), std::string::npos)
        << "the balance the closing carries over";
}

// A change that fails at the desk leaves no entry: a loan whose journal entry meets a
// full disk is not stored either, and stored once with its entry when there is room;
// a journal entry changed meanwhile by another station is not written over.
TEST_F(AuditJournalTest, AChangeThatFailsAtTheDeskLeavesNoEntry) {
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 10000)});
    KlmRecord k;
    k.DATA = kToday;
    k.PRI = 100;
    k.NAME = W("Касса");
    addRecords(kw::dict::klmTable(), std::vector{k});

    // The journal on a disk that fills up at its next write.
    kw::storage::FaultFileSystem fs;
    kw::storage::FileOptions o;
    o.fs = &fs;
    kw::storage::File audFile(kw::dict::audTable(), o);
    kw::FileManager audManager;
    audManager.Init(audFile, GlobalErrors);
    kw::FileManager* const dictionaryAud = Access::AUD;
    Access::AUD = &audManager;
    fs.arm(kw::storage::FaultFileSystem::Fault::DiskFull, 1);

    int t = run(ZAL_TAB);
    WindowDriver l = window(W("Залоговые ссуды за день"));
    ASSERT_EQ(l.press(W("Добавить")), Drive::Ok);
    WindowDriver f = window(W("Добавить ???"));
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(eventually([&] { return !boxes.shown().empty(); }));
    EXPECT_NE(lastBox().text.find("No space left on device"), std::string::npos)
        << kw::cp::toUtf8(lastBox().text);
    ASSERT_EQ(boxes.reply("OK"), Drive::Ok);
    ASSERT_EQ(f.settle(), Drive::Ok);
    EXPECT_TRUE(f.isOpen());
    EXPECT_TRUE(pledges().empty()) << "no loan without its entry";
    EXPECT_TRUE(entries().empty());

    fs.arm(kw::storage::FaultFileSystem::Fault::None, 0);  // room again
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    closeTicket();
    closeWith(l, W("Закрыть"), t);
    EXPECT_EQ(pledges().size(), 1u);
    EXPECT_EQ(
        briefs(),
        (std::vector<std::string>{brief(Kind::NewPledge, std::to_string(pledges()[0].N_KV))}));
    Access::AUD = dictionaryAud;
    audManager.Kill();

    // Another station changes the journal entry while the form has it open.
    WindowDriver list = journalList(t);
    ASSERT_EQ(list.selectRow(kJournalList, 1), Drive::Ok);
    ASSERT_EQ(list.press(W("Изменить")), Drive::Ok);
    f = window(W("Изменить ???"));
    ASSERT_EQ(f.type("KLM:PRI", "150"), Drive::Ok);
    onThread(62, [] {
        kw::storage::File other(kw::dict::klmTable());
        ASSERT_TRUE(other.open().ok());
        ASSERT_TRUE(other.getRecord(1).ok());
        KLM.PRI = 120;
        ASSERT_TRUE(other.put().ok());
        ASSERT_TRUE(other.close().ok());
    });
    const std::size_t shown = boxes.shown().size();
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(eventually([&] { return boxes.shown().size() > shown; }));
    EXPECT_NE(lastBox().text.find("changed by another station"), std::string::npos)
        << kw::cp::toUtf8(lastBox().text);
    for (const kw::script::ShownBox& b : boxes.shown())
        if (!b.answered) boxes.answer(b.defaultButton);
    EXPECT_EQ(journal()[0].PRI, 120) << "the other station's change stays";
    EXPECT_EQ(briefs().size(), 1u) << "the refused change left no entry";
}

// Two desks, each a process of its own, add journal entries at once: every entry has
// its audit entry, numbered without a gap, and the chain holds.
TEST_F(AuditJournalTest, TwoDeskProcessesWritingAtOnceKeepOneUnbrokenChain) {
    addRecords(kw::dict::dayTable(), std::vector{day(kToday, 10000)});
    constexpr int kEach = 40;
    std::vector<pid_t> desks;
    for (int desk = 1; desk <= 2; ++desk) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (Access::KLM->Open() != kw::Level::Benign) ::_exit(2);
            for (int i = 0; i < kEach; ++i) {
                KLM = KlmRecord{};
                KLM.DATA = kToday;
                KLM.PRI = desk * 1000 + i;
                if (Access::KLM->TryInsert() != kw::Level::Benign) ::_exit(3);
            }
            (void)Access::KLM->Close();
            ::_exit(0);
        }
        desks.push_back(pid);
    }
    for (pid_t pid : desks) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a desk failed to write";
    }
    const std::vector<AudRecord> e = entries();  // the chain is checked here
    ASSERT_EQ(e.size(), 2u * kEach);
    std::vector<int> perDesk(3, 0);
    for (std::size_t i = 0; i < e.size(); ++i) {
        EXPECT_EQ(e[i].N, static_cast<int32_t>(i + 1));
        EXPECT_EQ(e[i].KIND, static_cast<int16_t>(Kind::JournalAdded));
        const std::string text = std::string(e[i].TEXT.clip());
        const auto at = text.find("PRI: 0 -> ");
        ASSERT_NE(at, std::string::npos) << text;
        ++perDesk[std::atoi(text.c_str() + at + 10) / 1000];
    }
    EXPECT_EQ(perDesk[1], kEach);
    EXPECT_EQ(perDesk[2], kEach);
}

}  // namespace
}  // namespace kwcash
