// The Qt back end's popup menu: a QMenu with one level of submenus over the window,
// its items' states, and the number of the item the user clicks.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>

#include "common/qt_pump.h"
#include "runtime/codepage.h"
#include "runtime/qt/qt_windows.h"
#include "runtime/window_test_util.h"

namespace {

using namespace kwtest;
using kw::ui::Control;
using kw::ui::PopupItem;
using kw::ui::Window;
using kw::ui::WindowDef;

using kwtest::pumpUntil;

// What the menu showed when it was found.
struct SeenMenu {
    QStringList texts;  // top level, separators as "-"
    QList<bool> enabled;
    QStringList submenu;  // the items of the first submenu
};

class QtPopup : public ::testing::Test {
  protected:
    void SetUp() override { kw::qt::installQtWindows(); }
    void TearDown() override {
        EXPECT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
    }

    // Opens a window on a procedure thread that shows `items` as a popup menu and
    // keeps the answer; `act` acts on the menu once it is up (on the GUI thread).
    int run(const std::vector<PopupItem>& items, const std::function<void(QMenu*)>& act,
            SeenMenu& seen) {
        std::atomic<int> answer{-1};
        QTimer poll;
        bool acted = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || acted) return;
            acted = true;
            for (QAction* a : menu->actions()) {
                seen.texts << (a->isSeparator() ? QString("-") : a->text());
                seen.enabled << a->isEnabled();
                if (a->menu() && seen.submenu.isEmpty())
                    for (QAction* s : a->menu()->actions()) seen.submenu << s->text();
            }
            act(menu);
        });
        poll.start(20);
        Proc proc([&] {
            WindowDef s;
            s.title = "Popup";
            s.add(Control::button("Button"));
            Window w;
            if (!w.open(s)) return;
            answer = w.popup(items, 5, 5);
            w.close();
        });
        EXPECT_TRUE(pumpUntil([&] { return answer >= 0; }));
        // The window's closing needs the GUI thread too.
        EXPECT_TRUE(pumpUntil([&] { return !kw::proc::isRunning(proc.number()); }));
        poll.stop();
        return answer;
    }
};

const std::vector<PopupItem> kItems = {
    {"&Insert", 0, true, false}, {"&Change", 0, false, false}, {"-", 0, true, false},
    {"More", 0, true, false},    {"One", 1, true, false},      {"Two", 1, true, true},
};

TEST_F(QtPopup, ShowsTheItemsAndAnswersTheOneClicked) {
    SeenMenu seen;
    const int answer = run(
        kItems,
        [](QMenu* m) {
            QAction* insert = m->actions().at(0);
            QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(insert).center());
        },
        seen);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(seen.texts, (QStringList{"&Insert", "&Change", "-", "More"}));
    EXPECT_EQ(seen.enabled, (QList<bool>{true, false, true, true}));
    EXPECT_EQ(seen.submenu, (QStringList{"One", "Two"}));
}

TEST_F(QtPopup, EscapeDismissesTheMenu) {
    SeenMenu seen;
    const int answer = run(
        kItems, [](QMenu* m) { QTest::keyClick(m, Qt::Key_Escape); }, seen);
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(seen.texts.size(), 4);
}

}  // namespace
