#include "runtime/script/script_windows.h"

#include <thread>

#include "runtime/script/script_driver.h"

namespace kw::script {

namespace {
// The size a scripted window reports: 8x20 pixels per character cell.
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 20;
}  // namespace

bool ScriptWindows::open(const std::shared_ptr<ui::WindowModel>& w) {
    std::lock_guard lock(ui::uiMutex());
    const int width = (w->def.width > 0 ? w->def.width : 60) * kCellWidth;
    const int height = (w->def.height > 0 ? w->def.height : 20) * kCellHeight;
    w->geometry = ui::Geometry{0, 0, width, height, false, false};
    w->firstWidth = width;
    w->firstHeight = height;
    return true;
}

void ScriptWindows::close(const std::shared_ptr<ui::WindowModel>&) {}

void ScriptWindows::refresh(const std::shared_ptr<ui::WindowModel>&, const ui::Refresh&) {}

int ScriptWindows::popup(const std::shared_ptr<ui::WindowModel>& w,
                         const std::vector<ui::PopupItem>& items, int, int) {
    const std::thread::id me = std::this_thread::get_id();
    std::unique_lock lock(ui::uiMutex());
    if (!w->open) return 0;
    w->popup = ui::PopupState{true, items, 0};
    ui::detail::addWaitingLocked(me, 1);  // notifies: the driver sees the menu up
    (void)ui::uiChanged().wait_for(lock, timeout(),
                                   [&] { return w->popup.answer != 0 || !w->open; });
    const int answer = w->popup.answer;
    w->popup = ui::PopupState{};
    ui::detail::addWaitingLocked(me, -1);
    return answer > 0 && answer <= static_cast<int>(items.size()) ? answer : 0;
}

ScriptWindows& installScriptWindows() {
    static ScriptWindows backend;
    if (ui::backend() != &backend) ui::installBackend(&backend);
    return backend;
}

}  // namespace kw::script
