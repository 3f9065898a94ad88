// WindowDriver: the actions.
#include "runtime/script/script_driver.h"

#include <algorithm>
#include <atomic>
#include <functional>

namespace kw::script {

using ui::ControlKind;
using ui::Event;
namespace ev = ui::ev;
namespace key = ui::key;

namespace {

std::atomic<long long> g_timeoutMs{5000};

std::string clip(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool focusable(ControlKind k) {
    return k == ControlKind::Entry || k == ControlKind::Button || k == ControlKind::Check ||
           k == ControlKind::Option || k == ControlKind::List;
}

// Number of children of `parent` of kind `k`.
int childCount(const ui::WindowModel& w, int parent, ControlKind k) {
    int n = 0;
    for (const ui::Control& c : w.def.controls)
        if (c.parent == parent && c.kind == k) ++n;
    return n;
}

}  // namespace

const char* describe(Drive d) {
    switch (d) {
        case Drive::Ok:
            return "ok";
        case Drive::Closed:
            return "the window is closed";
        case Drive::Blocked:
            return "the window is blocked by a later window of its thread";
        case Drive::NoControl:
            return "no such control";
        case Drive::Disabled:
            return "the control is disabled";
        case Drive::Hidden:
            return "the control is hidden";
        case Drive::WrongKind:
            return "the control is of another kind";
        case Drive::Ignored:
            return "nothing reacts to that key";
        case Drive::Timeout:
            return "the procedure did not come back in time";
    }
    return "?";
}

void setTimeout(std::chrono::milliseconds timeout) {
    g_timeoutMs = timeout.count();
}
std::chrono::milliseconds timeout() {
    return std::chrono::milliseconds(g_timeoutMs.load());
}

Drive WindowDriver::usableAs(int control, std::initializer_list<ControlKind> kinds) const {
    if (!w_ || !w_->open) return Drive::Closed;
    if (w_->blocked) return Drive::Blocked;
    const ui::Control* c = w_->control(control);
    if (!c) return Drive::NoControl;
    if (kinds.size() > 0 && std::find(kinds.begin(), kinds.end(), c->kind) == kinds.end())
        return Drive::WrongKind;
    if (!w_->visible(control)) return Drive::Hidden;
    if (!w_->usable(control)) return Drive::Disabled;
    return Drive::Ok;
}

Drive WindowDriver::afterPosting(uint64_t target) const {
    std::unique_lock lock(ui::uiMutex());
    const bool done = ui::uiChanged().wait_for(lock, timeout(), [&] {
        return !w_->open || (w_->taken >= target && ui::isWaitingLocked(w_->owner));
    });
    return done ? Drive::Ok : Drive::Timeout;
}

Drive WindowDriver::settle() const {
    if (!w_) return Drive::Closed;
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        target = w_->posted;
    }
    return afterPosting(target);
}

bool WindowDriver::waitClosed(std::chrono::milliseconds t) const {
    if (!w_) return true;
    std::unique_lock lock(ui::uiMutex());
    return ui::uiChanged().wait_for(lock, t, [&] { return !w_->open; });
}

Drive WindowDriver::type(int control, std::string_view text, bool complete) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(control, {ControlKind::Entry});
        if (d != Drive::Ok) return d;
        if (w_->control(control)->readOnly) return Drive::Disabled;
        if (w_->focus != control) {
            w_->focus = control;
            w_->push(Event{ev::Selected, control});
        }
        ui::ControlState& st = *w_->state(control);
        st.text = std::string(text);
        st.edited = true;
        if (complete) w_->push(Event{ev::Accepted, control});
        ui::uiChanged().notify_all();
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::type(std::string_view useName, std::string_view text, bool complete) {
    int control = 0;
    // The entry of that variable, though a prompt or list before it may show it too.
    if (w_)
        for (const ui::Control& c : w_->def.controls)
            if (control == 0 && c.kind == ControlKind::Entry && c.use.hasName(useName))
                control = c.feq;
    if (control == 0) control = findUse(useName);
    return control == 0 ? Drive::NoControl : type(control, text, complete);
}

Drive WindowDriver::press(int control) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(control, {ControlKind::Button, ControlKind::Item});
        if (d != Drive::Ok) return d;
        if (w_->control(control)->text == "-") return Drive::WrongKind;
        w_->push(Event{ev::Accepted, control});
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::press(std::string_view label) {
    if (!w_) return Drive::Closed;
    for (const ui::Control& c : w_->def.controls) {
        if ((c.kind == ControlKind::Button || c.kind == ControlKind::Item) &&
            clip(ui::labelText(c.text)) == clip(std::string(label)))
            return press(c.feq);
    }
    return Drive::NoControl;
}

Drive WindowDriver::check(int control, bool on) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(control, {ControlKind::Check});
        if (d != Drive::Ok) return d;
        ui::ControlState& st = *w_->state(control);
        if (st.checked == on) return Drive::Ok;
        st.checked = on;
        w_->push(Event{ev::Accepted, control});
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::choose(int option, int radio) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(option, {ControlKind::Option});
        if (d != Drive::Ok) return d;
        int nth = 0, radioFeq = 0;
        for (const ui::Control& c : w_->def.controls)
            if (c.parent == option && c.kind == ControlKind::Radio && ++nth == radio)
                radioFeq = c.feq;
        if (radioFeq == 0) return Drive::NoControl;
        const Drive r = usableAs(radioFeq, {});
        if (r != Drive::Ok) return r;
        w_->state(option)->choice = radio;
        w_->push(Event{ev::Accepted, option});
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::chooseTab(int sheet, int tab) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(sheet, {ControlKind::Sheet});
        if (d != Drive::Ok) return d;
        if (tab < 1 || tab > childCount(*w_, sheet, ControlKind::Tab)) return Drive::NoControl;
        ui::ControlState& st = *w_->state(sheet);
        if (st.choice == tab) return Drive::Ok;
        st.choice = tab;
        w_->push(Event{ev::NewSelection, sheet});
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::selectRow(int list, int row) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(list, {ControlKind::List});
        if (d != Drive::Ok) return d;
        ui::ControlState& st = *w_->state(list);
        if (row < 1 || row > static_cast<int>(st.rows.size())) return Drive::NoControl;
        if (w_->focus != list) {
            w_->focus = list;
            w_->push(Event{ev::Selected, list});
        }
        st.choice = row;
        w_->push(Event{ev::NewSelection, list});
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::scroll(int list, int event) {
    if (event < ev::ScrollUp || event > ev::ScrollBottom) return Drive::Ignored;
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(list, {ControlKind::List});
        if (d != Drive::Ok) return d;
        w_->push(Event{event, list});
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::drag(int list, int position) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(list, {ControlKind::List});
        if (d != Drive::Ok) return d;
        w_->push(Event{ev::ScrollDrag, list, 0, std::clamp(position, 0, 100)});
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::focus(int control) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        const Drive d = usableAs(control, {});
        if (d != Drive::Ok) return d;
        if (!focusable(w_->control(control)->kind)) return Drive::WrongKind;
        if (w_->focus == control) return Drive::Ok;
        w_->focus = control;
        w_->push(Event{ev::Selected, control});
        target = w_->posted;
    }
    return afterPosting(target);
}

// The control Tab moves to from `control`: the next usable focusable one, read-only
// entries left out (they show, the operator does not type into them); 0 none.
int WindowDriver::nextInTabOrder(int control) const {
    const int from = control ? w_->indexOf(control) : -1;
    const int n = static_cast<int>(w_->def.controls.size());
    for (int k = 1; k <= n; ++k) {
        const ui::Control& c = w_->def.controls[static_cast<std::size_t>((from + k + n) % n)];
        if (focusable(c.kind) && !c.readOnly && w_->usable(c.feq)) return c.feq;
    }
    return 0;
}

Drive WindowDriver::key(int control, int keyCode) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        if (control == 0 && w_) control = w_->focus;
        const Drive d =
            control == 0 ? (w_ && w_->open ? Drive::Ok : Drive::Closed) : usableAs(control, {});
        if (d != Drive::Ok) return d;
        if (w_->blocked) return Drive::Blocked;
        const ui::ControlState* st = w_->state(control);
        auto has = [keyCode](const std::vector<int>& v) {
            return std::find(v.begin(), v.end(), keyCode) != v.end();
        };
        const ControlKind kind = control ? w_->control(control)->kind : ControlKind::Prompt;
        if ((st && has(st->alerts)) || has(w_->alerts)) {
            w_->push(Event{ev::AlertKey, control, keyCode});
        } else if (keyCode == key::Esc) {
            w_->push(Event{ev::CloseWindow});
        } else if (keyCode == key::Enter && kind == ControlKind::Button && w_->def.enterMovesOn) {
            w_->push(
                Event{ev::Accepted, control});  // Enter on a button of an update form presses it
        } else if (keyCode == key::Tab ||
                   (keyCode == key::Enter && w_->def.enterMovesOn && kind != ControlKind::List)) {
            // An update form's Enter moves on as Tab does: it never completes a half-filled form.
            const int next = nextInTabOrder(control);
            if (next == 0 || next == w_->focus) return Drive::Ignored;
            if (kind == ControlKind::Entry && st->edited) w_->push(Event{ev::Accepted, control});
            w_->focus = next;
            w_->push(Event{ev::Selected, next});
        } else if (keyCode == key::Enter || keyCode == key::CtrlEnter) {
            int button = 0;
            for (const ui::Control& c : w_->def.controls)
                if (c.kind == ControlKind::Button && c.isDefault && w_->usable(c.feq) &&
                    button == 0)
                    button = c.feq;
            if (kind == ControlKind::Entry && st->edited) w_->push(Event{ev::Accepted, control});
            if (button)
                w_->push(Event{ev::Accepted, button});
            else if (kind != ControlKind::Entry)
                return Drive::Ignored;
        } else if (kind == ControlKind::List) {
            ui::ControlState& ls = *w_->state(control);
            const int rows = static_cast<int>(ls.rows.size());
            int e = 0;
            if (keyCode == key::Up && ls.choice > 1)
                --ls.choice, e = ev::NewSelection;
            else if (keyCode == key::Up)
                e = ev::ScrollUp;
            else if (keyCode == key::Down && ls.choice < rows)
                ++ls.choice, e = ev::NewSelection;
            else if (keyCode == key::Down)
                e = ev::ScrollDown;
            else if (keyCode == key::Home && rows > 0)
                ls.choice = 1, e = ev::NewSelection;
            else if (keyCode == key::End && rows > 0)
                ls.choice = rows, e = ev::NewSelection;
            else if (keyCode == key::PgUp)
                e = ev::PageUp;
            else if (keyCode == key::PgDn)
                e = ev::PageDown;
            else if (keyCode == (key::Ctrl | key::Home))
                e = ev::ScrollTop;
            else if (keyCode == (key::Ctrl | key::End))
                e = ev::ScrollBottom;
            if (e == 0) return Drive::Ignored;
            w_->push(Event{e, control});
        } else {
            return Drive::Ignored;
        }
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::closeBox() {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        if (!w_ || !w_->open) return Drive::Closed;
        if (w_->blocked) return Drive::Blocked;
        w_->push(Event{ev::CloseWindow});
        target = w_->posted;
    }
    return afterPosting(target);
}

Drive WindowDriver::resize(int width, int height) {
    uint64_t target;
    {
        std::lock_guard lock(ui::uiMutex());
        if (!w_ || !w_->open) return Drive::Closed;
        w_->geometry.width = std::max({width, w_->minWidth, 1});
        w_->geometry.height = std::max({height, w_->minHeight, 1});
        w_->push(Event{ev::Sized});
        target = w_->posted;
    }
    return afterPosting(target);
}

std::optional<ScriptMessageBox::QueuedAnswer> DriverMessageBox::nextAnswer(
    std::unique_lock<std::mutex>& lock, uint64_t seq) {
    boxThread_ = std::this_thread::get_id();
    boxUp_ = true;
    std::optional<QueuedAnswer> a;
    {
        ui::WaitingScope waiting;
        a = ScriptMessageBox::nextAnswer(lock, seq);
    }
    boxUp_ = false;
    return a;
}

Drive DriverMessageBox::replyWith(const std::function<void()>& give) {
    bool up;
    std::thread::id thread;
    {
        std::lock_guard lock(mu_);
        up = boxUp_;
        thread = boxThread_;
    }
    uint64_t count = 0;
    {
        std::lock_guard lock(ui::uiMutex());
        count = ui::waitCountLocked(thread);
    }
    give();
    if (!up) return Drive::Ok;
    // The box's thread leaves the box, reacts, and begins to wait again.
    std::unique_lock lock(ui::uiMutex());
    const bool done = ui::uiChanged().wait_for(lock, timeout(), [&] {
        return ui::waitCountLocked(thread) > count && ui::isWaitingLocked(thread);
    });
    return done ? Drive::Ok : Drive::Timeout;
}

Drive DriverMessageBox::reply(std::string_view button) {
    return replyWith([&] { answer(button); });
}

Drive DriverMessageBox::reply(unsigned bit) {
    return replyWith([&] { answer(bit); });
}

}  // namespace kw::script
