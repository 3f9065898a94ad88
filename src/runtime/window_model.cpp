#include "runtime/window_model.h"

#include <algorithm>
#include <atomic>
#include <map>

namespace kw::ui {

namespace {

std::atomic<Backend*> g_backend{nullptr};
std::vector<std::shared_ptr<WindowModel>> g_open;  // guarded by uiMutex()
struct Waiting {
    int depth = 0;
    uint64_t count = 0;  // times the depth went from 0 to 1
};
std::map<std::thread::id, Waiting> g_waiting;  // guarded by uiMutex()
uint64_t g_serial = 0;

}  // namespace

WindowModel::WindowModel(WindowDef s) : def(std::move(s)) {
    title = def.title;
    controls.resize(def.controls.size());
    for (std::size_t i = 0; i < def.controls.size(); ++i) {
        const Control& c = def.controls[i];
        ControlState& st = controls[i];
        index_[c.feq] = static_cast<int>(i);
        st.text = c.text;
        st.enabled = !c.disabled;
        st.hidden = c.hidden;
        st.visibleRows = c.kind == ControlKind::List ? std::max(1, c.height) : 0;
    }
}

int WindowModel::indexOf(int feq) const {
    auto it = index_.find(feq);
    return it == index_.end() ? -1 : it->second;
}

const Control* WindowModel::control(int feq) const {
    const int i = indexOf(feq);
    return i < 0 ? nullptr : &def.controls[static_cast<std::size_t>(i)];
}

ControlState* WindowModel::state(int feq) {
    const int i = indexOf(feq);
    return i < 0 ? nullptr : &controls[static_cast<std::size_t>(i)];
}

const ControlState* WindowModel::state(int feq) const {
    const int i = indexOf(feq);
    return i < 0 ? nullptr : &controls[static_cast<std::size_t>(i)];
}

bool WindowModel::visible(int feq) const {
    // Parents are earlier controls (checked when the window opened), so this ends.
    for (int f = feq; f != 0;) {
        const int i = indexOf(f);
        if (i < 0 || controls[static_cast<std::size_t>(i)].hidden) return false;
        f = def.controls[static_cast<std::size_t>(i)].parent;
    }
    return true;
}

bool WindowModel::usable(int feq) const {
    for (int f = feq; f != 0;) {
        const int i = indexOf(f);
        if (i < 0) return false;
        const ControlState& st = controls[static_cast<std::size_t>(i)];
        if (st.hidden || !st.enabled) return false;
        f = def.controls[static_cast<std::size_t>(i)].parent;
    }
    return true;
}

void WindowModel::push(const Event& e) {
    if (!open) return;
    queue.push_back(e);
    ++posted;
    uiChanged().notify_all();
}

std::mutex& uiMutex() {
    static std::mutex m;
    return m;
}

std::condition_variable& uiChanged() {
    static std::condition_variable cv;
    return cv;
}

Backend* installBackend(Backend* b) {
    return g_backend.exchange(b);
}
Backend* backend() {
    return g_backend.load();
}

std::vector<std::shared_ptr<WindowModel>> openWindows() {
    std::lock_guard lock(uiMutex());
    return g_open;
}

void postEvent(const std::shared_ptr<WindowModel>& w, const Event& e) {
    if (!w) return;
    std::lock_guard lock(uiMutex());
    w->push(e);
}

WaitingScope::WaitingScope() {
    std::lock_guard lock(uiMutex());
    detail::addWaitingLocked(std::this_thread::get_id(), 1);
}

WaitingScope::~WaitingScope() {
    std::lock_guard lock(uiMutex());
    detail::addWaitingLocked(std::this_thread::get_id(), -1);
}

bool isWaitingLocked(std::thread::id id) {
    auto it = g_waiting.find(id);
    return it != g_waiting.end() && it->second.depth > 0;
}

uint64_t waitCountLocked(std::thread::id id) {
    auto it = g_waiting.find(id);
    return it == g_waiting.end() ? 0 : it->second.count;
}

namespace detail {

const std::vector<std::shared_ptr<WindowModel>>& openLocked() {
    return g_open;
}

void addWaitingLocked(std::thread::id id, int delta) {
    Waiting& w = g_waiting[id];
    if (w.depth == 0 && delta > 0) ++w.count;
    w.depth = std::max(0, w.depth + delta);
    uiChanged().notify_all();
}

std::shared_ptr<WindowModel> registerLocked(const std::shared_ptr<WindowModel>& w) {
    std::shared_ptr<WindowModel> below;
    for (auto it = g_open.rbegin(); it != g_open.rend(); ++it) {
        if ((*it)->owner == w->owner) {
            below = *it;
            break;
        }
    }
    if (below) below->blocked = true;
    w->serial = ++g_serial;
    g_open.push_back(w);
    uiChanged().notify_all();
    return below;
}

std::shared_ptr<WindowModel> unregisterLocked(const std::shared_ptr<WindowModel>& w) {
    auto it = std::find(g_open.begin(), g_open.end(), w);
    if (it == g_open.end()) return nullptr;
    bool top = true;
    for (auto later = it + 1; later != g_open.end(); ++later)
        if ((*later)->owner == w->owner) top = false;
    g_open.erase(it);
    w->open = false;
    w->blocked = false;
    uiChanged().notify_all();
    if (!top) return nullptr;
    for (auto r = g_open.rbegin(); r != g_open.rend(); ++r) {
        if ((*r)->owner == w->owner) {
            (*r)->blocked = false;
            return *r;
        }
    }
    return nullptr;
}

}  // namespace detail

}  // namespace kw::ui
