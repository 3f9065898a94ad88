// Ending the program on SIGTERM and SIGINT. The signal handler only writes the signal's
// number into a pipe; a socket notifier on the GUI thread reads it and calls the
// watcher's callback there, outside the handler, where any work is safe. Once a signal
// has arrived its handler is reset to the system's default, so a second one ends the
// process at once should the clean end hang.
//
// One watcher at a time. On systems without these signals it watches nothing.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kw::qt {

class TerminationWatch : public QObject {
  public:
    // Installs the handlers; `onSignal` runs on the thread that made the watcher (the
    // GUI thread) with the signal's number.
    explicit TerminationWatch(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~TerminationWatch() override;
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

    // Whether the handlers are installed.
    bool watching() const { return notifier_ != nullptr; }

  private:
    void readSignal();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

// What a signal does in the program, as if the user had closed every window: open
// dialogs and message boxes are dismissed, later boxes are answered with their default
// button without being shown (no message-box back end), and every window gets
// CloseDown while the GUI stops serving the procedures (QtWindows::stop()). GUI thread.
void closeDownEverything();

}  // namespace kw::qt
