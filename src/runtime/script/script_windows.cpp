#include "runtime/script/script_windows.h"

namespace kw::script {

namespace {
// The size a scripted window reports: 8x20 pixels per character cell.
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 20;
}  // namespace

bool ScriptWindows::open(const std::shared_ptr<ui::WindowModel>& w) {
    std::lock_guard lock(ui::uiMutex());
    const int width = (w->spec.width > 0 ? w->spec.width : 60) * kCellWidth;
    const int height = (w->spec.height > 0 ? w->spec.height : 20) * kCellHeight;
    w->geometry = ui::Geometry{0, 0, width, height, false, false};
    w->firstWidth = width;
    w->firstHeight = height;
    return true;
}

void ScriptWindows::close(const std::shared_ptr<ui::WindowModel>&) {}

void ScriptWindows::refresh(const std::shared_ptr<ui::WindowModel>&, const ui::Refresh&) {}

ScriptWindows& installScriptWindows() {
    static ScriptWindows backend;
    if (ui::backend() != &backend) ui::installBackend(&backend);
    return backend;
}

}  // namespace kw::script
