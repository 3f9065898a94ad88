// kestrowd: the pawnshop's cash-desk program. Qt runs on this (the process's main)
// thread; the program entry runs on procedure thread 1 and the application quits when
// it returns.
#include <QApplication>
#include <QMetaObject>
#include <cstdio>
#include <cstdlib>

#include "runtime/frame.h"
#include "runtime/message_box.h"
#include "runtime/proc_threads.h"
#include "runtime/qt/bare_frame.h"
#include "runtime/qt/qt_message_box.h"
#include "shell/program.h"

namespace {

bool displayAvailable() {
#if defined(_WIN32) || defined(__APPLE__)
    return true;
#else
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "kestrowd: no display available (set DISPLAY, or QT_QPA_PLATFORM=offscreen to run without one)\n");
        return 1;
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    kw::qt::QtMessageBox messageBox;
    kw::qt::BareFrameHost frameHost;
    kw::msgbox::install(&messageBox);
    kw::frame::install(&frameHost);

    const bool started = kw::proc::startEntry([&app] {
        kw::shell::ProgramEntry();
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    if (!started) {
        std::fprintf(stderr, "kestrowd: the program thread could not be started\n");
        return 1;
    }
    app.exec();
    kw::proc::waitAll();
    kw::frame::install(nullptr);
    kw::msgbox::install(nullptr);
    return 0;
}
