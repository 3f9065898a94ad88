// The accept loop of Window: opening, closing, waiting for events, the accept-all pass
// and the default handling of events.
#include <algorithm>

#include "runtime/clock.h"
#include "runtime/proc_thread.h"
#include "runtime/window_engine.h"

namespace kw::ui {

namespace {

bool focusable(ControlKind k) {
    return k == ControlKind::Entry || k == ControlKind::Button || k == ControlKind::Check ||
           k == ControlKind::Option || k == ControlKind::List;
}

}  // namespace

Window::~Window() {
    close();
}

bool Window::fail(std::string why) {
    error_ = std::move(why);
    return false;
}

bool Window::isOpen() const {
    if (!m_) return false;
    std::lock_guard lock(uiMutex());
    return m_->open;
}

bool Window::open(WindowDef def) {
    error_.clear();
    if (m_) return fail("the window is already open");
    Backend* b = backend();
    if (!b) return fail("no window back end is installed");
    std::string err = def.finish();
    if (!err.empty()) return fail(err);

    auto m = std::make_shared<WindowModel>(std::move(def));
    m->owner = std::this_thread::get_id();
    m->ownerNumber = proc::currentThread();
    const std::size_t n = m->def.controls.size();
    pics_.assign(n, picture::Picture{});
    colPics_.assign(n, {});
    queues_.assign(n, nullptr);
    for (std::size_t i = 0; i < n; ++i) {
        const Control& c = m->def.controls[i];
        if (!c.picture.empty()) pics_[i] = picture::parse(c.picture);
        for (const Column& col : c.columns) colPics_[i].push_back(picture::parse(col.picture));
        queues_[i] = c.queue;
    }
    for (const Control& c : m->def.controls) {
        if (focusable(c.kind) && !c.readOnly && m->usable(c.feq)) {
            m->focus = c.feq;
            break;
        }
    }
    m_ = m;
    // The first picture of every control, before anyone else can see the model.
    for (std::size_t i = 0; i < n; ++i) {
        if (m->def.controls[i].kind == ControlKind::Sheet) m->controls[i].choice = 1;
        ControlState t;
        if (showOf(static_cast<int>(i), t)) mergeLocked(i, t, false);
    }
    pass_ = -1;
    current_ = Event{};
    consumed_ = false;
    setTimer(m->def.timer);

    {
        std::lock_guard lock(uiMutex());
        m->open = true;
        m->push(Event{ev::OpenWindow});
        m->push(Event{ev::Shown});
    }
    if (!b->open(m)) {
        std::lock_guard lock(uiMutex());
        m->open = false;
        m_.reset();
        return fail("the window could not be shown");
    }
    std::shared_ptr<WindowModel> below;
    {
        std::lock_guard lock(uiMutex());
        below = detail::registerLocked(m);
    }
    if (below) b->refresh(below, Refresh{{}, change::Blocked});
    return true;
}

void Window::close() {
    if (!m_) return;
    std::shared_ptr<WindowModel> m = std::move(m_);
    m_.reset();
    std::shared_ptr<WindowModel> above;
    {
        std::lock_guard lock(uiMutex());
        m->queue.clear();
        above = detail::unregisterLocked(m);
        m->open = false;
        if (above) above->push(Event{ev::GainFocus});
    }
    Backend* b = backend();
    if (b) {
        b->close(m);
        if (above) b->refresh(above, Refresh{{}, change::Blocked});
    }
    pass_ = -1;
    current_ = Event{};
    timer_ = std::chrono::milliseconds(0);
}

int Window::accept() {
    if (!m_) return 0;
    if (current_.code != 0 && !consumed_) defaultAction(current_);
    current_ = Event{};
    consumed_ = false;
    rejection_ = picture::ParseResult::Ok;
    while (m_) {
        Event e;
        if (pass_ >= 0 && passStep(e)) {
            current_ = e;
            return e.code;
        }
        if (!waitNext(e)) {
            close();
            return 0;
        }
        if (!prepare(e)) continue;
        current_ = e;
        return e.code;
    }
    return 0;
}

bool Window::waitNext(Event& e) {
    Backend* b = backend();
    const bool pumping = b && b->isOwnThread();
    const std::thread::id me = std::this_thread::get_id();
    std::unique_lock lock(uiMutex());
    bool waiting = false;
    auto stopWaiting = [&] {
        if (waiting) detail::addWaitingLocked(me, -1);
        waiting = false;
    };
    for (;;) {
        if (!m_->open) {
            stopWaiting();
            return false;
        }
        if (!m_->queue.empty()) {
            e = m_->queue.front();
            m_->queue.pop_front();
            ++m_->taken;
            stopWaiting();
            return true;
        }
        int64_t now = clock::ticks();
        // On the test clock an idle window's timer comes due at once.
        if (timer_.count() > 0 && now < nextTimer_ && clock::manualTicks()) {
            clock::advanceTicksTo(nextTimer_);
            now = clock::ticks();
        }
        if (timer_.count() > 0 && now >= nextTimer_) {
            nextTimer_ = now + timer_.count();
            e = Event{ev::Timer};
            stopWaiting();
            return true;
        }
        if (!waiting) {
            detail::addWaitingLocked(me, 1);
            waiting = true;
        }
        if (pumping) {
            lock.unlock();
            b->pump(10);
            lock.lock();
        } else if (timer_.count() > 0) {
            uiChanged().wait_for(lock, std::chrono::milliseconds(nextTimer_ - now));
        } else {
            uiChanged().wait(lock);
        }
    }
}

// Takes what an event carries from the screen into the variables. False drops the event.
bool Window::prepare(Event& e) {
    if (e.code != ev::Accepted || e.control == 0) return true;
    const int i = m_->indexOf(e.control);
    if (i < 0) return true;  // posted for a control of another window (a toolbar)
    const ControlKind k = m_->def.controls[static_cast<std::size_t>(i)].kind;
    if (k != ControlKind::Entry && k != ControlKind::Check && k != ControlKind::Option) return true;
    const picture::ParseResult r = take(i);
    if (r != picture::ParseResult::Ok && r != picture::ParseResult::Empty) {
        e.code = ev::Rejected;
        rejection_ = r;
    } else {
        display(e.control);
    }
    return true;
}

bool Window::passStep(Event& e) {
    const int n = static_cast<int>(m_->def.controls.size());
    while (pass_ >= 0 && pass_ < n) {
        const int i = pass_++;
        const Control& c = m_->def.controls[static_cast<std::size_t>(i)];
        if (c.kind != ControlKind::Entry || c.readOnly) continue;
        {
            std::lock_guard lock(uiMutex());
            if (!m_->usable(c.feq)) continue;
        }
        const picture::ParseResult r = take(i);
        if (r != picture::ParseResult::Ok && r != picture::ParseResult::Empty) {
            pass_ = -1;
            rejection_ = r;
            focusTo(c.feq);
            e = Event{ev::Rejected, c.feq};
            return true;
        }
        display(c.feq);
        e = Event{ev::Accepted, c.feq};
        return true;
    }
    if (pass_ < 0) return false;
    pass_ = -1;
    e = Event{ev::Completed};
    return true;
}

void Window::defaultAction(const Event& e) {
    switch (e.code) {
        case ev::CloseWindow:
        case ev::CloseDown:
            close();
            break;
        case ev::Rejected:
            beep();
            focusTo(e.control);
            break;
        case ev::ScrollUp:
        case ev::ScrollDown:
        case ev::PageUp:
        case ev::PageDown:
        case ev::ScrollTop:
        case ev::ScrollBottom:
        case ev::ScrollDrag:
            scrollList(e);
            break;
        default:
            break;
    }
}

void Window::scrollList(const Event& e) {
    const Control* c = m_->control(e.control);
    if (!c || c->kind != ControlKind::List) return;
    {
        std::lock_guard lock(uiMutex());
        ControlState& st = *m_->state(e.control);
        const int rows = static_cast<int>(st.rows.size());
        const int page = std::max(1, st.visibleRows);
        int r = st.choice;
        switch (e.code) {
            case ev::ScrollUp:
                r -= 1;
                break;
            case ev::ScrollDown:
                r += 1;
                break;
            case ev::PageUp:
                r -= page;
                break;
            case ev::PageDown:
                r += page;
                break;
            case ev::ScrollTop:
                r = 1;
                break;
            case ev::ScrollBottom:
                r = rows;
                break;
            case ev::ScrollDrag:
                r = std::max(1, e.thumb * rows / 100);
                break;
            default:
                break;
        }
        st.choice = rows == 0 ? 0 : std::clamp(r, 1, rows);
    }
    refresh(Refresh{{e.control}, 0});
}

void Window::post(int event, int control) {
    if (!m_) return;
    std::lock_guard lock(uiMutex());
    m_->push(Event{event, control});
}

void Window::select(int control) {
    if (!m_) return;
    pass_ = -1;
    focusTo(control);
}

void Window::selectAll() {
    if (m_) pass_ = 0;
}

int Window::focus() const {
    if (!m_) return 0;
    std::lock_guard lock(uiMutex());
    return m_->focus;
}

void Window::focusTo(int control) {
    const Control* c = m_ ? m_->control(control) : nullptr;
    if (!c) return;
    Refresh r{{}, change::Focus};
    {
        std::lock_guard lock(uiMutex());
        // A control on a sheet's page brings its page to the front.
        for (const Control* p = c; p && p->parent != 0; p = m_->control(p->parent)) {
            const Control* sheet = m_->control(p->parent);
            if (p->kind != ControlKind::Tab || !sheet) continue;
            int nth = 0;
            for (const Control& t : m_->def.controls)
                if (t.parent == sheet->feq && t.kind == ControlKind::Tab) {
                    ++nth;
                    if (t.feq == p->feq) break;
                }
            ControlState& st = *m_->state(sheet->feq);
            if (st.choice != nth) {
                st.choice = nth;
                r.controls.push_back(sheet->feq);
            }
        }
        if (c->kind != ControlKind::Tab && m_->focus != control) {
            m_->focus = control;
            m_->push(Event{ev::Selected, control});
        }
    }
    refresh(r);
}

void Window::refresh(const Refresh& r) {
    Backend* b = backend();
    if (b && m_ && !r.empty()) b->refresh(m_, r);
}

void Window::beep() {
    if (Backend* b = backend()) b->beep();
}

}  // namespace kw::ui
