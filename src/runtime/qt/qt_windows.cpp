#include "runtime/qt/qt_windows.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QMenu>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>

#include "runtime/qt/qt_form_window.h"
#include "runtime/qt/qt_text.h"
#include "runtime/window_events.h"

namespace kw::qt {

namespace {

std::atomic<bool> g_stopped{false};

// One piece of work carried to the GUI thread. The caller may give up waiting (when
// the GUI has stopped); the lock makes sure the work then never runs with the
// caller's stack gone.
struct Task {
    std::mutex m;
    bool cancelled = false;
    std::function<void()> work;
    std::promise<void> done;
};

bool onGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Runs `work` on the GUI thread and waits for it; false when it could not run (no
// application, or the GUI has stopped).
bool onGui(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || g_stopped) return false;
    if (QThread::currentThread() == app->thread()) {
        work();
        return true;
    }
    auto task = std::make_shared<Task>();
    task->work = std::move(work);
    std::future<void> done = task->done.get_future();
    QMetaObject::invokeMethod(
        app,
        [task] {
            std::lock_guard lock(task->m);
            if (task->cancelled) return;
            task->work();
            task->done.set_value();
        },
        Qt::QueuedConnection);
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (!g_stopped) continue;
        std::lock_guard lock(task->m);
        if (done.wait_for(std::chrono::seconds(0)) == std::future_status::ready) return true;
        task->cancelled = true;
        return false;
    }
    return true;
}

FormWindow* peerOf(const ui::WindowModel& w) {
    return static_cast<FormWindow*>(w.peer);
}

}  // namespace

bool QtWindows::open(const std::shared_ptr<ui::WindowModel>& w) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    bool ok = false;
    onGui([&] {
        auto* f = new FormWindow(w);
        f->setAttribute(Qt::WA_DeleteOnClose);
        f->build();
        w->peer = f;
        ok = true;
    });
    return ok;
}

void QtWindows::close(const std::shared_ptr<ui::WindowModel>& w) {
    onGui([&] {
        if (FormWindow* f = peerOf(*w)) {
            w->peer = nullptr;
            f->closeByEngine();
        }
    });
}

void QtWindows::refresh(const std::shared_ptr<ui::WindowModel>& w, const ui::Refresh& r) {
    onGui([&] {
        if (FormWindow* f = peerOf(*w)) f->sync(r);
    });
}

void QtWindows::beep() {
    onGui([] { QApplication::beep(); });
}

int QtWindows::popup(const std::shared_ptr<ui::WindowModel>& w,
                     const std::vector<ui::PopupItem>& items, int x, int y) {
    int chosen = 0;
    onGui([&] {
        FormWindow* f = peerOf(*w);
        QMenu menu(f);
        QMenu* sub = nullptr;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const ui::PopupItem& it = items[i];
            QMenu* into = it.depth > 0 && sub ? sub : &menu;
            if (it.depth == 0) sub = nullptr;
            if (it.text == "-") {
                into->addSeparator();
                continue;
            }
            if (it.depth == 0 && i + 1 < items.size() && items[i + 1].depth > 0) {
                sub = menu.addMenu(fromCp(it.text));
                sub->setEnabled(it.enabled);
                continue;
            }
            QAction* a = into->addAction(fromCp(it.text));
            a->setEnabled(it.enabled);
            a->setCheckable(it.checked);
            a->setChecked(it.checked);
            a->setData(static_cast<int>(i + 1));
        }
        const QPoint at = f && x >= 0 && y >= 0 ? f->mapToGlobal(QPoint(x, y)) : QCursor::pos();
        if (QAction* a = menu.exec(at)) chosen = a->data().toInt();
    });
    return chosen;
}

bool QtWindows::isOwnThread() const {
    return onGuiThread();
}

void QtWindows::pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QWidget* QtWindows::widgetOf(const ui::WindowModel& w) {
    return peerOf(w);
}

void QtWindows::stop() {
    g_stopped = true;
    std::lock_guard lock(ui::uiMutex());
    for (const auto& w : ui::detail::openLocked()) w->push(ui::Event{ui::ev::CloseDown});
}

QtWindows& installQtWindows() {
    static QtWindows backend;
    g_stopped = false;
    if (ui::backend() != &backend) ui::installBackend(&backend);
    return backend;
}

}  // namespace kw::qt
