// PKL_TAB on the Qt back end: the quick search takes Cyrillic letters typed on the
// list as a Russian keyboard layout delivers them, and the window is photographed
// (pkl_tab.png in the build folder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QTableView>
#include <QThread>
#include <filesystem>
#include <functional>

#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "runtime/message_box.h"
#include "runtime/proc_threads.h"
#include "runtime/qt/qt_message_box.h"
#include "runtime/qt/qt_windows.h"
#include "runtime/window_model.h"
#include "shell/globals.h"
#include "shell/procedure_test_util.h"
#include "shell/small_forms.h"

namespace {

bool pump(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

class PklTabQt : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kw_pklqtXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        kw::qt::installQtWindows();
        GlobalErrors.Init();
        DctInit();
    }
    void TearDown() override {
        EXPECT_TRUE(pump([] { return kw::proc::running() == 0; }));
        DctKill();
        GlobalErrors.Kill();
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::filesystem::path dir_, old_;
};

kw::dict::PklRecord client(const char* fio) {
    kw::dict::PklRecord r;
    r.FIO = kw::W(fio);
    return r;
}

}  // namespace

TEST_F(PklTabQt, CyrillicLettersTypedOnTheListMoveTheQuickSearch) {
    kwproc::addRecords(kw::dict::pklTable(), PKL,
                       {client("Сидоров Сидор"), client("петров пётр"), client("Иванов Иван"),
                        client("Петрова Анна")});
    ASSERT_NE(kw::proc::start([] { PKL_TAB(); }), 0);
    QMainWindow* win = nullptr;
    ASSERT_TRUE(pump([&] {
        for (const auto& w : kw::ui::openWindows())
            if (w->title == kw::shell::pklListTitle())
                win = qobject_cast<QMainWindow*>(kw::qt::QtWindows::widgetOf(*w));
        return win && win->isVisible() && win->findChild<QTableView*>();
    }));
    auto* view = win->findChild<QTableView*>();
    ASSERT_TRUE(pump([&] { return view->model()->rowCount() == 4; }));
    view->setFocus();
    // п е т р о в а, as the keys of a Russian layout: the capital's code, the letter typed.
    const std::vector<std::pair<int, const char*>> keys = {
        {0x041F, "п"}, {0x0415, "е"}, {0x0422, "т"}, {0x0420, "р"},
        {0x041E, "о"}, {0x0412, "в"}, {0x0410, "а"}};
    for (const auto& [k, text] : keys) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier, QString::fromUtf8(text));
        QApplication::sendEvent(view, &e);
    }
    QLineEdit* look = nullptr;
    for (QLineEdit* e : win->findChildren<QLineEdit*>())
        if (e->text() == QString::fromUtf8("петрова")) look = e;
    ASSERT_TRUE(pump([&] {
        for (QLineEdit* e : win->findChildren<QLineEdit*>())
            if (e->text() == QString::fromUtf8("петрова")) look = e;
        return look && view->currentIndex().isValid() &&
               view->model()->index(view->currentIndex().row(), 0).data().toString() ==
                   QString::fromUtf8("Петрова Анна");
    })) << (view->currentIndex().isValid() ? view->currentIndex().row() : -1);
    EXPECT_TRUE(win->grab().save(QString(KW_BINARY_DIR) + "/pkl_tab.png"));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(view, &esc);
}
