// The audit journal's window AUD_TAB: the entries of the period and of each filter,
// exactly, in number order; the whole of a long entry beside the filters; no way to add,
// change or delete an entry from it; closed to the users without full rights; its print
// takes the selection the window shows.
#include "cashdesk_test_util.h"
#include "framework/data/audit.h"
#include "runtime/report.h"
#include "runtime/window_events.h"

namespace kwcash {
namespace {

using kw::audit::Kind;

// The window's lists.
constexpr int kKinds = 12, kDetail = 14, kList = 15;
// The list's columns.
constexpr int kDateCol = 1, kTimeCol = 2, kUserCol = 3, kHostCol = 4, kTabCol = 5, kKeyCol = 6,
              kKindCol = 7, kTextCol = 8;

// Hundredths since midnight + 1, as the journal keeps the time.
int32_t at(int h, int m) {
    return (h * 3600 + m * 60) * 100 + 1;
}

// The changes of entry 8: three fields, one of them a long description.
const std::string kLongChange =
    "OP_IZ: \"Кольцо\" -> \"Кольцо золотое с тремя камнями, на внутренней стороне надпись, "
    "царапина на шинке, размер 17, проба читается, вставки: фианит круглый три штуки, "
    "камни держатся крепко, замок исправен, следы носки на внешней стороне, вес без камней "
    "указан по весам кассы, изделие осмотрено при клиенте и упаковано в пакет с номером билета\"";
const std::string kChanges =
    "FIO: \"Петров П.П.\" -> \"Петрова П.П.\"; S_OZEN: 1000 -> 1200; " + kLongChange;

kw::audit::Entry entry(int32_t date, int32_t time, uint8_t user, const char* table, const char* key,
                       Kind kind, const std::string& text = "") {
    static const char* const names[] = {
        "", "", "", "Сидорова С.С.", "", "", "Иванова И.И.", "Петров П.П."};
    kw::audit::Entry e;
    e.kind = kind;
    e.user = user;
    e.userName = W(names[user]);
    e.host = user == 7 ? "desk-2" : "desk-1";
    e.table = table;
    e.key = key;
    e.text = W(text);
    e.date = date;
    e.time = time;
    return e;
}

// Ten entries over three days; entry n is at index n - 1. Each has a time of its own,
// so a row of the list names its entry by its time.
std::vector<kw::audit::Entry> journalEntries() {
    const int32_t d0 = kToday - 2, d1 = kToday - 1, d2 = kToday;
    return {
        entry(d0, at(9, 1), 6, "ZAL", "1001", Kind::NewPledge),                 // 1
        entry(d0, at(9, 2), 7, "KLM", "1001", Kind::JournalAdded),              // 2
        entry(d0, at(18, 0), 6, "DAY", "06.12.2025", Kind::DayClosed),          // 3
        entry(d1, at(9, 3), 6, "DAY", "07.12.2025", Kind::DayOpened),           // 4
        entry(d1, at(10, 0), 7, "ZAL", "1001", Kind::Prolongation1),            // 5
        entry(d1, at(11, 0), 6, "ZAL", "1002", Kind::NewPledge),                // 6
        entry(d2, at(9, 4), 6, "ZAL", "1001", Kind::Redemption),                // 7
        entry(d2, at(9, 30), 7, "ZAL", "1002", Kind::PledgeChanged, kChanges),  // 8
        entry(d2, at(10, 15), 3, "SEC", "3", Kind::LoginRefused),               // 9
        entry(d2, at(11, 30), 6, "ZAL", "10010", Kind::NewPledge),              // 10
    };
}

// The times shown by the list, top to bottom.
std::vector<std::string> shownTimes(const WindowDriver& w) {
    std::vector<std::string> t;
    for (int r = 1; r <= w.rows(kList); ++r) t.push_back(w.cell(kList, r, kTimeCol));
    return t;
}

// The time each of the entries numbered shows.
std::vector<std::string> timesOf(std::initializer_list<int> numbers) {
    const auto all = journalEntries();
    std::vector<std::string> t;
    for (int n : numbers)
        t.push_back(kw::picture::format(static_cast<double>(all[n - 1].time), "T8"));
    return t;
}

std::vector<kw::dict::AudRecord> journalRecords() {
    return readRecords<kw::dict::AudRecord>(kw::dict::audTable());
}

class AuditWindowTest : public CashdeskTest {
  protected:
    void SetUp() override {
        CashdeskTest::SetUp();
        onThread(60, [] {
            kw::storage::File f(kw::dict::audTable());
            ASSERT_TRUE(openAside(f));
            for (const kw::audit::Entry& e : journalEntries())
                ASSERT_TRUE(kw::audit::append(f, e).ok());
            ASSERT_TRUE(f.close().ok());
        });
    }

    WindowDriver open(int& thread) {
        thread = run(AUD_TAB);
        return window(W("Журнал операций"));
    }

    // Types the period and waits for the list.
    static void period(WindowDriver& w, const char* from, const char* to) {
        EXPECT_EQ(w.type("FROM_D", from), Drive::Ok);
        EXPECT_EQ(w.type("TO_D", to), Drive::Ok);
    }
};

TEST_F(AuditWindowTest, OpensOnTodaysEntriesInNumberOrderWithEveryColumn) {
    int t = 0;
    WindowDriver w = open(t);
    ASSERT_TRUE(w);
    EXPECT_EQ(shownTimes(w), timesOf({7, 8, 9, 10}));
    // entry 8, the second row
    EXPECT_EQ(w.cell(kList, 2, kDateCol), "08.12.2025");
    EXPECT_EQ(w.cell(kList, 2, kTimeCol), "09:30:00");
    EXPECT_EQ(w.cell(kList, 2, kUserCol), W("7 Петров П.П."));
    EXPECT_EQ(w.cell(kList, 2, kHostCol), "desk-2");
    EXPECT_EQ(w.cell(kList, 2, kTabCol), "ZAL");
    EXPECT_EQ(w.cell(kList, 2, kKeyCol), "1002");
    EXPECT_EQ(w.cell(kList, 2, kKindCol), W("Изменение залога"));
    EXPECT_EQ(w.cell(kList, 2, kTextCol).substr(0, 20), W(kChanges).substr(0, 20));
    EXPECT_EQ(w.cell(kList, 3, kKindCol), W("Отказ во входе"));
    EXPECT_EQ(w.cell(kList, 3, kUserCol), W("3 Сидорова С.С."));
    closeWith(w, W("Закрыть"), t);
}

TEST_F(AuditWindowTest, ThePeriodAndEachFilterListExactlyTheirEntries) {
    int t = 0;
    WindowDriver w = open(t);
    ASSERT_TRUE(w);
    period(w, "06.12.2025", "07.12.2025");
    EXPECT_EQ(shownTimes(w), timesOf({1, 2, 3, 4, 5, 6}));
    period(w, "07.12.2025", "07.12.2025");
    EXPECT_EQ(shownTimes(w), timesOf({4, 5, 6}));
    period(w, "08.12.2025", "07.12.2025");
    EXPECT_EQ(w.rows(kList), 0) << "a period that ends before it starts holds nothing";

    period(w, "01.12.2025", "31.12.2025");
    EXPECT_EQ(shownTimes(w), timesOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(w.type("TICKET", "1001"), Drive::Ok);
    EXPECT_EQ(shownTimes(w), timesOf({1, 5, 7}))
        << "ticket 10010 and cash entry 1001 are not ticket 1001";
    EXPECT_EQ(w.type("USER", "7"), Drive::Ok);
    EXPECT_EQ(shownTimes(w), timesOf({5})) << "ticket 1001 by user 7";
    EXPECT_EQ(w.type("TICKET", ""), Drive::Ok);
    EXPECT_EQ(shownTimes(w), timesOf({2, 5, 8})) << "user 7 alone";
    EXPECT_EQ(w.type("USER", "0"), Drive::Ok);
    EXPECT_EQ(w.rows(kList), 0) << "no entry of user 0";
    EXPECT_EQ(w.type("USER", ""), Drive::Ok);

    // the kinds: "Все виды" first, then the kinds in their order
    EXPECT_EQ(w.cell(kKinds, 1, 1), W("Все виды"));
    ASSERT_EQ(w.selectRow(kKinds, 2), Drive::Ok);  // "Новый залог"
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(shownTimes(w), timesOf({1, 6, 10}));
    EXPECT_EQ(w.type("TICKET", "1002"), Drive::Ok);
    EXPECT_EQ(shownTimes(w), timesOf({6}));
    ASSERT_EQ(w.selectRow(kKinds, 1), Drive::Ok);
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(shownTimes(w), timesOf({6, 8}));
    closeWith(w, W("Закрыть"), t);
}

TEST_F(AuditWindowTest, ANumberThatIsNoneIsSaidAndTheListStays) {
    int t = 0;
    WindowDriver w = open(t);
    ASSERT_TRUE(w);
    ASSERT_EQ(boxes.reply(kw::msgbox::Ok), Drive::Ok);  // for the box to come
    EXPECT_EQ(w.type("TICKET", W("12а")), Drive::Ok);
    ASSERT_TRUE(boxes.waitForCount(1, 10s));
    EXPECT_NE(boxes.last().text.find(W("Номер билета")), std::string::npos)
        << kw::cp::toUtf8(boxes.last().text);
    EXPECT_EQ(shownTimes(w), timesOf({7, 8, 9, 10}));
    ASSERT_EQ(boxes.reply(kw::msgbox::Ok), Drive::Ok);
    EXPECT_EQ(w.type("TICKET", ""), Drive::Ok);
    EXPECT_EQ(w.type("USER", "300"), Drive::Ok);
    ASSERT_TRUE(boxes.waitForCount(2, 10s));
    EXPECT_NE(boxes.last().text.find(W("Код пользователя")), std::string::npos);
    EXPECT_EQ(shownTimes(w), timesOf({7, 8, 9, 10}));
    closeWith(w, W("Закрыть"), t);
}

TEST_F(AuditWindowTest, TheHighlightedEntrysChangesStandInFullOneALine) {
    int t = 0;
    WindowDriver w = open(t);
    ASSERT_TRUE(w);
    ASSERT_EQ(w.selectRow(kList, 2), Drive::Ok);
    EXPECT_EQ(w.settle(), Drive::Ok);
    ASSERT_GE(w.rows(kDetail), 4) << "three changes, the long one on two lines at least";
    EXPECT_EQ(w.cell(kDetail, 1, 1), W("FIO: \"Петров П.П.\" -> \"Петрова П.П.\";"));
    EXPECT_EQ(w.cell(kDetail, 2, 1), W("S_OZEN: 1000 -> 1200;"));
    std::string rest;
    for (int r = 3; r <= w.rows(kDetail); ++r)
        rest += (rest.empty() ? "" : " ") + w.cell(kDetail, r, 1);
    EXPECT_EQ(rest, W(kLongChange)) << "nothing of the long change is lost";

    ASSERT_EQ(w.selectRow(kList, 1), Drive::Ok);
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(w.rows(kDetail), 1);
    EXPECT_EQ(w.cell(kDetail, 1, 1), "") << "entry 7 has no changes";
    period(w, "01.01.2025", "02.01.2025");
    EXPECT_EQ(w.rows(kDetail), 0) << "nothing highlighted, nothing shown";
    closeWith(w, W("Закрыть"), t);
}

TEST_F(AuditWindowTest, NothingInTheWindowAddsChangesOrDeletesAnEntry) {
    const std::vector<kw::dict::AudRecord> before = journalRecords();
    ASSERT_EQ(before.size(), 10u);
    int t = 0;
    WindowDriver w = open(t);
    ASSERT_TRUE(w);
    for (const char* label : {"Добавить", "Изменить", "Удалить"})
        EXPECT_EQ(w.find(W(label)), 0) << label;
    ASSERT_EQ(w.selectRow(kList, 1), Drive::Ok);
    for (int key :
         {kw::ui::key::Insert, kw::ui::key::Delete, kw::ui::key::Enter, kw::ui::key::DoubleClick})
        (void)w.key(kList, key);
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(kw::script::windows().size(), 1u) << "no form opened";
    // the list's popup menu carries the items of the buttons connected: none of these
    ASSERT_EQ(w.key(kList, kw::ui::key::RightClick), Drive::Ok);
    for (const kw::ui::PopupItem& i : w.popupMenu()) {
        const std::string text = kw::ui::labelText(i.text);
        EXPECT_TRUE(text != "Insert" && text != "Change" && text != "Delete") << text;
    }
    (void)w.dismissPopup();
    closeWith(w, W("Закрыть"), t);

    const std::vector<kw::dict::AudRecord> after = journalRecords();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(std::memcmp(&after[i], &before[i], sizeof after[i]), 0) << "entry " << i + 1;
    onThread(61, [] {
        kw::storage::File f(kw::dict::audTable());
        ASSERT_TRUE(f.open().ok());
        const kw::audit::Finding found = kw::audit::verify(f);
        EXPECT_TRUE(found.ok) << found.what;
        EXPECT_EQ(found.entries, 10u);
        (void)f.close();
    });
}

TEST_F(AuditWindowTest, AUserWithoutFullRightsIsRefusedAndNoWindowOpens) {
    for (uint8_t code : {uint8_t{0}, uint8_t{5}}) {
        KOD = code;
        const std::size_t seen = boxes.shown().size();
        ASSERT_EQ(boxes.reply(kw::msgbox::Ok), Drive::Ok);  // for the box to come
        const int t = run(AUD_TAB);
        EXPECT_TRUE(kw::proc::wait(t, 10s));
        ASSERT_EQ(boxes.shown().size(), seen + 1) << int(code);
        EXPECT_NE(boxes.last().text.find(W("только пользователю с полными правами")),
                  std::string::npos);
        EXPECT_EQ(GlobalResponse, kw::resp::Cancelled);
        EXPECT_FALSE(kw::script::waitWindow(W("Журнал операций"), 100ms));
    }
    KOD = 6;
    int t = 0;
    WindowDriver w = open(t);
    EXPECT_TRUE(w) << "code 6 opens it";
    if (w) closeWith(w, W("Закрыть"), t);
}

TEST_F(AuditWindowTest, ThePrintTakesTheSelectionTheWindowShows) {
    int t = 0;
    WindowDriver w = open(t);
    ASSERT_TRUE(w);
    period(w, "06.12.2025", "08.12.2025");
    EXPECT_EQ(w.type("TICKET", "1001"), Drive::Ok);
    kw::report::setLastDocument(nullptr);
    ASSERT_EQ(w.press(W("Печать")), Drive::Ok);
    WindowDriver p = kw::script::waitWindow("Report Preview");
    ASSERT_TRUE(p) << "no preview came";
    EXPECT_EQ(p.settle(), Drive::Ok);
    const auto doc = kw::report::lastDocument();
    ASSERT_EQ(p.press("Exit"), Drive::Ok);
    EXPECT_TRUE(p.waitClosed(5s));
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->contains(W("билет № 1001")));
    for (const std::string& time : timesOf({1, 5, 7})) EXPECT_TRUE(doc->contains(time)) << time;
    for (const std::string& time : timesOf({2, 3, 4, 6, 8, 9, 10}))
        EXPECT_FALSE(doc->contains(time)) << time;
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(shownTimes(w), timesOf({1, 5, 7})) << "the window stays as it was";
    closeWith(w, W("Закрыть"), t);
}

}  // namespace
}  // namespace kwcash
