// The Qt message-box back end: real modal boxes, pressed from a timer that finds the
// modal window, reads what it shows and presses a button (or a key).
#include "runtime/qt/qt_message_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/message_box.h"

namespace {

namespace msgbox = kw::msgbox;

// The run's application, made by the tests' main().
QApplication& app() {
    return *qApp;
}

// What the modal window showed when it was found.
struct Seen {
    bool found = false;
    bool onGuiThread = false;
    QString title;
    QString text;
    std::vector<unsigned> bitsLeftToRight;
    unsigned defaultBit = 0;
    QStringList headers;
    std::vector<QStringList> rows;
    QString caption;
};

// How the window is to be left.
struct Press {
    enum Kind { Button, Enter, Escape } kind = Button;
    unsigned bit = 0;
};

void inspect(QWidget* w, Seen& seen) {
    seen.found = true;
    seen.onGuiThread = w->thread() == app().thread() && QThread::currentThread() == app().thread();
    seen.title = w->windowTitle();
    std::vector<QPushButton*> buttons;
    for (QPushButton* p : w->findChildren<QPushButton*>())
        if (p->property(kw::qt::kButtonProperty).isValid()) buttons.push_back(p);
    std::sort(buttons.begin(), buttons.end(), [w](QPushButton* a, QPushButton* b) {
        return a->mapTo(w, QPoint(0, 0)).x() < b->mapTo(w, QPoint(0, 0)).x();
    });
    for (QPushButton* p : buttons) {
        const unsigned bit = p->property(kw::qt::kButtonProperty).toUInt();
        seen.bitsLeftToRight.push_back(bit);
        if (p->isDefault()) seen.defaultBit = bit;
    }
    if (auto* mb = qobject_cast<QMessageBox*>(w)) {
        seen.text = mb->text();
        if (mb->defaultButton())
            seen.defaultBit = mb->defaultButton()->property(kw::qt::kButtonProperty).toUInt();
    }
    if (auto* list = w->findChild<QTreeWidget*>(kw::qt::kHistoryListName)) {
        for (int c = 0; c < list->columnCount(); ++c) seen.headers << list->headerItem()->text(c);
        for (int r = 0; r < list->topLevelItemCount(); ++r)
            seen.rows.push_back({list->topLevelItem(r)->text(0), list->topLevelItem(r)->text(1)});
    }
    if (auto* caption = w->findChild<QLabel*>(kw::qt::kHistoryCaptionName))
        seen.caption = caption->text();
}

void act(QWidget* w, const Press& press) {
    if (press.kind == Press::Button) {
        for (QPushButton* p : w->findChildren<QPushButton*>()) {
            if (p->property(kw::qt::kButtonProperty).toUInt() == press.bit) {
                p->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << press.bit;
        w->close();
        return;
    }
    QKeyEvent key(QEvent::KeyPress, press.kind == Press::Enter ? Qt::Key_Return : Qt::Key_Escape,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &key);
}

// Once a modal window is up, reads it and leaves it as told.
void pressWhenShown(Press press, Seen& seen) {
    auto* timer = new QTimer(&app());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, press, &seen] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        inspect(w, seen);
        act(w, press);
    });
    timer->start();
}

class QtBoxes : public ::testing::Test {
  protected:
    void SetUp() override { app(); }
    kw::qt::QtMessageBox qtBoxes;
    msgbox::ScopedBackend scoped{qtBoxes};
};

TEST_F(QtBoxes, ShowsTheTextAndButtonsAndReturnsThePressedButton) {
    Seen seen;
    pressWhenShown({Press::Button, msgbox::No}, seen);
    const unsigned r = msgbox::show(kw::W("Запись изменена|Сохранить?"), kw::W("Сохранение"),
                                    msgbox::Icon::Question,
                                    msgbox::Yes | msgbox::No | msgbox::Cancel, msgbox::Cancel);
    EXPECT_EQ(r, msgbox::No);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.onGuiThread);
    EXPECT_EQ(seen.title, QString::fromUtf8("Сохранение"));
    EXPECT_EQ(seen.text, QString::fromUtf8("Запись изменена\nСохранить?"));
    std::vector<unsigned> bits = seen.bitsLeftToRight;
    std::sort(bits.begin(), bits.end());
    EXPECT_EQ(bits, (std::vector<unsigned>{msgbox::Yes, msgbox::No, msgbox::Cancel}));
    EXPECT_EQ(seen.defaultBit, msgbox::Cancel);
}

TEST_F(QtBoxes, EnterPressesTheDefaultButton) {
    Seen seen;
    pressWhenShown({Press::Enter, 0}, seen);
    EXPECT_EQ(msgbox::show("Retry?", "Error", msgbox::Icon::Exclamation,
                           msgbox::Abort | msgbox::Retry | msgbox::Ignore, msgbox::Retry),
              msgbox::Retry);
    EXPECT_EQ(seen.defaultBit, msgbox::Retry);
}

TEST_F(QtBoxes, EscapeAnswersCancelOrTheOnlyButton) {
    Seen seen;
    pressWhenShown({Press::Escape, 0}, seen);
    EXPECT_EQ(msgbox::show("q", "c", msgbox::Icon::None, msgbox::Yes | msgbox::No | msgbox::Cancel,
                           msgbox::Yes),
              msgbox::Cancel);
    Seen seen2;
    pressWhenShown({Press::Escape, 0}, seen2);
    EXPECT_EQ(msgbox::show("note", "c", msgbox::Icon::Information, msgbox::Ok, msgbox::Ok),
              msgbox::Ok);
    EXPECT_TRUE(seen2.found);
}

TEST_F(QtBoxes, BoxShownFromAProcedureThreadRunsOnTheGuiThread) {
    Seen seen;
    pressWhenShown({Press::Button, msgbox::Yes}, seen);
    std::atomic<bool> done{false};
    std::atomic<unsigned> r{0};
    std::thread proc([&] {
        r = msgbox::show("Delete?", "Confirm Delete", msgbox::Icon::Exclamation,
                         msgbox::Yes | msgbox::No, msgbox::No);
        done = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);  // never hang the run
    loop.exec();
    proc.join();
    EXPECT_EQ(r.load(), msgbox::Yes);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.onGuiThread);
    EXPECT_EQ(seen.defaultBit, msgbox::No);
}

TEST_F(QtBoxes, HistoryWindowListsMessagesWithCategoriesAndItsButtons) {
    Seen seen;
    pressWhenShown({Press::Button, msgbox::Cancel}, seen);
    const unsigned r = msgbox::showHistory("Errors History", msgbox::Icon::Information,
                                           msgbox::Ok | msgbox::Cancel, msgbox::Ok,
                                           {{"first|line", "ZUL"}, {kw::W("второе"), "DATA"}});
    EXPECT_EQ(r, msgbox::Cancel);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "Error");
    EXPECT_EQ(seen.caption, "Errors History");
    EXPECT_EQ(seen.headers, (QStringList{"Message", "Category"}));
    ASSERT_EQ(seen.rows.size(), 2u);
    EXPECT_EQ(seen.rows[0], (QStringList{"first line", "ZUL"}));
    EXPECT_EQ(seen.rows[1], (QStringList{QString::fromUtf8("второе"), "DATA"}));
    EXPECT_EQ(seen.bitsLeftToRight, (std::vector<unsigned>{msgbox::Ok, msgbox::Cancel}));
    EXPECT_EQ(seen.defaultBit, msgbox::Ok);
}

TEST_F(QtBoxes, HistoryWindowEnterPressesItsDefault) {
    Seen seen;
    pressWhenShown({Press::Enter, 0}, seen);
    EXPECT_EQ(
        msgbox::showHistory("h", msgbox::Icon::None, msgbox::Yes | msgbox::No, msgbox::No, {}),
        msgbox::No);
    EXPECT_EQ(seen.bitsLeftToRight, (std::vector<unsigned>{msgbox::Yes, msgbox::No}));
}

}  // namespace
