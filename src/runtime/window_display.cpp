// Window: variables to screen and back.
#include <algorithm>

#include "runtime/window_engine.h"

namespace kw::ui {

namespace {

std::string clipped(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool sameValue(const Value& held, const std::string& text, bool asText) {
    if (asText) return clipped(held.asText()) == clipped(text);
    return held.asNumber() == Value(text).asNumber();
}

}  // namespace

std::string Window::radioValue(int option, int radio) const {
    int nth = 0;
    for (const Control& c : m_->def.controls) {
        if (c.parent != option || c.kind != ControlKind::Radio) continue;
        if (++nth == radio) return c.onValue.empty() ? std::to_string(nth) : c.onValue;
    }
    return std::string();
}

int Window::radioIndex(int option, const Value& v) const {
    const Control* o = m_->control(option);
    int nth = 0;
    for (const Control& c : m_->def.controls) {
        if (c.parent != option || c.kind != ControlKind::Radio) continue;
        ++nth;
        const std::string value = c.onValue.empty() ? std::to_string(nth) : c.onValue;
        if (sameValue(v, value, o->use.isText())) return nth;
    }
    return 0;
}

bool Window::showOf(int index, ControlState& out) const {
    const auto i = static_cast<std::size_t>(index);
    const Control& c = m_->def.controls[i];
    switch (c.kind) {
        case ControlKind::Entry:
        case ControlKind::Prompt:
        case ControlKind::Status:
        case ControlKind::Progress:
            if (!c.use.bound()) return false;
            out.text = c.use.text(pics_[i]);
            return true;
        case ControlKind::Check:
            if (!c.use.bound()) return false;
            out.checked = sameValue(c.use.get(), c.onValue, c.use.isText());
            return true;
        case ControlKind::Option:
            if (!c.use.bound()) return false;
            out.choice = radioIndex(c.feq, c.use.get());
            return true;
        case ControlKind::List: {
            const PageQueue* q = queues_[i];
            if (!q) return false;
            const int records = std::max(0, q->records());
            out.rows.reserve(static_cast<std::size_t>(records));
            for (int r = 1; r <= records; ++r) {
                std::vector<std::string> cells;
                for (std::size_t k = 0; k < c.columns.size(); ++k) {
                    const int qc = c.columns[k].queueColumn > 0 ? c.columns[k].queueColumn
                                                                : static_cast<int>(k + 1);
                    cells.push_back(formatValue(q->value(r, qc), colPics_[i][k]));
                }
                out.rows.push_back(std::move(cells));
            }
            return true;
        }
        default:
            return false;
    }
}

picture::ParseResult Window::take(int index) {
    using picture::ParseResult;
    const auto i = static_cast<std::size_t>(index);
    const Control& c = m_->def.controls[i];
    std::string text;
    bool checked = false, edited = false;
    int choice = 0;
    {
        std::lock_guard lock(uiMutex());
        const ControlState& st = m_->controls[i];
        text = st.text;
        checked = st.checked;
        choice = st.choice;
        edited = st.edited;
    }
    switch (c.kind) {
        case ControlKind::Entry: {
            // Text the user did not touch came from the variable: taking it back would
            // only round the value to the picture.
            if (!edited || c.readOnly) return ParseResult::Ok;
            const bool asText = c.use.bound() ? c.use.isText()
                                              : pics_[i].kind == picture::Kind::String ||
                                                    pics_[i].kind == picture::Kind::Invalid;
            const ParsedValue pv = parseValue(text, pics_[i], asText);
            if (!pv.ok()) return pv.result;
            if (c.use.bound() && !c.use.set(pv.value)) return ParseResult::TooWide;
            std::lock_guard lock(uiMutex());
            ControlState& st = m_->controls[i];
            st.edited = false;
            if (!c.use.bound()) st.text = formatValue(pv.value, pics_[i]);
            return pv.result;
        }
        case ControlKind::Check:
            if (c.use.bound()) c.use.set(Value(checked ? c.onValue : c.offValue));
            return ParseResult::Ok;
        case ControlKind::Option:
            if (c.use.bound() && choice > 0) c.use.set(Value(radioValue(c.feq, choice)));
            return ParseResult::Ok;
        default:
            return ParseResult::Ok;
    }
}

std::string Window::rejectionText(int control) const {
    const int i = m_ ? m_->indexOf(control) : -1;
    if (i < 0 || m_->def.controls[static_cast<std::size_t>(i)].kind != ControlKind::Entry)
        return std::string();
    return picture::explain(contents(control), pics_[static_cast<std::size_t>(i)]);
}

int Window::update(int control) {
    if (!m_) return 0;
    int bad = 0;
    const int n = static_cast<int>(m_->def.controls.size());
    for (int i = 0; i < n; ++i) {
        const Control& c = m_->def.controls[static_cast<std::size_t>(i)];
        if (control != 0 && c.feq != control) continue;
        const picture::ParseResult r = take(i);
        if (r != picture::ParseResult::Ok && r != picture::ParseResult::Empty) ++bad;
    }
    return bad;
}

bool Window::mergeLocked(std::size_t i, ControlState& t, bool whole) {
    const Control& c = m_->def.controls[i];
    ControlState& st = m_->controls[i];
    bool changed = false;
    switch (c.kind) {
        case ControlKind::Entry:
            if (whole && st.edited) break;
            changed = st.text != t.text || st.edited;
            st.text = t.text;
            st.edited = false;
            break;
        case ControlKind::Check:
            changed = st.checked != t.checked;
            st.checked = t.checked;
            break;
        case ControlKind::Option:
            changed = st.choice != t.choice;
            st.choice = t.choice;
            break;
        case ControlKind::List: {
            if (st.rows != t.rows) {
                st.rows = std::move(t.rows);
                ++st.rowsVersion;
                changed = true;
            }
            const int rows = static_cast<int>(st.rows.size());
            const int choice = rows == 0 ? 0 : std::clamp(st.choice, 1, rows);
            changed = changed || choice != st.choice;
            st.choice = choice;
            break;
        }
        default:
            changed = st.text != t.text;
            st.text = t.text;
            break;
    }
    return changed;
}

void Window::display(int control) {
    if (!m_) return;
    std::vector<std::pair<std::size_t, ControlState>> fresh;
    for (std::size_t i = 0; i < m_->def.controls.size(); ++i) {
        if (control != 0 && m_->def.controls[i].feq != control) continue;
        ControlState t;
        if (showOf(static_cast<int>(i), t)) fresh.emplace_back(i, std::move(t));
    }
    Refresh r;
    {
        std::lock_guard lock(uiMutex());
        for (auto& [i, t] : fresh)
            if (mergeLocked(i, t, control == 0)) r.controls.push_back(m_->def.controls[i].feq);
    }
    refresh(r);
}

std::string Window::contents(int control) const {
    if (!m_) return std::string();
    std::lock_guard lock(uiMutex());
    const ControlState* st = m_->state(control);
    return st ? st->text : std::string();
}

void Window::setText(int control, std::string_view text) {
    if (!m_) return;
    if (control == 0) return setTitle(text);
    {
        std::lock_guard lock(uiMutex());
        ControlState* st = m_->state(control);
        if (!st) return;
        st->text = std::string(text);
        // Text put into an entry counts as typed: update() takes it.
        st->edited = m_->control(control)->kind == ControlKind::Entry;
    }
    refresh(Refresh{{control}, 0});
}

std::string Window::title() const {
    if (!m_) return std::string();
    std::lock_guard lock(uiMutex());
    return m_->title;
}

void Window::setTitle(std::string_view title) {
    if (!m_) return;
    {
        std::lock_guard lock(uiMutex());
        m_->title = std::string(title);
        uiChanged().notify_all();
    }
    refresh(Refresh{{}, change::Title});
}

}  // namespace kw::ui
