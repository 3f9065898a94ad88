// The program's windows on the Qt back end under the offscreen platform: the frame, the
// login window and the main menu opened one after the other as a user would, each
// photographed (with its menus) into the build folder; then SIGTERM ends it all through
// the normal shut-down.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "common/qt_pump.h"
#include "dictionary/tables.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/message_box.h"
#include "runtime/printer_setup.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/qt/qt_message_box.h"
#include "runtime/qt/qt_printer_setup.h"
#include "runtime/qt/qt_termination.h"
#include "runtime/qt/qt_windows.h"
#include "runtime/window_model.h"
#include "shell/globals.h"
#include "shell/main.h"
#include "shell/program.h"
#include "shell/start.h"
#include "storage/file.h"

namespace {

namespace fs = std::filesystem;

using kwtest::pumpUntil;

// The newest Qt window of the program titled `title` (CP1251) other than `besides`.
QMainWindow* windowTitled(const std::string& title, QWidget* besides = nullptr) {
    QMainWindow* found = nullptr;
    pumpUntil([&] {
        for (const auto& w : kw::ui::openWindows()) {
            QWidget* q = kw::qt::QtWindows::widgetOf(*w);
            if (w->title == title && q && q != besides && q->isVisible())
                found = qobject_cast<QMainWindow*>(q);
        }
        return found != nullptr;
    });
    return found;
}

void shoot(QWidget* w, const std::string& name) {
    const QString path = QString(KW_BINARY_DIR) + "/" + QString::fromStdString(name);
    EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
}

// Photographs each menu of the menu bar opened; the titles of its entries, in order.
std::vector<QStringList> shootMenus(QMainWindow* w, const std::string& prefix) {
    std::vector<QStringList> all;
    int n = 0;
    for (QAction* a : w->menuBar()->actions()) {
        QMenu* m = a->menu();
        if (!m) continue;
        QStringList texts;
        for (QAction* item : m->actions()) texts << item->text().remove('&');  // as shown
        all.push_back(texts);
        m->popup(w->mapToGlobal(QPoint(10 + 120 * n, 20)));
        pumpUntil([&] { return m->isVisible(); });
        QCoreApplication::processEvents();
        shoot(m, prefix + std::to_string(++n) + ".png");
        m->hide();
    }
    return all;
}

QStringList statusTexts(QMainWindow* w) {
    QStringList texts;
    for (QLabel* l : w->statusBar()->findChildren<QLabel*>())
        if (!l->text().isEmpty()) texts << l->text();
    return texts;
}

QAction* actionTitled(QMainWindow* w, const char* utf8) {
    for (QAction* a : w->findChildren<QAction*>())
        if (a->text().remove('&') == QString::fromUtf8(utf8)) return a;
    return nullptr;
}

QPushButton* buttonTitled(QWidget* w, const char* utf8) {
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text().remove('&') == QString::fromUtf8(utf8)) return b;
    return nullptr;
}

QLineEdit* fieldAfter(QWidget* w, const char* promptUtf8) {
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->text().remove('&') == QString::fromUtf8(promptUtf8))
            return qobject_cast<QLineEdit*>(l->buddy());
    return nullptr;
}

// The users file with one user, as an administrator leaves it (on a procedure thread of
// its own, as another station).
void addUser(int code, const char* password) {
    std::thread t([&] {
        kw::proc::setCurrentThread(60);
        kw::storage::File sec(kw::dict::secTable());
        ASSERT_TRUE(sec.create().ok());
        ASSERT_TRUE(sec.open().ok());
        SEC = kw::dict::SecRecord{};
        SEC.K_POL = static_cast<uint8_t>(code);
        SEC.PAROL.assign(password);
        ASSERT_TRUE(sec.add().ok());
        ASSERT_TRUE(sec.close().ok());
    });
    t.join();
}

bool labelShows(QWidget* w, const QString& text) {
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->text().trimmed() == text) return true;
    return false;
}

class ShellQtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kw_shellqtXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        old_ = fs::current_path();
        fs::current_path(dir_);
        kw::qt::installQtWindows();
        previous_ = kw::msgbox::install(&boxes_);
        previousPrinter_ = kw::printer::install(&printer_);
        kw::clock::setToday(kw::date::fromYmd(2025, 12, 8));
    }
    void TearDown() override {
        kw::qt::QtWindows::stop();
        EXPECT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
        // The windows the stopped GUI kept (their children go with them).
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!w->parentWidget()) w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        kw::qt::installQtWindows();
        kw::msgbox::install(previous_);
        kw::printer::install(previousPrinter_);
        kw::clock::setToday(0);
        fs::current_path(old_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path dir_, old_;
    kw::qt::QtMessageBox boxes_;
    kw::msgbox::Backend* previous_ = nullptr;
    kw::qt::QtPrinterSetup printer_;
    kw::printer::SetupService* previousPrinter_ = nullptr;
};

}  // namespace

TEST_F(ShellQtTest, FrameLoginAndMainMenuOneAfterAnotherThenSigtermEndsCleanly) {
    ASSERT_TRUE(kw::proc::startEntry([] { kw::shell::ProgramEntry(); }));

    // The frame: title, icon from the compiled-in pictures, its two menus.
    QMainWindow* frame = windowTitled(kw::shell::frameTitle());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), QString::fromUtf8("Автоматизация работы ломбарда"));
    EXPECT_FALSE(frame->windowIcon().isNull()) << "Lsg5.ico";
    EXPECT_GE(frame->width(), 600);
    shoot(frame, "shell_frame.png");
    const std::vector<QStringList> frameMenus = shootMenus(frame, "shell_frame_menu");
    ASSERT_EQ(frameMenus.size(), 2u);
    EXPECT_EQ(frameMenus[0], (QStringList{QString::fromUtf8("Выбор и установки принтера"),
                                          QString::fromUtf8("Выход")}));
    EXPECT_EQ(frameMenus[1],
              QStringList{QString::fromUtf8("Ввод кода и пароля для запуска системы")});
    EXPECT_TRUE(fs::is_empty(dir_)) << "no data file before the login window";

    // The printer set-up: the system's print dialog, modal, titled as the item; the
    // frame goes on when it is cancelled.
    QAction* printerItem = actionTitled(frame, "Выбор и установки принтера");
    ASSERT_NE(printerItem, nullptr);
    EXPECT_EQ(printerItem->statusTip(), "Setup printer");
    // The dialog runs its own event loop: it is looked at and closed from a timer.
    QString dialogTitle;
    bool printDialog = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible()) return;
        dialogTitle = dialog->windowTitle();
        printDialog = qobject_cast<QPrintDialog*>(dialog) != nullptr;
        shoot(dialog, "shell_printer_setup.png");
        watcher.stop();
        dialog->close();
    });
    watcher.start(20);
    printerItem->trigger();
    ASSERT_TRUE(pumpUntil([&] { return !watcher.isActive(); }));
    EXPECT_TRUE(printDialog);
    EXPECT_EQ(dialogTitle, QString::fromUtf8("Выбор и установки принтера"));
    ASSERT_TRUE(pumpUntil([] { return QApplication::activeModalWidget() == nullptr; }));

    // The login window, against a users file with user 6.
    addUser(6, "6666");
    QAction* loginItem = actionTitled(frame, "Ввод кода и пароля для запуска системы");
    ASSERT_NE(loginItem, nullptr);
    EXPECT_EQ(loginItem->statusTip(), "Remove item to Windows Clipboard");
    loginItem->trigger();
    QMainWindow* login = windowTitled(kw::shell::loginTitle());
    ASSERT_NE(login, nullptr);
    QLineEdit* code = fieldAfter(login, "Введите: Код пользователя:");
    QLineEdit* password = fieldAfter(login, "Пароль:");
    ASSERT_TRUE(code && password);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    login->activateWindow();
    code->setFocus();
    QTest::keyClicks(code, "6");
    QTest::keyClick(code, Qt::Key_Tab);
    QTest::keyClicks(password, "1234");
    QTest::keyClick(password, Qt::Key_Tab);
    QPushButton* ready = buttonTitled(login, "Готово???");
    QPushButton* launch = buttonTitled(login, "Запуск системы");
    ASSERT_TRUE(ready && launch);
    EXPECT_FALSE(launch->isEnabled());
    QTest::mouseClick(ready, Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return launch->isEnabled() && !ready->isEnabled(); }));

    // A wrong password: the message line says so, the entry is emptied and has the cursor.
    const int threads = kw::proc::running();
    QTest::mouseClick(launch, Qt::LeftButton);
    const QString refused = QString::fromStdString(kw::cp::toUtf8(kw::shell::loginRefusedText()));
    ASSERT_TRUE(pumpUntil([&] { return labelShows(login, refused); }));
    EXPECT_TRUE(pumpUntil([&] { return password->text().isEmpty() && password->hasFocus(); }))
        << password->text().toStdString();
    shoot(login, "shell_login_refused.png");
    EXPECT_EQ(kw::proc::running(), threads) << "no main menu";

    QTest::keyClicks(password, "6666");
    QTest::keyClick(password, Qt::Key_Tab);
    shoot(login, "shell_login.png");
    EXPECT_EQ(KOD, 0) << "the user's code only once the login succeeds";
    // The login's thread takes the entry when it is left, a moment after the Tab.
    EXPECT_TRUE(pumpUntil([&] { return PAROL.clip() == "6666"; })) << PAROL.clip();

    // The main menu with its status bar and its five menus.
    QTest::mouseClick(launch, Qt::LeftButton);
    QMainWindow* menu = windowTitled(kw::shell::frameTitle(), frame);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(pumpUntil([&] {
        return statusTexts(menu).contains(QString::fromUtf8("Не открыт"));
    })) << statusTexts(menu).join('|').toStdString();
    EXPECT_EQ(KOD, 6);
    EXPECT_EQ(statusTexts(menu), (QStringList{QString::fromUtf8("Текущая дата:"), "08.12.2025",
                                              QString::fromUtf8("Рабочий день ломбарда:"),
                                              QString::fromUtf8("Не открыт")}));
    shoot(menu, "shell_menu.png");
    const std::vector<QStringList> menus = shootMenus(menu, "shell_menu_menu");
    ASSERT_EQ(menus.size(), 5u);
    EXPECT_EQ(menus[0].size(), 9);
    EXPECT_EQ(menus[1].size(), 13);  // with "Реестр ПСК" and "Журнал операций"
    EXPECT_EQ(menus[2].size(), 2);
    EXPECT_EQ(menus[3].size(), 8);  // with the limits of the full cost, the backups and the users
    EXPECT_EQ(menus[4], QStringList{QString::fromUtf8("Закончить работу???")});
    EXPECT_EQ(menus[0][0], QString::fromUtf8("Открытие рабочего дня ломбарда"));

    // SIGTERM: every window closes, the program entry shuts down.
    kw::qt::TerminationWatch watch([](int) { kw::qt::closeDownEverything(); });
    ASSERT_TRUE(watch.watching());
    std::raise(SIGTERM);
    EXPECT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
    EXPECT_TRUE(fs::exists(dir_ / "kestrowd.INI"));
    EXPECT_EQ(KOD, 0) << "the login window ended as when closed";
    EXPECT_TRUE(kw::ui::openWindows().empty());
}
