// Window: the small setters and getters of control and window state.
#include <algorithm>

#include "runtime/clock.h"
#include "runtime/window_engine.h"

namespace kw::ui {

void Window::enable(int control, bool on) {
    enableRange(control, control, on);
}

void Window::enableRange(int first, int last, bool on) {
    if (!m_) return;
    Refresh r;
    {
        std::lock_guard lock(uiMutex());
        for (std::size_t i = 0; i < m_->def.controls.size(); ++i) {
            const int feq = m_->def.controls[i].feq;
            if (feq < first || feq > last || m_->controls[i].enabled == on) continue;
            m_->controls[i].enabled = on;
            r.controls.push_back(feq);
        }
    }
    refresh(r);
}

void Window::hide(int control, bool hidden) {
    if (!m_) return;
    {
        std::lock_guard lock(uiMutex());
        ControlState* st = m_->state(control);
        if (!st || st->hidden == hidden) return;
        st->hidden = hidden;
    }
    refresh(Refresh{{control}, 0});
}

bool Window::enabled(int control) const {
    if (!m_) return false;
    std::lock_guard lock(uiMutex());
    const ControlState* st = m_->state(control);
    return st && st->enabled;
}

bool Window::hidden(int control) const {
    if (!m_) return false;
    std::lock_guard lock(uiMutex());
    const ControlState* st = m_->state(control);
    return st && st->hidden;
}

bool Window::checked(int control) const {
    if (!m_) return false;
    std::lock_guard lock(uiMutex());
    const ControlState* st = m_->state(control);
    return st && st->checked;
}

void Window::setQueue(int list, PageQueue* queue) {
    if (!m_) return;
    const int i = m_->indexOf(list);
    if (i >= 0) queues_[static_cast<std::size_t>(i)] = queue;
}

int Window::choice(int control) const {
    if (!m_) return 0;
    std::lock_guard lock(uiMutex());
    const ControlState* st = m_->state(control);
    return st ? st->choice : 0;
}

void Window::setChoice(int control, int choice) {
    if (!m_) return;
    {
        std::lock_guard lock(uiMutex());
        ControlState* st = m_->state(control);
        if (!st) return;
        if (m_->control(control)->kind == ControlKind::List) {
            const int rows = static_cast<int>(st->rows.size());
            choice = rows == 0 ? 0 : std::clamp(choice, 1, rows);
        }
        if (st->choice == choice) return;
        st->choice = choice;
    }
    refresh(Refresh{{control}, 0});
}

int Window::visibleRows(int list) const {
    if (!m_) return 0;
    std::lock_guard lock(uiMutex());
    const ControlState* st = m_->state(list);
    return st ? st->visibleRows : 0;
}

int Window::rows(int list) const {
    if (!m_) return 0;
    std::lock_guard lock(uiMutex());
    const ControlState* st = m_->state(list);
    return st ? static_cast<int>(st->rows.size()) : 0;
}

void Window::setThumb(int list, int position) {
    if (!m_) return;
    {
        std::lock_guard lock(uiMutex());
        ControlState* st = m_->state(list);
        if (!st) return;
        st->thumb = std::clamp(position, 0, 100);
    }
    refresh(Refresh{{list}, 0});
}

void Window::alert(int control, int key) {
    if (!m_) return;
    std::lock_guard lock(uiMutex());
    std::vector<int>* keys = control == 0 ? &m_->alerts : nullptr;
    if (ControlState* st = control == 0 ? nullptr : m_->state(control)) keys = &st->alerts;
    if (keys && std::find(keys->begin(), keys->end(), key) == keys->end()) keys->push_back(key);
}

void Window::clearAlerts(int control) {
    if (!m_) return;
    std::lock_guard lock(uiMutex());
    if (control == 0)
        m_->alerts.clear();
    else if (ControlState* st = m_->state(control))
        st->alerts.clear();
}

void Window::setTimer(int hundredths) {
    timer_ = std::chrono::milliseconds(hundredths > 0 ? hundredths * 10 : 0);
    nextTimer_ = clock::ticks() + timer_.count();
}

void Window::setCursor(uint32_t cursor) {
    if (!m_) return;
    {
        std::lock_guard lock(uiMutex());
        m_->cursor = cursor;
    }
    refresh(Refresh{{}, change::Cursor});
}

Geometry Window::geometry() const {
    if (!m_) return Geometry{};
    std::lock_guard lock(uiMutex());
    return m_->geometry;
}

void Window::setGeometry(const Geometry& g) {
    if (!m_) return;
    {
        std::lock_guard lock(uiMutex());
        m_->geometry = g;
    }
    refresh(Refresh{{}, change::Geometry});
}

void Window::firstSize(int& width, int& height) const {
    width = height = 0;
    if (!m_) return;
    std::lock_guard lock(uiMutex());
    width = m_->firstWidth;
    height = m_->firstHeight;
}

void Window::setMinSize(int width, int height) {
    if (!m_) return;
    {
        std::lock_guard lock(uiMutex());
        m_->minWidth = width;
        m_->minHeight = height;
    }
    refresh(Refresh{{}, change::Limits});
}

void Window::setMaxSize(int width, int height) {
    if (!m_) return;
    {
        std::lock_guard lock(uiMutex());
        m_->maxWidth = width;
        m_->maxHeight = height;
    }
    refresh(Refresh{{}, change::Limits});
}

int Window::popup(const std::vector<PopupItem>& items, int x, int y) {
    Backend* b = backend();
    if (!m_ || !b || items.empty() || !isOpen()) return 0;
    const int chosen = b->popup(m_, items, x, y);
    if (chosen < 1 || chosen > static_cast<int>(items.size())) return 0;
    const PopupItem& it = items[static_cast<std::size_t>(chosen - 1)];
    // A back end answers only with an item that can be chosen; check it all the same.
    const bool opensSubmenu = it.depth == 0 && static_cast<std::size_t>(chosen) < items.size() &&
                              items[static_cast<std::size_t>(chosen)].depth > 0;
    if (it.text == "-" || !it.enabled || opensSubmenu) return 0;
    return chosen;
}

}  // namespace kw::ui
