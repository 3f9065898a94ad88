// The small update form of the window-manager tests on the Qt back end under the
// offscreen platform: laid out, typed into with QTest, completed from the keyboard,
// cancelled with Esc, and photographed for a look.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <functional>

#include "common/qt_pump.h"
#include "framework/window/form_test_util.h"
#include "runtime/qt/qt_text.h"
#include "runtime/qt/qt_windows.h"

namespace kwform {
namespace {

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

// The prompt with this text (UTF-8, without '&').
QLabel* promptOf(QWidget* window, const char* utf8) {
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->text().remove('&') == QString::fromUtf8(utf8)) return l;
    return nullptr;
}

QLineEdit* fieldOf(QWidget* window, const char* utf8) {
    QLabel* l = promptOf(window, utf8);
    return l ? qobject_cast<QLineEdit*>(l->buddy()) : nullptr;
}

// Types text as key presses, Cyrillic included (QTest::keyClicks knows ASCII only).
void typeText(QWidget* w, const char* utf8) {
    for (QChar c : QString::fromUtf8(utf8))
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

class QtForm : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        kw::qt::installQtWindows();
    }
    void TearDown() override {
        EXPECT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
        FormTest::TearDown();
    }
    bool ended(const FormRun& run) {
        return pumpUntil([&] { return !kw::proc::isRunning(run.number); });
    }
};

const char* const kPrompts[] = {"Ф И О:", "Адрес:", "Сумма:", "Дата:"};

TEST_F(QtForm, TheFormIsLaidOutTypedIntoAndCompletedFromTheKeyboard) {
    FormRun run;
    start(run, kw::req::Insert);
    QWidget* win = windowTitled(W("Добавить ???"));
    ASSERT_TRUE(win);
    EXPECT_TRUE(pumpUntil([&] { return win->windowTitle() == QString::fromUtf8("Добавить ???"); }));
    QLineEdit* fio = fieldOf(win, "Ф И О:");
    QLineEdit* adr = fieldOf(win, "Адрес:");
    QLineEdit* sum = fieldOf(win, "Сумма:");
    QLineEdit* dat = fieldOf(win, "Дата:");
    ASSERT_TRUE(fio && adr && sum && dat);
    EXPECT_EQ(dat->text(), "01.01.2024");
    EXPECT_EQ(sum->text(), "0.00");

    // Prompts in one column, fields in the next; nothing cut short.
    for (const char* p : kPrompts) {
        QLabel* l = promptOf(win, p);
        QLineEdit* f = fieldOf(win, p);
        EXPECT_EQ(l->mapTo(win, QPoint()).x(), promptOf(win, kPrompts[0])->mapTo(win, QPoint()).x())
            << p;
        EXPECT_EQ(f->mapTo(win, QPoint()).x(), fio->mapTo(win, QPoint()).x()) << p;
        EXPECT_GE(l->width(), l->sizeHint().width()) << p;
        EXPECT_LT(l->mapTo(win, QPoint()).x() + l->width(), f->mapTo(win, QPoint()).x()) << p;
    }
    for (QPushButton* b : win->findChildren<QPushButton*>())
        EXPECT_GE(b->width(), b->sizeHint().width());
    const QString longest = QString::fromUtf8("Константинопольская Александра Вячеславовна");
    EXPECT_GE(fio->width(), fio->fontMetrics().horizontalAdvance(longest.left(40)));

    ASSERT_TRUE(pumpUntil([&] { return fio->hasFocus(); }));  // the form's first field
    typeText(fio, "Ёлкина Анна Сергеевна");
    QTest::keyClick(fio, Qt::Key_Tab);
    typeText(adr, "г. Псков, ул. Советская, д. 12");
    QTest::keyClick(adr, Qt::Key_Tab);
    QTest::keyClicks(sum, "1500.5");
    ASSERT_TRUE(pumpUntil([&] { return sum->hasFocus(); }));
    QTest::keyClick(sum, Qt::Key_Tab);
    ASSERT_TRUE(pumpUntil([&] { return sum->text() == "1500.50"; }));
    EXPECT_TRUE(win->grab().save(QString(KW_BINARY_DIR) + "/framework_window_form.png"));

    // An update form: Enter moves on to the next field and stores nothing; Ctrl+Enter
    // completes the form as OK does.
    dat->setFocus();
    ASSERT_TRUE(pumpUntil([&] { return dat->hasFocus(); }));
    QTest::keyClick(dat, Qt::Key_Return);
    ASSERT_TRUE(pumpUntil([&] { return !dat->hasFocus() && QApplication::focusWidget(); }));
    pumpUntil([] { return false; }, 200);
    EXPECT_TRUE(win->isVisible()) << "Enter completed nothing";
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_EQ(rows()[0].rfind("1||", 0), 0u) << "only the number taken at the start: " << rows()[0];
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(ended(run));
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(rows(),
              std::vector<std::string>{
                  W("1|Ёлкина Анна Сергеевна|г. Псков, ул. Советская, д. 12|1500.50|01.01.2024")});
}

TEST_F(QtForm, EscapeOnAnUnchangedChangeFormClosesItWithResponse2) {
    seed({{"Иванов", "Тверь"}});
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    FormRun run;
    start(run, kw::req::Change, 1);
    QWidget* win = windowTitled(W("Изменить ???"));
    ASSERT_TRUE(win);
    QLineEdit* fio = fieldOf(win, "Ф И О:");
    ASSERT_TRUE(fio);
    EXPECT_EQ(fio->text(), QString::fromUtf8("Иванов"));
    QTest::keyClick(fio, Qt::Key_Escape);
    ASSERT_TRUE(ended(run));
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_TRUE(captions().empty());
    EXPECT_EQ(table->fm.updates, 0);
}

}  // namespace
}  // namespace kwform
