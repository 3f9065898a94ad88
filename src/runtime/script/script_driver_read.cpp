// WindowDriver: finding windows and reading what they show.
#include <algorithm>

#include "runtime/script/script_driver.h"

namespace kw::script {

using ui::ControlKind;

namespace {

std::string clip(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// What a control shows; caller holds ui::uiMutex().
std::string shownLocked(const ui::WindowModel& w, int control) {
    const ui::Control* c = w.control(control);
    const ui::ControlState* st = w.state(control);
    if (!c || !st) return std::string();
    switch (c->kind) {
        case ControlKind::Entry:
            if (c->password) return std::string(clip(st->text).size(), '*');
            return clip(st->text);
        case ControlKind::Prompt:
        case ControlKind::Status:
            return clip(c->use.bound() ? st->text : ui::labelText(st->text));
        case ControlKind::List: {
            if (st->choice < 1 || st->choice > static_cast<int>(st->rows.size()))
                return std::string();
            std::string row;
            for (const std::string& cell : st->rows[static_cast<std::size_t>(st->choice - 1)]) {
                if (!row.empty()) row += " | ";
                row += clip(cell);
            }
            return row;
        }
        case ControlKind::Image:
            return c->file;
        default:
            return clip(ui::labelText(st->text));
    }
}

}  // namespace

bool WindowDriver::isOpen() const {
    if (!w_) return false;
    std::lock_guard lock(ui::uiMutex());
    return w_->open;
}

bool WindowDriver::isBlocked() const {
    if (!w_) return false;
    std::lock_guard lock(ui::uiMutex());
    return w_->blocked;
}

std::string WindowDriver::title() const {
    if (!w_) return std::string();
    std::lock_guard lock(ui::uiMutex());
    return w_->title;
}

int WindowDriver::thread() const {
    return w_ ? w_->ownerNumber : 0;
}

std::string WindowDriver::shown(int control) const {
    if (!w_) return std::string();
    std::lock_guard lock(ui::uiMutex());
    return shownLocked(*w_, control);
}

std::string WindowDriver::shown(std::string_view useName) const {
    return shown(findUse(useName));
}

bool WindowDriver::enabled(int control) const {
    if (!w_) return false;
    std::lock_guard lock(ui::uiMutex());
    return w_->open && w_->control(control) && w_->usable(control);
}

bool WindowDriver::hidden(int control) const {
    if (!w_) return true;
    std::lock_guard lock(ui::uiMutex());
    return !w_->visible(control);
}

bool WindowDriver::checked(int control) const {
    if (!w_) return false;
    std::lock_guard lock(ui::uiMutex());
    const ui::ControlState* st = w_->state(control);
    return st && st->checked;
}

int WindowDriver::choice(int control) const {
    if (!w_) return 0;
    std::lock_guard lock(ui::uiMutex());
    const ui::ControlState* st = w_->state(control);
    return st ? st->choice : 0;
}

int WindowDriver::rows(int list) const {
    if (!w_) return 0;
    std::lock_guard lock(ui::uiMutex());
    const ui::ControlState* st = w_->state(list);
    return st ? static_cast<int>(st->rows.size()) : 0;
}

std::string WindowDriver::cell(int list, int row, int column) const {
    if (!w_) return std::string();
    std::lock_guard lock(ui::uiMutex());
    const ui::ControlState* st = w_->state(list);
    if (!st || row < 1 || row > static_cast<int>(st->rows.size())) return std::string();
    const auto& r = st->rows[static_cast<std::size_t>(row - 1)];
    if (column < 1 || column > static_cast<int>(r.size())) return std::string();
    return clip(r[static_cast<std::size_t>(column - 1)]);
}

uint32_t WindowDriver::columnColor(int list, int column) const {
    const ui::Control* c = w_ ? w_->def.find(list) : nullptr;
    if (!c || column < 1 || column > static_cast<int>(c->columns.size()))
        return ui::Column::kDefaultColor;
    return c->columns[static_cast<std::size_t>(column - 1)].color;
}

int WindowDriver::focused() const {
    if (!w_) return 0;
    std::lock_guard lock(ui::uiMutex());
    return w_->focus;
}

int WindowDriver::find(std::string_view label) const {
    if (!w_) return 0;
    const std::string want = clip(std::string(label));
    std::lock_guard lock(ui::uiMutex());
    for (std::size_t i = 0; i < w_->def.controls.size(); ++i)
        if (clip(ui::labelText(w_->controls[i].text)) == want) return w_->def.controls[i].feq;
    return 0;
}

int WindowDriver::findUse(std::string_view useName) const {
    if (!w_) return 0;
    for (const ui::Control& c : w_->def.controls)
        if (c.use.hasName(useName)) return c.feq;
    return 0;
}

std::vector<int> WindowDriver::controls() const {
    std::vector<int> out;
    if (w_)
        for (const ui::Control& c : w_->def.controls) out.push_back(c.feq);
    return out;
}

uint32_t WindowDriver::cursor() const {
    if (!w_) return 0;
    std::lock_guard lock(ui::uiMutex());
    return w_->cursor;
}

ui::Geometry WindowDriver::geometry() const {
    if (!w_) return ui::Geometry{};
    std::lock_guard lock(ui::uiMutex());
    return w_->geometry;
}

std::string WindowDriver::dump() const {
    if (!w_) return std::string();
    std::lock_guard lock(ui::uiMutex());
    std::string out = "window \"" + w_->title + "\"" + (w_->open ? "" : " closed") +
                      (w_->blocked ? " blocked" : "") + "\n";
    for (const ui::Control& c : w_->def.controls) {
        out += std::to_string(c.feq) + " " + ui::kindName(c.kind);
        if (!w_->usable(c.feq)) out += w_->visible(c.feq) ? " [disabled]" : " [hidden]";
        if (w_->focus == c.feq) out += " [focus]";
        out += " " + shownLocked(*w_, c.feq) + "\n";
    }
    return out;
}

WindowDriver waitWindow(std::string_view title) {
    return waitWindow(title, timeout());
}

WindowDriver waitWindow(std::string_view title, std::chrono::milliseconds t) {
    const std::string want = clip(std::string(title));
    std::shared_ptr<ui::WindowModel> found;
    std::unique_lock lock(ui::uiMutex());
    ui::uiChanged().wait_for(lock, t, [&] {
        const auto& open = ui::detail::openLocked();
        for (auto it = open.rbegin(); it != open.rend(); ++it) {
            if (clip((*it)->title) == want) {
                found = *it;
                return true;
            }
        }
        return false;
    });
    return WindowDriver(found);
}

std::vector<WindowDriver> windows() {
    std::vector<WindowDriver> out;
    for (auto& w : ui::openWindows()) out.emplace_back(w);
    return out;
}

}  // namespace kw::script
