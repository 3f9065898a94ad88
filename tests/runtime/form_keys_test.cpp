// The keys of an update form and the answers to bad input: Enter moves on and never
// completes a form, Ctrl+Enter does; Tab and Enter pass read-only fields by; every
// button and menu item has an access key of its own; refused text is explained.
#include <gtest/gtest.h>

#include <set>

#include "runtime/codepage.h"
#include "runtime/picture.h"
#include "window_test_util.h"

namespace {

using namespace kwtest;
using kw::W;
using kw::script::Drive;
using kw::ui::Binding;
using kw::ui::Control;
using kw::ui::ControlKind;
using kw::ui::Window;
using kw::ui::WindowDef;
namespace ev = kw::ui::ev;
namespace key = kw::ui::key;

// A form of name, shown total (read only), weight, OK (default) and Cancel.
struct Form {
    kw::FixedString<20> name;
    double total = 0;
    double weight = 0;
    enum { NamePrompt = 1, Name, TotalPrompt, Total, WeightPrompt, Weight, Ok, Cancel };

    WindowDef def(bool updateForm) {
        WindowDef s;
        s.title = W("Форма клавиш");
        s.enterMovesOn = updateForm;
        s.add(Control::prompt(W("ФИО:")));
        s.add(Control::entry(Binding::of(name).named("NAME"), "s20"));
        s.add(Control::prompt(W("Итого:")));
        Control t = Control::entry(Binding::of(total).named("TOTAL"), "n_10.2");
        t.readOnly = true;
        s.add(t);
        s.add(Control::prompt(W("Вес:")));
        s.add(Control::entry(Binding::of(weight).named("WEIGHT"), "n_9.2"));
        s.add(Control::button("OK").asDefault());
        s.add(Control::button(W("Отмена")));
        return s;
    }
};

class FormKeys : public ::testing::Test {
  protected:
    void SetUp() override { kw::script::installScriptWindows(); }
    void TearDown() override { EXPECT_TRUE(kw::proc::waitAll(10s)); }
};

void runForm(Form& f, bool updateForm, EventLog& log) {
    runWindow(f.def(updateForm), log, [](Window& w, int e) {
        if (e == ev::Accepted && w.field() == Form::Ok) w.selectAll();
        if (e == ev::Completed || (e == ev::Accepted && w.field() == Form::Cancel)) w.close();
    });
}

bool has(const std::vector<Seen>& seen, int event, int control) {
    for (const Seen& s : seen)
        if (s.event == event && s.control == control) return true;
    return false;
}

TEST_F(FormKeys, EnterInAnUpdateFormMovesOnPastReadOnlyFieldsAndNeverCompletesIt) {
    Form f;
    EventLog log;
    Proc p([&] { runForm(f, true, log); });
    auto w = kw::script::waitWindow(W("Форма клавиш"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Form::Name, W("Петров"), false), Drive::Ok);
    EXPECT_EQ(w.key(Form::Name, key::Enter), Drive::Ok);
    EXPECT_EQ(w.focused(), Form::Weight) << "the read-only total is passed by";
    EXPECT_EQ(f.name, W("Петров")) << "the name was taken on the way";
    EXPECT_EQ(w.key(Form::Weight, key::Enter), Drive::Ok);
    EXPECT_EQ(w.focused(), Form::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_FALSE(has(log.take(), ev::Accepted, Form::Ok)) << "Enter pressed no OK";
    // Ctrl+Enter completes the form, as its OK does.
    EXPECT_EQ(w.type(Form::Weight, "3.5", false), Drive::Ok);
    EXPECT_EQ(w.key(Form::Weight, key::CtrlEnter), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(f.weight, 3.5);
}

TEST_F(FormKeys, EnterOnAnUpdateFormsButtonPressesThatButton) {
    Form f;
    EventLog log;
    Proc p([&] { runForm(f, true, log); });
    auto w = kw::script::waitWindow(W("Форма клавиш"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w.focus(Form::Cancel), Drive::Ok);
    EXPECT_EQ(w.key(Form::Cancel, key::Enter), Drive::Ok);
    ASSERT_TRUE(p.join());
    const auto seen = log.take();
    EXPECT_TRUE(has(seen, ev::Accepted, Form::Cancel));
    EXPECT_FALSE(has(seen, ev::Accepted, Form::Ok));
}

TEST_F(FormKeys, EnterInAnyOtherWindowStillPressesItsDefaultButton) {
    Form f;
    EventLog log;
    Proc p([&] { runForm(f, false, log); });
    auto w = kw::script::waitWindow(W("Форма клавиш"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Form::Weight, "2", false), Drive::Ok);
    EXPECT_EQ(w.key(Form::Weight, key::Enter), Drive::Ok);
    ASSERT_TRUE(p.join());
    EXPECT_EQ(f.weight, 2);
}

TEST(AccessKeys, EveryButtonAndMenuItemGetsAKeyOfItsOwnWhereAltReachesIt) {
    WindowDef s;
    s.title = "t";
    s.add(Control::prompt(W("&Вес:")));
    s.add(Control::entry(Binding(), "n_9.2"));
    const int add = s.add(Control::button(W("&Добавить")));
    const int set = s.add(Control::button(W("&Установить/Восстановить")));
    const int del = s.add(Control::button(W("&Удалить")));
    const int close = s.add(Control::button(W("Закрыть")));
    const int ok = s.add(Control::button("OK"));
    const int choose = s.add(Control::button(W("Выбрать клиента")));
    const int menu = s.begin(Control::menu(W("Отчеты")));
    const int first = s.add(Control::item(W("Справка по операциям")));
    const int second = s.add(Control::item(W("Справка по прибыли")));
    s.add(Control::separator());
    s.end();
    const int plainAmp = s.add(Control::button(W("Сидоров && сын")));
    ASSERT_EQ(s.finish(), "");

    auto keyOf = [&](int feq) { return kw::ui::accessKey(s.find(feq)->text); };
    EXPECT_EQ(s.find(add)->text, W("&Добавить")) << "a key of its own is kept";
    EXPECT_EQ(s.find(set)->text, W("&Установить/Восстановить"));
    EXPECT_NE(keyOf(del), 0);
    EXPECT_EQ(kw::ui::labelText(s.find(del)->text), W("Удалить")) << "the text itself is unchanged";
    EXPECT_EQ(kw::ui::labelText(s.find(plainAmp)->text), W("Сидоров & сын"));
    // One Alt press reaches the buttons, the labelled field and the menu bar together.
    std::set<unsigned char> window;
    for (int feq : {add, set, del, close, ok, choose, menu, plainAmp}) {
        const unsigned char k = keyOf(feq);
        EXPECT_NE(k, 0) << feq;
        EXPECT_NE(k, kw::cp::upper(static_cast<unsigned char>(W("В")[0])))
            << "taken by the field's label: " << feq;
        EXPECT_TRUE(window.insert(k).second) << "shared key on control " << feq;
    }
    EXPECT_EQ(keyOf(close), kw::cp::upper(static_cast<unsigned char>(W("З")[0])));
    // A menu's items share a key only with each other: both begin with С, one keeps it.
    EXPECT_NE(keyOf(first), 0);
    EXPECT_NE(keyOf(second), 0);
    EXPECT_NE(keyOf(first), keyOf(second));
}

TEST(RefusedText, IsExplainedInAShortSentenceNamingWhatWasTyped) {
    EXPECT_EQ(kw::picture::explain("31.02.2026", kw::picture::parse("D6")),
              W("Нет такой даты: 31.02.2026"));
    EXPECT_EQ(kw::picture::explain("32.13.2026", kw::picture::parse("d6")),
              W("Нет такой даты: 32.13.2026"));
    EXPECT_EQ(kw::picture::explain(W("1о"), kw::picture::parse("n_9.2")),
              W("Нужно число, введено: 1о"));
    EXPECT_EQ(kw::picture::explain("-5", kw::picture::parse("n_9.2")),
              W("Нужно число больше нуля: -5"));
    EXPECT_EQ(kw::picture::explain("12.50", kw::picture::parse("n_9.2")), "") << "text that fits";
    EXPECT_EQ(kw::picture::explain("", kw::picture::parse("D6")), "") << "a blank date";
    // Short enough for a form's message line of 40 characters.
    EXPECT_LE(kw::picture::explain("99.99.9999", kw::picture::parse("D6")).size(), 40u);
}

}  // namespace
