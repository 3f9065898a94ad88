#include "list_commands.h"

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/window_events.h"

namespace kw::scenario {

namespace {

using namespace std::chrono_literals;
using script::Drive;
using script::WindowDriver;
namespace key = ui::key;

std::string clip(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    const std::size_t lead = s.find_first_not_of(' ');
    return lead == std::string::npos ? std::string() : s.substr(lead);
}

std::string quoted(const std::string& utf8) {
    return "\"" + utf8 + "\"";
}

bool waitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + script::timeout();
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(10ms);
    }
}

// Whether row `row` of the list shows `text` (CP1251) in some column.
bool rowShows(const WindowDriver& w, int list, int row, const std::string& text) {
    const ui::Control* c = w.model()->def.find(list);
    const int columns = c ? static_cast<int>(c->columns.size()) : 0;
    for (int col = 1; col <= columns; ++col)
        if (clip(w.cell(list, row, col)) == text) return true;
    return false;
}

bool failed(std::string& expected, const std::string& what, Drive d) {
    expected = what + " (" + script::describe(d) + ")";
    return false;
}

// key "NAME": on the focused control, or on the window's list when nothing has the
// focus.
bool keyStep(const Step& s, const ActiveWindow& active, std::string& expected) {
    const int code = keyNamed(s.args[0]);
    expected = "a key named as docs/scenarios.md names them (" + s.args[0] + " is none)";
    if (code == 0) return false;
    WindowDriver w = active();
    expected = "an active window that takes the key " + s.args[0];
    if (!w) return false;
    int control = w.focused();
    if (control == 0 || !w.enabled(control)) control = windowList(w);
    const Drive d = w.key(control, code);
    if (d == Drive::Ok || d == Drive::Closed) return true;
    return failed(expected, expected, d);
}

// locate "TEXT": each character as the key that types it, on the window's list.
bool locateStep(const Step& s, const ActiveWindow& active, std::string& expected) {
    WindowDriver w = active();
    const int list = windowList(w);
    expected = "an active window with a list";
    if (list == 0) return false;
    const std::string text = cp::fromUtf8(s.args[0]);
    for (const char ch : text) {
        const int code = key::ofChar(static_cast<unsigned char>(ch));
        expected = "a list whose locator takes " + quoted(s.args[0]);
        if (code == 0) return false;
        const Drive d = w.key(list, code);
        if (d != Drive::Ok) return failed(expected, expected, d);
    }
    return true;
}

bool rowStep(const Step& s, const ActiveWindow& active, std::string& expected) {
    const std::string want = clip(cp::fromUtf8(s.args[0]));
    expected = "a row of the active window's list showing " + quoted(s.args[0]);
    WindowDriver w;
    int list = 0, row = 0;
    const bool found = waitFor([&] {
        w = active();
        list = windowList(w);
        if (list == 0) return false;
        for (int r = 1; r <= w.rows(list) && row == 0; ++r)
            if (rowShows(w, list, r, want)) row = r;
        return row != 0;
    });
    if (!found) return false;
    const Drive d = w.selectRow(list, row);
    return d == Drive::Ok || failed(expected, expected, d);
}

bool number(const std::string& text, int& n) {
    try {
        std::size_t used = 0;
        n = std::stoi(text, &used);
        return used == text.size() && n >= 0;
    } catch (...) {
        return false;
    }
}

bool expectRowsStep(const Step& s, const ActiveWindow& active, std::string& expected) {
    int n = 0;
    expected = "a number of rows (" + s.args[0] + " is none)";
    if (!number(s.args[0], n)) return false;
    expected = "the active window's list showing " + s.args[0] + " rows";
    return waitFor([&] {
        const WindowDriver w = active();
        const int list = windowList(w);
        return list != 0 && w.rows(list) == n;
    });
}

bool expectRowStep(const Step& s, const ActiveWindow& active, std::string& expected) {
    int n = 0;
    expected = "a row number from 1 (" + s.args[0] + " is none)";
    if (!number(s.args[0], n) || n < 1) return false;
    const std::string want = clip(cp::fromUtf8(s.args[1]));
    expected = "row " + s.args[0] + " of the active window's list showing " + quoted(s.args[1]);
    return waitFor([&] {
        const WindowDriver w = active();
        const int list = windowList(w);
        return list != 0 && w.rows(list) >= n && rowShows(w, list, n, want);
    });
}

}  // namespace

int keyNamed(const std::string& name) {
    static const std::vector<std::pair<const char*, int>> keys = {
        {"Insert", key::Insert},
        {"Delete", key::Delete},
        {"Enter", key::Enter},
        {"Ctrl+Enter", key::CtrlEnter},
        {"Shift+Enter", key::ShiftEnter},
        {"Escape", key::Esc},
        {"PageDown", key::PgDn},
        {"PageUp", key::PgUp},
        {"Home", key::Home},
        {"End", key::End},
        {"Ctrl+Home", key::Ctrl | key::Home},
        {"Ctrl+End", key::Ctrl | key::End},
        {"Down", key::Down},
        {"Up", key::Up},
        {"Tab", key::Tab},
        {"Backspace", key::Backspace},
    };
    for (const auto& [n, code] : keys)
        if (name == n) return code;
    return 0;
}

bool runListCommand(const Step& s, const ActiveWindow& active, std::string& expected) {
    if (s.command == "key") return keyStep(s, active, expected);
    if (s.command == "locate") return locateStep(s, active, expected);
    if (s.command == "row") return rowStep(s, active, expected);
    if (s.command == "expect-rows") return expectRowsStep(s, active, expected);
    if (s.command == "expect-row") return expectRowStep(s, active, expected);
    expected = "a list command";
    return false;
}

int windowList(const script::WindowDriver& w) {
    if (!w) return 0;
    int first = 0;
    for (const ui::Control& c : w.model()->def.controls) {
        if (c.kind != ui::ControlKind::List) continue;
        if (!c.queue) return c.feq;
        if (!first) first = c.feq;
    }
    return first;
}

}  // namespace kw::scenario
