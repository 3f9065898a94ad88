// The scripted window back end: windows exist only as their shared state; nothing is
// drawn. Tests drive them through WindowDriver (script_driver.h).
#pragma once

#include <atomic>

#include "runtime/window_model.h"

namespace kw::script {

class ScriptWindows : public ui::Backend {
  public:
    bool open(const std::shared_ptr<ui::WindowModel>& w) override;
    void close(const std::shared_ptr<ui::WindowModel>& w) override;
    void refresh(const std::shared_ptr<ui::WindowModel>& w, const ui::Refresh& r) override;
    void beep() override { ++beeps_; }
    // Puts the menu into the window's state (WindowModel::popup), where the test driver
    // sees it and answers it, and waits for the answer as a procedure waits for the
    // user; a menu not answered within the driver's timeout is dismissed.
    int popup(const std::shared_ptr<ui::WindowModel>& w, const std::vector<ui::PopupItem>& items,
              int x, int y) override;

    int beeps() const { return beeps_.load(); }

  private:
    std::atomic<int> beeps_{0};
};

// The process's scripted back end, installed on first call (and again if another back
// end replaced it).
ScriptWindows& installScriptWindows();

}  // namespace kw::script
