#include "runtime/qt/bare_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMainWindow>
#include <QMetaObject>
#include <QString>
#include <QThread>
#include <functional>
#include <future>
#include <memory>

#include "runtime/codepage.h"

namespace kw::qt {

namespace {

// A main window that reports, once, that it is gone: when it is closed, or destroyed
// without being closed.
class FrameWindow : public QMainWindow {
public:
    explicit FrameWindow(std::function<void()> gone) : gone_(std::move(gone)) {}
    ~FrameWindow() override { reportGone(); }

protected:
    void closeEvent(QCloseEvent* event) override {
        QMainWindow::closeEvent(event);
        if (event->isAccepted()) reportGone();
    }

private:
    void reportGone() {
        if (gone_) {
            auto gone = std::move(gone_);
            gone_ = nullptr;
            gone();
        }
    }
    std::function<void()> gone_;
};

}  // namespace

void BareFrameHost::runFrame(const std::string& titleCp1251) {
    QCoreApplication* app = QCoreApplication::instance();
    // Blocking the GUI thread on its own window would never end.
    if (!app || QThread::currentThread() == app->thread()) return;
    auto closed = std::make_shared<std::promise<void>>();
    std::future<void> done = closed->get_future();
    const QString title = QString::fromStdString(cp::toUtf8(titleCp1251));
    QMetaObject::invokeMethod(
        app,
        [title, closed] {
            auto* w = new FrameWindow([closed] { closed->set_value(); });
            w->setAttribute(Qt::WA_DeleteOnClose);
            w->setWindowTitle(title);
            w->resize(800, 600);
            w->show();
        },
        Qt::QueuedConnection);
    done.wait();
}

}  // namespace kw::qt
