// The window engine through the scripted back end: the accept loop, validation by
// picture, select-all, display and update, control states, lists, keys and timers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "runtime/codepage.h"
#include "window_test_util.h"

namespace {

using namespace kwtest;
using kw::W;
using kw::script::Drive;
using kw::ui::Binding;
using kw::ui::Control;
using kw::ui::Window;
using kw::ui::WindowDef;
namespace ev = kw::ui::ev;
namespace key = kw::ui::key;

// A small form: code (n2), name (s10), sum (n_10.2), OK (default) and Cancel.
struct Form {
    uint8_t code = 0;
    kw::FixedString<10> name;
    double sum = 0;
    enum { CodePrompt = 1, Code, NamePrompt, Name, SumPrompt, Sum, Ok, Cancel };

    WindowDef def() {
        WindowDef s;
        s.title = W("Тестовая форма");
        s.add(Control::prompt(W("&Код:")));
        s.add(Control::entry(Binding::of(code).named("CODE"), "n2"));
        s.add(Control::prompt(W("Имя:")));
        s.add(Control::entry(Binding::of(name).named("T:NAME"), "s10"));
        s.add(Control::prompt(W("Сумма:")));
        s.add(Control::entry(Binding::of(sum).named("SUM"), "n_10.2"));
        s.add(Control::button("OK").asDefault());
        s.add(Control::button(W("Отмена")));
        return s;
    }
};

class WindowEngine : public ::testing::Test {
  protected:
    void SetUp() override { kw::script::installScriptWindows(); }
    void TearDown() override { EXPECT_TRUE(kw::proc::waitAll(10s)); }
};

TEST_F(WindowEngine, EventsArriveInTheOrderTheyHappened) {
    Form f;
    EventLog log;
    Proc p([&] { runWindow(f.def(), log); });
    auto w = kw::script::waitWindow(W("Тестовая форма"));
    ASSERT_TRUE(w) << log.error();
    EXPECT_EQ(w.focused(), Form::Code);
    EXPECT_EQ(w.type(Form::Name, "Ivan"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(log.take(), S({{ev::OpenWindow, 0},
                             {ev::Shown, 0},
                             {ev::Selected, Form::Name},
                             {ev::Accepted, Form::Name},
                             {ev::Accepted, Form::Ok},
                             {ev::CloseWindow, 0}}));
    EXPECT_EQ(f.name, "Ivan");
}

TEST_F(WindowEngine, AnEntryRejectsTextThatDoesNotFitItsPicture) {
    Form f;
    EventLog log;
    std::vector<kw::picture::ParseResult> reasons;
    const int beeps = kw::script::installScriptWindows().beeps();
    Proc p([&] {
        runWindow(f.def(), log, [&](Window& w, int e) {
            if (e == ev::Rejected) reasons.push_back(w.rejection());
        });
    });
    auto w = kw::script::waitWindow(W("Тестовая форма"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Form::Code, "ab"), Drive::Ok);
    EXPECT_EQ(w.shown(Form::Code), "ab");  // left for the user to correct
    EXPECT_EQ(w.type(Form::Code, "123"), Drive::Ok);
    EXPECT_EQ(w.type(Form::Name, "12345678901"), Drive::Ok);
    EXPECT_EQ(w.focused(), Form::Name);
    EXPECT_EQ(w.type("code", "42"), Drive::Ok);
    EXPECT_EQ(w.shown("CODE"), "42");
    EXPECT_EQ(w.type(Form::Sum, "1234.5"), Drive::Ok);
    EXPECT_EQ(w.shown(Form::Sum), "1234.50");
    EXPECT_EQ(w.type("t.name", kw::W("Пётр")), Drive::Ok);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());

    auto seen = log.take();
    std::vector<Seen> rejected;
    for (const Seen& s : seen)
        if (s.event == ev::Rejected || s.event == ev::Accepted) rejected.push_back(s);
    EXPECT_EQ(rejected, S({{ev::Rejected, Form::Code},
                           {ev::Rejected, Form::Code},
                           {ev::Rejected, Form::Name},
                           {ev::Accepted, Form::Code},
                           {ev::Accepted, Form::Sum},
                           {ev::Accepted, Form::Name}}));
    EXPECT_EQ(reasons,
              (std::vector{kw::picture::ParseResult::BadText, kw::picture::ParseResult::TooWide,
                           kw::picture::ParseResult::TooWide}));
    EXPECT_EQ(kw::script::installScriptWindows().beeps() - beeps, 3);
    EXPECT_EQ(f.code, 42);
    EXPECT_EQ(f.sum, 1234.5);
    EXPECT_EQ(f.name, W("Пётр"));
}

TEST_F(WindowEngine, SelectAllValidatesEveryEntryBeforeItCompletes) {
    Form f;
    EventLog log;
    Proc p([&] {
        runWindow(f.def(), log, [&](Window& w, int e) {
            if (e == ev::Accepted && w.field() == Form::Ok) w.selectAll();
            if (e == ev::Completed) w.close();
        });
    });
    auto w = kw::script::waitWindow(W("Тестовая форма"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Form::Code, "5", false), Drive::Ok);
    EXPECT_EQ(w.type(Form::Sum, "12x", false), Drive::Ok);
    EXPECT_EQ(w.press(Form::Ok), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.focused(), Form::Sum);
    EXPECT_EQ(w.type(Form::Sum, "7", false), Drive::Ok);
    EXPECT_EQ(w.key(Form::Sum, key::Enter), Drive::Ok);  // Enter: the default button, OK
    ASSERT_TRUE(p.join());
    EXPECT_FALSE(w.isOpen());

    auto seen = log.take();
    ASSERT_GE(seen.size(), 2u);
    seen.erase(seen.begin(), seen.begin() + 2);  // opened, shown
    EXPECT_EQ(seen, S({{ev::Selected, Form::Sum},
                       {ev::Accepted, Form::Ok},
                       {ev::Accepted, Form::Code},
                       {ev::Accepted, Form::Name},
                       {ev::Rejected, Form::Sum},
                       {ev::Accepted, Form::Sum},  // Enter confirms the entry first
                       {ev::Accepted, Form::Ok},
                       {ev::Accepted, Form::Code},
                       {ev::Accepted, Form::Name},
                       {ev::Accepted, Form::Sum},
                       {ev::Completed, 0}}));
    EXPECT_TRUE(seen[2].acceptAll);
    EXPECT_FALSE(seen[4].acceptAll);   // the rejection ended the pass
    EXPECT_FALSE(seen[10].acceptAll);  // completed: the pass is over
    EXPECT_EQ(f.code, 5);
    EXPECT_EQ(f.sum, 7);
}

TEST_F(WindowEngine, UntouchedEntriesKeepTheirExactValue) {
    Form f;
    f.sum = 12.345;
    EventLog log;
    int notTaken = -1;
    Proc p([&] {
        runWindow(f.def(), log, [&](Window& w, int e) {
            if (e == ev::Accepted && w.field() == Form::Ok) {
                notTaken = w.update();
                w.selectAll();
            }
            if (e == ev::Completed) w.close();
        });
    });
    auto w = kw::script::waitWindow(W("Тестовая форма"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w.shown(Form::Sum), "12.35");
    EXPECT_EQ(w.press(Form::Ok), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_EQ(notTaken, 0);
    EXPECT_EQ(f.sum, 12.345);  // not rounded to what the picture shows
}

TEST_F(WindowEngine, DisplayShowsVariablesButNotOverTextBeingTyped) {
    Form f;
    EventLog log;
    int bad = -1;
    Proc p([&] {
        runWindow(f.def(), log, [&](Window& w, int e) {
            if (e != ev::Accepted || w.field() != Form::Ok) return;
            f.sum = f.code * 2.5;
            f.name = "Computed";
            w.display();
            if (f.code == 4) bad = w.update();
        });
    });
    auto w = kw::script::waitWindow(W("Тестовая форма"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Form::Code, "3"), Drive::Ok);
    EXPECT_EQ(w.press(Form::Ok), Drive::Ok);
    EXPECT_EQ(w.shown(Form::Sum), "7.50");
    EXPECT_EQ(w.shown(Form::Name), "Computed");

    EXPECT_EQ(w.type(Form::Name, "Typed", false), Drive::Ok);
    EXPECT_EQ(w.type(Form::Code, "4"), Drive::Ok);
    EXPECT_EQ(w.press(Form::Ok), Drive::Ok);
    EXPECT_EQ(w.shown(Form::Sum), "10.00");
    EXPECT_EQ(w.shown(Form::Name), "Typed");
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(f.name, "Typed");  // update() took the pending text
}

TEST_F(WindowEngine, DisabledAndHiddenControlsAndTheirChildrenRefuseTheUser) {
    WindowDef s;
    s.title = "States";
    const int file = s.begin(Control::menu(W("&Файл")));
    const int open = s.add(Control::item(W("&Открыть"), "Open a file"));
    s.add(Control::separator());
    const int exit = s.add(Control::item(W("Вы&ход")));
    s.end();
    const int group = s.begin(Control::group("Group"));
    const int entry = s.add(Control::entry(Binding(), "s5"));
    s.end();
    const int go = s.add(Control::button("&Go"));
    EventLog log;
    Proc p([&] {
        runWindow(s, log, [&](Window& w, int e) {
            if (e != ev::Accepted) return;
            if (w.field() == open) {
                w.disable(go);
                w.hide(group);
            }
            if (w.field() == exit) w.disable(file);
        });
    });
    auto w = kw::script::waitWindow("States");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(entry, "abc"), Drive::Ok);
    EXPECT_EQ(w.shown(entry), "abc");  // an unbound entry keeps what was typed
    EXPECT_EQ(w.press(W("Открыть")), Drive::Ok);
    EXPECT_FALSE(w.enabled(go));
    EXPECT_EQ(w.press("Go"), Drive::Disabled);
    EXPECT_TRUE(w.hidden(entry));
    EXPECT_EQ(w.type(entry, "x"), Drive::Hidden);
    EXPECT_EQ(w.press(file + 2), Drive::WrongKind);  // the separator
    EXPECT_EQ(w.press(W("Выход")), Drive::Ok);
    EXPECT_FALSE(w.enabled(open));  // through its menu
    EXPECT_EQ(w.press(open), Drive::Disabled);
    EXPECT_EQ(w.press(999), Drive::NoControl);
    EXPECT_EQ(w.type(go, "x"), Drive::WrongKind);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_EQ(w.press(open), Drive::Closed);
}

TEST_F(WindowEngine, ListsShowTheirPageQueueByColumnPicturesAndScroll) {
    kw::ui::VectorQueue q;
    q.rows = {{"Anna", 10.0}, {"Boris", 20.5}, {W("Вера"), 1234567.0}};
    WindowDef s;
    s.title = "List";
    const int list = s.add(Control::list({{"Name", 10, "s10"}, {"Sum", 12, "n12.2"}}, &q, 2));
    const int ok = s.add(Control::button("OK").asDefault());
    const int more = s.add(Control::button("More"));
    EventLog log;
    Proc p([&] {
        runWindow(s, log, [&](Window& w, int e) {
            if (e == ev::OpenWindow) w.alert(list, key::CtrlEnter);
            if (e == ev::ScrollBottom) w.consume();
            if (e == ev::Accepted && w.field() == more) {
                q.rows.push_back({"Dmitry", -5.0});
                w.display(list);
            }
        });
    });
    auto w = kw::script::waitWindow("List");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.rows(list), 3);
    EXPECT_EQ(w.cell(list, 2, 2), "20.50");
    EXPECT_EQ(w.cell(list, 3, 2), "1 234 567.00");
    EXPECT_EQ(w.cell(list, 3, 1), W("Вера"));
    EXPECT_EQ(w.cell(list, 4, 1), "");
    EXPECT_EQ(w.choice(list), 1);
    EXPECT_EQ(w.selectRow(list, 3), Drive::Ok);
    EXPECT_EQ(w.shown(list), W("Вера | 1 234 567.00"));
    EXPECT_EQ(w.scroll(list, ev::ScrollTop), Drive::Ok);  // default: the highlight moves
    EXPECT_EQ(w.choice(list), 1);
    EXPECT_EQ(w.scroll(list, ev::ScrollBottom), Drive::Ok);  // consumed: it does not
    EXPECT_EQ(w.choice(list), 1);
    EXPECT_EQ(w.drag(list, 100), Drive::Ok);
    EXPECT_EQ(w.choice(list), 3);
    EXPECT_EQ(w.key(list, key::Down), Drive::Ok);  // past the last row: a scroll event
    EXPECT_EQ(w.key(list, key::CtrlEnter), Drive::Ok);
    EXPECT_EQ(w.key(list, key::Enter), Drive::Ok);
    EXPECT_EQ(w.key(list, key::F1), Drive::Ignored);
    EXPECT_EQ(w.press(more), Drive::Ok);
    EXPECT_EQ(w.rows(list), 4);
    EXPECT_EQ(w.cell(list, 4, 2), "-5.00");
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());

    std::vector<Seen> listEvents;
    int alertKey = 0;
    for (const Seen& e : log.take()) {
        if (e.control == list || e.control == ok) listEvents.push_back(e);
        if (e.event == ev::AlertKey) alertKey = e.key;
    }
    EXPECT_EQ(listEvents, S({{ev::NewSelection, list},
                             {ev::ScrollTop, list},
                             {ev::ScrollBottom, list},
                             {ev::ScrollDrag, list},
                             {ev::ScrollDown, list},
                             {ev::AlertKey, list},
                             {ev::Accepted, ok}}));
    EXPECT_EQ(alertKey, 525);  // Ctrl+Enter
}

TEST_F(WindowEngine, CheckBoxesAndOptionsWriteTheirValues) {
    uint8_t paid = 0;
    kw::FixedString<1> sex("F");
    WindowDef s;
    s.title = "Choices";
    const int check = s.add(Control::check(W("&Оплачено"), Binding::of(paid)));
    const int option = s.begin(Control::option("Sex", Binding::of(sex)));
    s.add(Control::radio("Male", "M"));
    s.add(Control::radio("Female", "F"));
    s.end();
    EventLog log;
    Proc p([&] { runWindow(s, log); });
    auto w = kw::script::waitWindow("Choices");
    ASSERT_TRUE(w);
    EXPECT_FALSE(w.checked(check));
    EXPECT_EQ(w.shown(check), W("Оплачено"));  // the label, not the variable
    EXPECT_EQ(w.shown(option), "Sex");
    EXPECT_EQ(w.choice(option), 2);  // shows the variable's value
    EXPECT_EQ(w.check(check, true), Drive::Ok);
    EXPECT_EQ(w.choose(option, 1), Drive::Ok);
    EXPECT_EQ(w.choose(option, 3), Drive::NoControl);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_EQ(paid, 1);
    EXPECT_EQ(sex, "M");
}

TEST_F(WindowEngine, ACloseThatIsConsumedKeepsTheWindowOpen) {
    EventLog log;
    int closes = 0;
    WindowDef s;
    s.title = "Ask";
    const int msg = s.add(Control::prompt("..."));
    s.timer = 1;
    Proc p([&] {
        runWindow(s, log, [&](Window& w, int e) {
            if (e == ev::CloseWindow && ++closes == 1) {
                w.consume();
                w.setCursor(kw::ui::cursor::Wait);
            }
            if (e == ev::Timer) {
                w.setTimer(0);
                w.setText(msg, "tick");
            }
        });
    });
    auto w = kw::script::waitWindow("Ask");
    ASSERT_TRUE(w);
    for (int i = 0; i < 200 && w.shown(msg) != "tick"; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(w.shown(msg), "tick");
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.cursor(), kw::ui::cursor::Wait);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(w.waitClosed(5s));
    ASSERT_TRUE(p.join());
    EXPECT_EQ(closes, 2);
}

TEST_F(WindowEngine, AnUnsoundWindowDoesNotOpen) {
    kw::ui::Window w;
    WindowDef dup;
    dup.add(Control::button("A").number(5));
    dup.add(Control::button("B").number(5));
    EXPECT_FALSE(w.open(dup));
    EXPECT_NE(w.error().find("twice"), std::string::npos);

    WindowDef orphan;
    orphan.add(Control::radio("R", "1"));
    EXPECT_FALSE(w.open(orphan));

    WindowDef wrongParent;
    const int b = wrongParent.add(Control::button("B"));
    wrongParent.add(Control::entry(Binding(), "s3").in(b));
    EXPECT_FALSE(w.open(wrongParent));

    kw::ui::Backend* previous = kw::ui::installBackend(nullptr);
    WindowDef fine;
    fine.add(Control::button("B"));
    EXPECT_FALSE(w.open(fine));
    kw::ui::installBackend(previous);
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(w.accept(), 0);
}

}  // namespace

namespace {

using namespace kwtest;
using kw::W;
using kw::script::Drive;
using kw::ui::Binding;
using kw::ui::Control;
using kw::ui::Window;
using kw::ui::WindowDef;
namespace ev = kw::ui::ev;

class WindowEngineMore : public ::testing::Test {
  protected:
    void SetUp() override { kw::script::installScriptWindows(); }
    void TearDown() override { EXPECT_TRUE(kw::proc::waitAll(10s)); }
};

TEST_F(WindowEngineMore, SelectAllReachesEntriesOnPagesNotInFront) {
    int32_t first = 0, second = 0;
    WindowDef s;
    s.title = "Sheet";
    const int sheet = s.begin(Control::sheet());
    s.begin(Control::tab(W("&Общие")));
    const int a = s.add(Control::entry(Binding::of(first), "n3"));
    s.end();
    s.begin(Control::tab(W("&Прочие")));
    const int b = s.add(Control::entry(Binding::of(second), "n3"));
    s.end();
    s.end();
    const int ok = s.add(Control::button("OK"));
    EventLog log;
    Proc p([&] {
        runWindow(s, log, [&](Window& w, int e) {
            if (e == ev::Accepted && w.field() == ok) w.selectAll();
            if (e == ev::Completed) w.close();
        });
    });
    auto w = kw::script::waitWindow("Sheet");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.choice(sheet), 1);
    EXPECT_EQ(w.shown(sheet + 1), W("Общие"));
    EXPECT_EQ(w.chooseTab(sheet, 2), Drive::Ok);
    EXPECT_EQ(w.type(b, "9999", false), Drive::Ok);  // typed on the second page...
    EXPECT_EQ(w.chooseTab(sheet, 1), Drive::Ok);     // ...which is then left
    EXPECT_EQ(w.type(a, "1"), Drive::Ok);
    EXPECT_EQ(w.press(ok), Drive::Ok);
    EXPECT_EQ(w.focused(), b);
    EXPECT_EQ(w.choice(sheet), 2);  // the rejected entry's page comes to the front
    EXPECT_EQ(w.chooseTab(sheet, 3), Drive::NoControl);
    EXPECT_EQ(w.type(b, "12"), Drive::Ok);
    EXPECT_EQ(w.press(ok), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 12);
    int tabSwitches = 0;
    for (const Seen& e : log.take())
        tabSwitches += e.event == ev::NewSelection && e.control == sheet;
    EXPECT_EQ(tabSwitches, 2);  // the user's; the engine's own switch raises none
}

TEST_F(WindowEngineMore, AnActionThatRaisesAMessageBoxComesBackWhileTheBoxWaits) {
    kw::script::DriverMessageBox boxes;
    boxes.setAnswerTimeout(5s);
    kw::msgbox::ScopedBackend installed(boxes);
    WindowDef s;
    s.title = "Ask";
    const int msg = s.add(Control::prompt("..."));
    const int del = s.add(Control::button(W("Удалить")));
    EventLog log;
    Proc p([&] {
        runWindow(s, log, [&](Window& w, int e) {
            if (e != ev::Accepted || w.field() != del) return;
            const unsigned r =
                kw::msgbox::show(W("Удалить запись?"), "Confirm", kw::msgbox::Icon::Question,
                                 kw::msgbox::Yes | kw::msgbox::No);
            w.setText(msg, r == kw::msgbox::Yes ? "deleted" : "kept");
        });
    });
    auto w = kw::script::waitWindow("Ask");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press(del), Drive::Ok);  // back while the box is up
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_FALSE(boxes.last().answered);
    EXPECT_EQ(w.shown(msg), "...");
    EXPECT_EQ(boxes.reply("Yes"), Drive::Ok);
    EXPECT_EQ(w.shown(msg), "deleted");
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
}

}  // namespace

// The driver as a user: typing by use variable reaches the entry of that variable when
// a prompt before it shows the same one; Home and End on a list go to its first and
// last row as a list widget does.
TEST_F(WindowEngine, TheDriverTypesIntoTheEntryOfAVariableAndListsTakeHomeAndEnd) {
    kw::ui::VectorQueue q;
    q.rows = {{"Anna"}, {"Boris"}, {"Vera"}};
    int32_t weight = 5;
    WindowDef s;
    s.title = "Both";
    Control shown = Control::prompt("");
    shown.use = Binding::of(weight).named("ZAL:VEC");
    shown.picture = "n5";
    const int prompt = s.add(shown);
    const int entry = s.add(Control::entry(Binding::of(weight).named("ZAL:VEC"), "n5"));
    const int list = s.add(Control::list({{"Name", 10, "s10"}}, &q, 3));
    EventLog log;
    Proc p([&] { runWindow(s, log); });
    auto w = kw::script::waitWindow("Both");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.findUse("zal.vec"), prompt);
    EXPECT_EQ(w.type("zal:vec", "12"), Drive::Ok);
    EXPECT_EQ(w.focused(), entry);
    EXPECT_EQ(w.selectRow(list, 2), Drive::Ok);
    EXPECT_EQ(w.key(list, key::End), Drive::Ok);
    EXPECT_EQ(w.choice(list), 3);
    EXPECT_EQ(w.key(list, key::Home), Drive::Ok);
    EXPECT_EQ(w.choice(list), 1);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_EQ(weight, 12);
}
