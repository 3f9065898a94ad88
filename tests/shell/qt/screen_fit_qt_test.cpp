// Every window an operator meets fits a cash desk's screen of 1366x768 with its title bar
// and the desktop's panel: the main menu's windows, and the forms, lists and previews
// their buttons open, visited one after another on the demo pawnshop's data, each no
// larger than 1366x728 outside and with every button, field, total and message line
// inside it. Each is photographed into the build folder (fit_*.png) for looking at.
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
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QThread>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "../../../app/procedures.h"
#include "common/qt_pump.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/qt/qt_windows.h"
#include "runtime/window_events.h"
#include "runtime/window_model.h"
#include "shell/globals.h"
#include "shell/sis.h"
#include "storage/file.h"

namespace {

namespace fs = std::filesystem;

// The screen less the desktop's panel (40) and a window manager's title bar (30).
constexpr int kMaxWidth = 1366;
constexpr int kMaxHeight = 768 - 40 - 30;
// 08.12.2025, the demo's today.
constexpr int32_t kToday = 82160;

using kwtest::pumpUntil;

void settle(int ms = 120) {
    pumpUntil([] { return false; }, ms);
}

QString plain(QString text) {
    return text.remove('&');
}

// The program's visible windows with their models.
std::vector<std::pair<QMainWindow*, std::shared_ptr<kw::ui::WindowModel>>> programWindows() {
    std::vector<std::pair<QMainWindow*, std::shared_ptr<kw::ui::WindowModel>>> out;
    for (const auto& m : kw::ui::openWindows()) {
        auto* q = qobject_cast<QMainWindow*>(kw::qt::QtWindows::widgetOf(*m));
        if (q && q->isVisible()) out.emplace_back(q, m);
    }
    return out;
}

std::set<QMainWindow*> windowSet() {
    std::set<QMainWindow*> s;
    for (const auto& [q, m] : programWindows()) s.insert(q);
    return s;
}

// A window that was not open before, once it has shown and settled (a progress window
// that comes and goes on the way is passed over); nullptr if none.
QMainWindow* newWindow(const std::set<QMainWindow*>& before, int ms = 3000) {
    auto newest = [&] {
        QMainWindow* found = nullptr;
        for (const auto& [q, m] : programWindows())
            if (!before.count(q)) found = q;
        return found;
    };
    if (!pumpUntil([&] { return newest() != nullptr; }, ms)) return nullptr;
    settle(300);
    return newest();
}

// Answers every box with its default, except the question whether to close a form
// without saving, which is answered yes so that the tour goes on.
class Answers : public kw::msgbox::Backend {
  public:
    unsigned show(const kw::msgbox::Box& b) override {
        std::lock_guard lock(mu_);
        texts_.push_back(kw::cp::toUtf8(b.text));
        const bool closing = b.text.find(kw::W("без сохранения")) != std::string::npos;
        return closing && (b.buttons & kw::msgbox::Yes) ? kw::msgbox::Yes : b.defaultButton;
    }
    unsigned showHistory(const kw::msgbox::HistoryBox& b) override { return b.defaultButton; }

  private:
    std::mutex mu_;
    std::vector<std::string> texts_;
};

// What the operator must see, lying outside the window: buttons, fields, lists and
// labels (totals and message lines are fields and labels).
QStringList outside(QMainWindow* w) {
    QStringList out;
    const QRect area = w->rect();
    auto check = [&](QWidget* c, const QString& what) {
        if (!c->isVisibleTo(w)) return;
        const QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
        if (!area.contains(r))
            out << what + " at " + QString::number(r.x()) + "," + QString::number(r.y());
    };
    for (QPushButton* b : w->findChildren<QPushButton*>()) check(b, "button " + plain(b->text()));
    for (QLineEdit* e : w->findChildren<QLineEdit*>()) check(e, "field " + e->text().trimmed());
    for (QLabel* l : w->findChildren<QLabel*>()) check(l, "label " + plain(l->text()));
    for (QTableView* v : w->findChildren<QTableView*>()) check(v, "list");
    return out;
}

struct Visit {
    std::string path;
    int width = 0, height = 0;          // the window's size, as the program opened it
    int needWidth = 0, needHeight = 0;  // the least its layout can take
    QStringList outside;
};

// Buttons that open another window and write nothing.
const QStringList kOpeners = {"Добавить",
                              "Изменить",
                              "Обработать",
                              "Выбрать клиента",
                              "<-Выбрать",
                              "Выбрать ^",
                              "Пересчитать от суммы к выдаче",
                              "Распечатать квитанцию",
                              "Распечатать",
                              "Распечатать билет",
                              "Установить/Восстановить",
                              "Выбрать",
                              "Выполнить запрос",
                              "Поиск",
                              "Печать",
                              "Сформировать",
                              "Запуск"};

class ScreenFitQtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kw_fitqtXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        old_ = fs::current_path();
        fs::current_path(dir_);
        makeDemo();
        kw::qt::installQtWindows();
        previous_ = kw::msgbox::install(&answers_);
        kw::clock::setToday(kToday);
        GlobalErrors.Init();
        DctInit();
        kw::app::registerProcedures();
        KOD = 6;
    }
    void TearDown() override {
        kw::qt::QtWindows::stop();
        EXPECT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!w->parentWidget()) w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        kw::qt::installQtWindows();
        DctKill();
        GlobalErrors.Kill();
        KOD = 0;
        kw::msgbox::install(previous_);
        kw::clock::setToday(0);
        fs::current_path(old_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // The demo pawnshop as scripts/run makes it, with today's business day open.
    void makeDemo() {
        const std::string bin = KW_BINARY_DIR;
        for (const auto& csv : fs::directory_iterator(fs::path(KW_SOURCE_DIR) / "demo-data")) {
            if (csv.path().extension() != ".csv") continue;
            const std::string t = csv.path().stem().string();
            const std::string owner = t == "SEC" ? " --owner QORVAL" : "";
            const std::string cmd = bin + "/kestrowd-file create " + t + " >/dev/null && " + bin +
                                    "/kestrowd-file load " + t + ".DAT" + owner + " < " +
                                    csv.path().string() + " >/dev/null";
            ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        }
        const std::string demo =
            bin + "/kestrowd-demo . --today " + std::to_string(kToday) + " >/dev/null";
        ASSERT_EQ(std::system(demo.c_str()), 0) << demo;
        std::thread([] {
            kw::proc::setCurrentThread(60);
            kw::storage::File day(kw::dict::dayTable());
            ASSERT_TRUE(day.open().ok());
            DAY = kw::dict::DayRecord{};
            DAY.DATA = kToday;
            ASSERT_TRUE(day.add().ok());
            ASSERT_TRUE(day.close().ok());
        }).join();
    }

    void measure(QMainWindow* w, const std::string& path) {
        Visit v;
        v.path = path;
        // The window itself; the title bar's height is left for in kMaxHeight.
        v.width = w->width();
        v.height = w->height();
        const QSize need = w->minimumSizeHint();
        v.needWidth = need.width();
        v.needHeight = need.height();
        v.outside = outside(w);
        visits_.push_back(v);
        std::string name = "fit_" + std::to_string(visits_.size()) + ".png";
        (void)w->grab().save(QString(KW_BINARY_DIR) + "/" + QString::fromStdString(name));
    }

    // Measures the window, then opens what its buttons open (once per kind of window).
    void tour(QMainWindow* w, const std::string& path, int depth) {
        measure(w, path);
        // Once per kind of window: its title and buttons (a list and its request window
        // may share a title).
        QString kind = w->windowTitle();
        for (QPushButton* b : w->findChildren<QPushButton*>()) kind += "|" + plain(b->text());
        if (depth >= 3 || !toured_.insert(kind).second) return;
        prepare(w);
        const QPointer<QMainWindow> self(w);
        std::vector<QPointer<QPushButton>> buttons;
        for (QPushButton* b : w->findChildren<QPushButton*>()) buttons.emplace_back(b);
        for (const QPointer<QPushButton>& b : buttons) {
            if (!self || !b || !kOpeners.contains(plain(b->text())) || !b->isVisible()) continue;
            if (!pumpUntil([&] { return self && b && self->isEnabled() && b->isEnabled(); }, 1000))
                continue;
            const std::set<QMainWindow*> before = windowSet();
            b->click();
            QMainWindow* child = newWindow(before);
            if (!child) continue;
            tour(child,
                 path + " > " + plain(b->text()).toStdString() + " > " +
                     child->windowTitle().toStdString(),
                 depth + 1);
            closeAll(before);
        }
    }

    // The archive search looks for a fragment: one is typed before its button is pressed.
    void prepare(QMainWindow* w) {
        if (w->windowTitle() != QString::fromUtf8("Поиск по ФИО клиента")) return;
        for (QLineEdit* e : w->findChildren<QLineEdit*>()) {
            e->setFocus();
            e->setText(QString::fromUtf8("ов"));
            emit e->textEdited(e->text());
            emit e->editingFinished();
        }
        settle();
    }

    // Closes every window opened since `before`, newest first, as its close box would.
    void closeAll(const std::set<QMainWindow*>& before) {
        for (int round = 0; round < 20; ++round) {
            std::shared_ptr<kw::ui::WindowModel> newest;
            for (const auto& [q, m] : programWindows())
                if (!before.count(q) && q->isEnabled()) newest = m;
            if (!newest) break;
            kw::ui::postEvent(newest, kw::ui::Event{kw::ui::ev::CloseWindow});
            pumpUntil([&] { return !newest->open; }, 3000);
        }
        pumpUntil([&] { return windowSet() == before; }, 3000);
        settle(50);
    }

    fs::path dir_, old_;
    Answers answers_;
    kw::msgbox::Backend* previous_ = nullptr;
    std::vector<Visit> visits_;
    std::set<QString> toured_;
};

TEST_F(ScreenFitQtTest, EveryWindowOfTheMainMenuAndTheFormsItOpensFitsA1366x768Screen) {
    if (QGuiApplication::platformName() == "offscreen") {
        EXPECT_EQ(QApplication::primaryScreen()->availableSize(), QSize(1366, 728))
            << "the desk's screen";
    }
    ASSERT_NE(kw::proc::start([] { SIS(); }), 0);
    QMainWindow* menu = newWindow({}, 10000);
    ASSERT_TRUE(menu);
    measure(menu, "main menu");
    std::vector<QAction*> items;
    for (QAction* top : menu->menuBar()->actions())
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (!a->isSeparator() && !a->menu() &&
                    plain(a->text()) != QString::fromUtf8("Закончить работу???"))
                    items.push_back(a);
    ASSERT_GE(items.size(), 25u);
    for (QAction* item : items) {
        ASSERT_TRUE(pumpUntil([&] { return menu->isEnabled(); }));
        if (!item->isEnabled()) continue;
        const std::set<QMainWindow*> before = windowSet();
        item->trigger();
        QMainWindow* w = newWindow(before);
        if (!w) continue;  // a box said why it does not open today
        tour(w, plain(item->text()).toStdString(), 1);
        closeAll(before);
    }
    EXPECT_GE(visits_.size(), 40u) << "the tour reached the forms";
    for (const Visit& v : visits_) {
        SCOPED_TRACE(v.path);
        EXPECT_LE(v.width, kMaxWidth);
        EXPECT_LE(v.height, kMaxHeight);
        EXPECT_LE(v.needWidth, kMaxWidth);
        EXPECT_LE(v.needHeight, kMaxHeight);
        EXPECT_TRUE(v.outside.isEmpty()) << v.outside.join(" | ").toStdString();
        std::printf("%5d x %4d  (least %5d x %4d)  %s\n", v.width, v.height, v.needWidth,
                    v.needHeight, v.path.c_str());
    }
}

}  // namespace
