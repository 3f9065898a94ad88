#include "runtime/qt/qt_termination.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "runtime/message_box.h"
#include "runtime/qt/qt_windows.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kw::qt {

#ifndef _WIN32

namespace {

int g_pipe[2] = {-1, -1};
struct sigaction g_previous[2];
constexpr int kSignals[2] = {SIGTERM, SIGINT};

// Async-signal-safe: one write of one byte; errno is kept for the interrupted code.
void onSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    if (g_pipe[1] >= 0) (void)!::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationWatch::TerminationWatch(std::function<void(int)> callback, QObject* parent)
    : QObject(parent), onSignal_(std::move(callback)) {
    if (g_pipe[0] >= 0 || ::pipe(g_pipe) != 0) return;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationWatch::readSignal);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int i = 0; i < 2; ++i) ::sigaction(kSignals[i], &sa, &g_previous[i]);
}

TerminationWatch::~TerminationWatch() {
    if (!notifier_) return;
    for (int i = 0; i < 2; ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete notifier_;
    notifier_ = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationWatch::readSignal() {
    char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        if (onSignal_) onSignal_(static_cast<unsigned char>(byte));
}

#else

TerminationWatch::TerminationWatch(std::function<void(int)> callback, QObject* parent)
    : QObject(parent), onSignal_(std::move(callback)) {}

TerminationWatch::~TerminationWatch() = default;

void TerminationWatch::readSignal() {}

#endif

void closeDownEverything() {
    msgbox::install(nullptr);
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        if (QApplication::activeModalWidget() == modal) break;  // it would not close
    }
    QtWindows::stop();
}

}  // namespace kw::qt
