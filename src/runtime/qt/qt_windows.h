// The Qt window back end: every window is a real top-level window on the GUI thread
// (the thread of the QApplication). Calls from procedure threads are carried over to
// the GUI thread and wait there until done; what the user does goes into the window's
// shared state and event queue, where the procedure's accept loop takes it.
#pragma once

#include <memory>

#include "runtime/window_model.h"

class QWidget;

namespace kw::qt {

class QtWindows : public ui::Backend {
  public:
    bool open(const std::shared_ptr<ui::WindowModel>& w) override;
    void close(const std::shared_ptr<ui::WindowModel>& w) override;
    void refresh(const std::shared_ptr<ui::WindowModel>& w, const ui::Refresh& r) override;
    void beep() override;
    // A QMenu with one level of submenus, run on the GUI thread.
    int popup(const std::shared_ptr<ui::WindowModel>& w, const std::vector<ui::PopupItem>& items,
              int x, int y) override;
    bool isOwnThread() const override;
    void pump(int ms) override;

    // The top-level widget showing a window; nullptr when it has none. GUI thread only.
    static QWidget* widgetOf(const ui::WindowModel& w);

    // For the end of the program, once the GUI's event loop has returned: every open
    // window gets CloseDown (so its procedure can end), and calls that wait for the GUI
    // thread, now or later, return without effect. installQtWindows() undoes it.
    static void stop();
};

// The process's Qt back end, installed on first call. Needs a QApplication; windows
// opened without one fail to open.
QtWindows& installQtWindows();

}  // namespace kw::qt
