// The Qt window back end under the offscreen platform: forms built from controls, typed
// into with QTest, completed with the keyboard, and photographed for a look.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>

#include "common/qt_pump.h"
#include "runtime/codepage.h"
#include "runtime/qt/qt_text.h"
#include "runtime/qt/qt_windows.h"
#include "runtime/window_test_util.h"

namespace {

using namespace kwtest;
using kw::W;
using kw::ui::Binding;
using kw::ui::Control;
using kw::ui::Window;
using kw::ui::WindowDef;
namespace ev = kw::ui::ev;

using kwtest::pumpUntil;

// The Qt window of the open window titled `title` (CP1251), once it is there.
QWidget* windowTitled(const std::string& title) {
    QWidget* found = nullptr;
    pumpUntil([&] {
        for (const auto& w : kw::ui::openWindows())
            if (w->title == title) found = kw::qt::QtWindows::widgetOf(*w);
        return found != nullptr;
    });
    return found;
}

// The field a prompt labels.
template <typename T>
T* fieldOf(QWidget* window, const std::string& prompt) {
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->text().remove('&') == kw::qt::fromCp(prompt)) return qobject_cast<T*>(l->buddy());
    return nullptr;
}

template <typename T>
T* byText(QWidget* window, const char* utf8) {
    for (T* w : window->findChildren<T*>())
        if (w->text().remove('&') == QString::fromUtf8(utf8)) return w;
    return nullptr;
}

// Types text as key presses, Cyrillic included (QTest::keyClicks knows ASCII only).
void typeText(QWidget* w, const char* utf8) {
    for (QChar c : QString::fromUtf8(utf8))
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The next widget that Tab reaches from `w`.
QWidget* nextTabStop(QWidget* w) {
    for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain())
        if ((n->focusPolicy() & Qt::TabFocus) && n->isVisible()) return n;
    return nullptr;
}

void screenshot(QWidget* w, const char* name) {
    const QString path = QString(KW_BINARY_DIR) + "/" + name;
    EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
}

struct Pledge {
    int32_t ticket = 0;
    kw::FixedString<40> client;
    int32_t issued = 0;
    double loan = 0;
    uint8_t paid = 0;
    enum { Ticket = 2, Client = 4, Issued = 6, Loan = 8, Paid = 9, Ok = 10, Cancel = 11 };

    WindowDef def() {
        WindowDef s;
        s.title = W("Выдача ссуды");
        s.add(Control::prompt(W("&Номер квитанции:")));
        s.add(Control::entry(Binding::of(ticket), "n_7"));
        s.add(Control::prompt(W("&Фамилия, имя, отчество:")));
        s.add(Control::entry(Binding::of(client), "s40"));
        s.add(Control::prompt(W("&Дата выдачи:")));
        s.add(Control::entry(Binding::of(issued), "D6"));
        s.add(Control::prompt(W("&Сумма ссуды:")));
        s.add(Control::entry(Binding::of(loan), "n_15.2"));
        s.add(Control::check(W("&Оплачено"), Binding::of(paid)));
        s.add(Control::button("OK").asDefault());
        s.add(Control::button(W("Отмена")));
        return s;
    }
};

class QtWindows : public ::testing::Test {
  protected:
    void SetUp() override { kw::qt::installQtWindows(); }
    void TearDown() override {
        EXPECT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
    }
};

TEST_F(QtWindows, AFormIsTypedIntoAndCompletedFromTheKeyboard) {
    Pledge p;
    p.ticket = 1501;
    p.issued = 72687 + 8766;  // 01.01.2024
    EventLog log;
    Proc proc([&] {
        runWindow(p.def(), log, [&](Window& w, int e) {
            if (e == ev::Accepted && w.field() == Pledge::Ok) w.selectAll();
            if (e == ev::Completed || (e == ev::Accepted && w.field() == Pledge::Cancel)) w.close();
        });
    });
    QWidget* win = windowTitled(W("Выдача ссуды"));
    ASSERT_TRUE(win);
    auto* ticket = fieldOf<QLineEdit>(win, W("Номер квитанции:"));
    auto* client = fieldOf<QLineEdit>(win, W("Фамилия, имя, отчество:"));
    auto* issued = fieldOf<QLineEdit>(win, W("Дата выдачи:"));
    auto* loan = fieldOf<QLineEdit>(win, W("Сумма ссуды:"));
    ASSERT_TRUE(ticket && client && issued && loan);
    EXPECT_EQ(win->windowTitle(), QString::fromUtf8("Выдача ссуды"));
    EXPECT_EQ(ticket->text(), "1501");
    EXPECT_EQ(issued->text(), "01.01.2024");
    // Fields line up in one column after their prompts.
    EXPECT_EQ(ticket->mapTo(win, QPoint()).x(), client->mapTo(win, QPoint()).x());
    EXPECT_EQ(ticket->mapTo(win, QPoint()).x(), loan->mapTo(win, QPoint()).x());
    // Tab order follows the controls.
    EXPECT_EQ(nextTabStop(ticket), client);
    EXPECT_EQ(nextTabStop(client), issued);

    client->setFocus();
    typeText(client, "Иванов Пётр Ёлкин");
    loan->setFocus();  // leaving the entry completes it
    QTest::keyClicks(loan, "12x");
    QTest::keyClick(loan, Qt::Key_Tab);
    ASSERT_TRUE(pumpUntil([&] {
        for (const Seen& s : log.take())
            if (s.event == ev::Rejected && s.control == Pledge::Loan) return true;
        return false;
    }));
    loan->clear();
    QTest::keyClicks(loan, "1234,5");
    auto* paid = byText<QCheckBox>(win, "Оплачено");
    ASSERT_TRUE(paid);
    QTest::mouseClick(paid, Qt::LeftButton);
    EXPECT_TRUE(paid->isChecked());
    screenshot(win, "window_form.png");

    QTest::keyClick(loan, Qt::Key_Return);  // the default button
    ASSERT_TRUE(pumpUntil([&] { return !kw::proc::isRunning(proc.number()); }));
    EXPECT_EQ(p.client, W("Иванов Пётр Ёлкин"));
    EXPECT_EQ(p.loan, 1234.5);
    EXPECT_EQ(p.paid, 1);
    EXPECT_EQ(p.ticket, 1501);
}

TEST_F(QtWindows, EscapeAsksToCloseAndTheCloseBoxToo) {
    Pledge p;
    EventLog log;
    int closes = 0;
    Proc proc([&] {
        runWindow(p.def(), log, [&](Window& w, int e) {
            if (e == ev::CloseWindow && ++closes == 1) w.consume();  // the first is refused
        });
    });
    QWidget* win = windowTitled(W("Выдача ссуды"));
    ASSERT_TRUE(win);
    auto* ticket = fieldOf<QLineEdit>(win, W("Номер квитанции:"));
    QTest::keyClick(ticket, Qt::Key_Escape);
    ASSERT_TRUE(pumpUntil([&] { return closes == 1; }));
    EXPECT_TRUE(win->isVisible());
    win->close();  // the close box
    ASSERT_TRUE(pumpUntil([&] { return !kw::proc::isRunning(proc.number()); }));
    EXPECT_EQ(closes, 2);
}

TEST_F(QtWindows, AMenuWindowWithAListAndStatusBarAndACalledWindowThatBlocksIt) {
    kw::ui::VectorQueue q;
    q.rows = {
        {W("Золото"), 585.0, 3125.5}, {W("Серебро"), 925.0, 48.0}, {W("Платина"), 950.0, 2810.0}};
    int32_t today = 72687 + 8766;
    kw::FixedString<20> state(W("Открыт"));
    WindowDef s;
    s.title = W("Ломбард: главное меню");
    s.frame = true;
    s.begin(Control::menu(W("&Работа с клиентами")));
    const int issue = s.add(Control::item(W("Выдача ссуды клиенту"), "Issue a loan"));
    const int called = s.add(Control::item(W("Справка по залогам")));
    s.end();
    const int exit = s.begin(Control::menu(W("Выход")));
    s.add(Control::item(W("Закончить работу???")));
    s.end();
    const int list = s.add(Control::list(
        {{W("Металл"), 12, "s20"}, {W("Проба"), 6, "n3"}, {W("Цена"), 12, "n_12.2"}}, &q, 5));
    s.add(Control::statusOf(Binding::of(today), "d6", 12));
    s.add(Control::statusOf(Binding::of(state), "s12", 14));
    EventLog log, inner;
    Proc proc([&] {
        runWindow(s, log, [&](Window& w, int e) {
            if (e == ev::OpenWindow) {
                w.alert(list, kw::ui::key::CtrlEnter);
                int width, height;
                w.firstSize(width, height);
                w.setMinSize(width, height);  // as the window procedures' resizer does
            }
            if (e == ev::Accepted && w.field() == issue) w.disable(issue);
            if (e == ev::Accepted && w.field() == called) {
                Pledge p;
                runWindow(p.def(), inner);  // on this thread: blocks the menu
            }
            if (e == ev::Accepted && w.field() == exit + 1) w.close();
        });
    });
    QWidget* win = windowTitled(W("Ломбард: главное меню"));
    ASSERT_TRUE(win);
    auto* main = qobject_cast<QMainWindow*>(win);
    ASSERT_TRUE(main);
    auto* view = win->findChild<QTableView*>();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->model()->rowCount(), 3);
    EXPECT_EQ(view->model()->index(0, 2).data().toString(), "3125.50");
    EXPECT_EQ(view->model()->index(1, 0).data().toString(), QString::fromUtf8("Серебро"));
    QStringList status;
    for (QLabel* l : main->statusBar()->findChildren<QLabel*>()) status << l->text();
    EXPECT_TRUE(status.contains("01.01.2024")) << status.join('|').toStdString();
    EXPECT_TRUE(status.contains(QString::fromUtf8("Открыт")));

    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Down);
    ASSERT_TRUE(pumpUntil([&] {
        for (const Seen& e : log.take())
            if (e.event == ev::AlertKey && e.key == kw::ui::key::CtrlEnter) return true;
        return false;
    }));
    screenshot(win, "window_menu.png");

    // Growing the window gives the list the height; it cannot shrink below its first size.
    const QSize first = win->size();
    const int listHeight = view->height();
    win->resize(first.width() + 200, first.height() + 150);
    ASSERT_TRUE(pumpUntil([&] {
        for (const Seen& e : log.take())
            if (e.event == ev::Sized) return true;
        return false;
    }));
    EXPECT_GT(view->height(), listHeight + 100);
    win->resize(first.width() / 2, first.height() / 2);
    QCoreApplication::processEvents();
    EXPECT_GE(win->width(), first.width());
    EXPECT_GE(win->height(), first.height());

    QAction* issueAction = nullptr;
    QAction* calledAction = nullptr;
    for (QAction* a : main->menuBar()->findChildren<QAction*>()) {
        if (a->text().remove('&') == QString::fromUtf8("Выдача ссуды клиенту")) issueAction = a;
        if (a->text().remove('&') == QString::fromUtf8("Справка по залогам")) calledAction = a;
    }
    ASSERT_TRUE(issueAction && calledAction);
    issueAction->trigger();
    ASSERT_TRUE(pumpUntil([&] { return !issueAction->isEnabled(); }));

    calledAction->trigger();
    QWidget* form = windowTitled(W("Выдача ссуды"));
    ASSERT_TRUE(form);
    EXPECT_TRUE(pumpUntil([&] { return !win->isEnabled(); }));  // the menu waits for it
    QTest::keyClick(fieldOf<QLineEdit>(form, W("Номер квитанции:")), Qt::Key_Escape);
    EXPECT_TRUE(pumpUntil([&] { return win->isEnabled(); }));

    for (QAction* a : main->menuBar()->findChildren<QAction*>())
        if (a->text().remove('&') == QString::fromUtf8("Закончить работу???")) a->trigger();
    ASSERT_TRUE(pumpUntil([&] { return !kw::proc::isRunning(proc.number()); }));
}

TEST_F(QtWindows, AWindowOpenedOnTheGuiThreadKeepsTheGuiRunningWhileItWaits) {
    WindowDef s;
    s.title = "Here";
    s.add(Control::prompt(W("Окно на потоке интерфейса")));
    const int press = s.add(Control::button("Press"));
    Window w;
    ASSERT_TRUE(w.open(s)) << w.error();
    QTimer::singleShot(30, [&] {
        QWidget* win = kw::qt::QtWindows::widgetOf(*w.model());
        QTest::mouseClick(byText<QPushButton>(win, "Press"), Qt::LeftButton);
    });
    std::vector<int> seen;
    while (int e = w.accept()) {
        seen.push_back(e);
        if (e == ev::Accepted && w.field() == press) w.close();
    }
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), ev::OpenWindow);
    EXPECT_EQ(seen[1], ev::Shown);
    EXPECT_EQ(seen.back(), ev::Accepted);
    EXPECT_TRUE(kw::ui::openWindows().empty());
}

}  // namespace

// Letter keys as a Russian keyboard layout gives them (Qt names the key by the Unicode
// of its capital letter; the text is the letter typed): Cyrillic letters reach a list
// as alert keys of their own, and capitals, from Shift or Caps Lock, carry Shift.
TEST_F(QtWindows, CyrillicLetterKeysReachAListAsTheirOwnKeyCodesInEitherCase) {
    namespace key = kw::ui::key;
    kw::ui::VectorQueue q;
    q.rows = {{W("Иванов")}, {W("Петров")}};
    WindowDef s;
    s.title = W("Клиенты");
    const int list = s.add(Control::list({{W("Фамилия"), 20, "s20"}}, &q, 5));
    s.add(Control::button(W("Закрыть")));
    const std::vector<int> codes = {key::Cyrillic | 0xCF, key::Cyrillic | key::Shift | 0xCF,
                                    key::Cyrillic | key::Shift | 0xA8, 'A' | key::Shift, 'A'};
    EventLog log;
    Proc proc([&] {
        runWindow(s, log, [&](Window& w, int e) {
            if (e == ev::OpenWindow)
                for (int c : codes) w.alert(list, c);
            if (e == ev::Accepted) w.close();
        });
    });
    QWidget* win = windowTitled(W("Клиенты"));
    ASSERT_TRUE(win);
    auto* view = win->findChild<QTableView*>();
    ASSERT_TRUE(view);
    view->setFocus();
    auto press = [&](int qtKey, Qt::KeyboardModifiers m, const char* utf8) {
        QKeyEvent e(QEvent::KeyPress, qtKey, m, QString::fromUtf8(utf8));
        QApplication::sendEvent(view, &e);
    };
    press(0x041F, Qt::NoModifier, "п");        // п
    press(0x041F, Qt::ShiftModifier, "П");     // П with Shift
    press(0x0401, Qt::NoModifier, "Ё");        // Ё with Caps Lock
    press(Qt::Key_A, Qt::NoModifier, "A");     // Latin A with Caps Lock
    press(Qt::Key_A, Qt::ShiftModifier, "a");  // Shift with Caps Lock: a small letter
    std::vector<int> seen;
    ASSERT_TRUE(pumpUntil([&] {
        for (const Seen& e : log.take())
            if (e.event == ev::AlertKey) seen.push_back(e.key);
        return seen.size() >= codes.size();
    }));
    EXPECT_EQ(seen, codes);
    EXPECT_EQ(key::charOf(seen[0]), W("п")[0]);
    EXPECT_EQ(key::charOf(seen[2]), W("Ё")[0]);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
}
