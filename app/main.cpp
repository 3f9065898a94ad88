// kestrowd: the pawnshop's cash-desk program. Qt runs on this (the process's main)
// thread; the program entry runs on procedure thread 1 and the application quits when
// it returns. SIGTERM and SIGINT end the program through its normal shut-down.
#include <QApplication>
#include <QMetaObject>
#include <cstdio>
#include <cstdlib>

#include "dictionary/tables.h"
#include "procedures.h"
#include "runtime/codepage.h"
#include "runtime/halt.h"
#include "runtime/message_box.h"
#include "runtime/printer_setup.h"
#include "runtime/proc_threads.h"
#include "runtime/qt/qt_message_box.h"
#include "runtime/qt/qt_printer_setup.h"
#include "runtime/qt/qt_report.h"
#include "runtime/qt/qt_termination.h"
#include "runtime/qt/qt_windows.h"
#include "shell/program.h"
#include "storage/postgres/pg_backend.h"

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
    // A data directory holding kestrowd.conninfo keeps its tables on the server.
    kw::storage::pg::registerServerBackend();
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "kestrowd: no display available (set DISPLAY, or QT_QPA_PLATFORM=offscreen to "
                     "run without one)\n");
        return 1;
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    kw::qt::QtMessageBox messageBox;
    kw::qt::QtPrinterSetup printerSetup;
    kw::msgbox::install(&messageBox);
    kw::printer::install(&printerSetup);
    kw::qt::installQtWindows();
    kw::qt::installQtReport();
    kw::setShutdownHook([] { kw::shell::haltShutDown(); });
    // A signal ends the program as if the user had closed every window: MAIN returns and
    // the program entry shuts down (tables closed, INI file written).
    kw::qt::TerminationWatch termination([](int) { kw::qt::closeDownEverything(); });
    kw::app::registerProcedures();

    const bool started = kw::proc::startEntry([] {
        // Tables on a server that does not answer, or lacks them: said, and the program ends.
        std::vector<std::string> labels;
        for (const auto* t : kw::dict::allTables()) labels.push_back(t->label);
        if (std::string why; !kw::storage::pg::serverReady("", labels, why)) {
            std::fprintf(stderr, "kestrowd: %s\n", why.c_str());
            (void)kw::msgbox::show(kw::cp::fromUtf8(why), kw::cp::fromUtf8("Сервер базы данных"),
                                   kw::msgbox::Icon::Stop);
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
            return;
        }
        kw::shell::ProgramEntry();
        // exit(), not quit(): quit() first asks every window to close, and windows the
        // procedures left to the GUI after a signal (QtWindows::stop) refuse.
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
    if (!started) {
        std::fprintf(stderr, "kestrowd: the program thread could not be started\n");
        return 1;
    }
    app.exec();
    // Procedure threads still waiting for the GUI give up now.
    kw::qt::QtWindows::stop();
    kw::proc::waitAll();
    kw::setShutdownHook({});
    kw::printer::install(nullptr);
    kw::msgbox::install(nullptr);
    return 0;
}
