#include "runtime/window_def.h"

#include <iterator>
#include <set>
#include <utility>

namespace kw::ui {

namespace {

// The kinds' names, in the order of ControlKind.
constexpr const char* kKindNames[] = {
    "prompt", "entry", "button", "check", "option", "radio", "group",    "sheet",
    "tab",    "list",  "menu",   "item",  "status", "image", "progress", "canvas",
};
static_assert(std::size(kKindNames) == static_cast<std::size_t>(ControlKind::Canvas) + 1);

// A control of `kind` with its text; the factories add what their kind has more.
Control made(ControlKind kind, std::string text = std::string()) {
    Control c;
    c.kind = kind;
    c.text = std::move(text);
    return c;
}

// A control of `kind` that shows its variable `use` through `picture`.
Control bound(ControlKind kind, Binding use, std::string picture, int width) {
    Control c = made(kind);
    c.use = std::move(use);
    c.picture = std::move(picture);
    c.width = width;
    return c;
}

}  // namespace

const char* kindName(ControlKind k) {
    const auto i = static_cast<std::size_t>(k);
    return i < std::size(kKindNames) ? kKindNames[i] : "?";
}

bool isContainer(ControlKind k) {
    return k == ControlKind::Group || k == ControlKind::Option || k == ControlKind::Sheet ||
           k == ControlKind::Tab || k == ControlKind::Menu;
}

Control Control::prompt(std::string text) {
    return made(ControlKind::Prompt, std::move(text));
}

Control Control::promptOf(Binding use, std::string picture) {
    return bound(ControlKind::Prompt, std::move(use), std::move(picture), 0);
}

Control Control::entry(Binding use, std::string picture, int width) {
    return bound(ControlKind::Entry, std::move(use), std::move(picture), width);
}

Control Control::button(std::string text) {
    return made(ControlKind::Button, std::move(text));
}

Control Control::check(std::string text, Binding use, std::string on, std::string off) {
    Control c = made(ControlKind::Check, std::move(text));
    c.use = std::move(use);
    c.onValue = std::move(on);
    c.offValue = std::move(off);
    return c;
}

Control Control::option(std::string text, Binding use) {
    Control c = made(ControlKind::Option, std::move(text));
    c.use = std::move(use);
    return c;
}

Control Control::radio(std::string text, std::string value) {
    Control c = made(ControlKind::Radio, std::move(text));
    c.onValue = std::move(value);
    return c;
}

Control Control::group(std::string text) {
    return made(ControlKind::Group, std::move(text));
}

Control Control::sheet() {
    return made(ControlKind::Sheet);
}

Control Control::tab(std::string text) {
    return made(ControlKind::Tab, std::move(text));
}

Control Control::list(std::vector<Column> columns, PageQueue* queue, int rows) {
    Control c = made(ControlKind::List);
    c.columns = std::move(columns);
    c.queue = queue;
    c.height = rows;
    return c;
}

Control Control::menu(std::string text) {
    return made(ControlKind::Menu, std::move(text));
}

Control Control::item(std::string text, std::string tip) {
    Control c = made(ControlKind::Item, std::move(text));
    c.tip = std::move(tip);
    return c;
}

Control Control::separator() {
    return item("-");
}

Control Control::status(std::string text, int width) {
    Control c = made(ControlKind::Status, std::move(text));
    c.width = width;
    return c;
}

Control Control::statusOf(Binding use, std::string picture, int width) {
    return bound(ControlKind::Status, std::move(use), std::move(picture), width);
}

Control Control::image(std::string file) {
    Control c = made(ControlKind::Image);
    c.file = std::move(file);
    return c;
}

Control Control::progress(Binding use) {
    Control c = made(ControlKind::Progress);
    c.use = std::move(use);
    c.picture = "n3";
    return c;
}

Control Control::canvas(const report::Document* document) {
    Control c = made(ControlKind::Canvas, "1 1 1 -1");
    c.document = document;
    return c;
}

std::string labelText(std::string_view text) {
    std::string r;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                r += '&';
                ++i;
            }
            continue;
        }
        r += text[i];
    }
    return r;
}

int WindowDef::add(Control c) {
    if (c.parent == 0 && !open_.empty()) c.parent = open_.back();
    if (c.feq == 0) c.feq = controls.empty() ? 1 : controls.back().feq + 1;
    controls.push_back(std::move(c));
    return controls.back().feq;
}

int WindowDef::begin(Control c) {
    const int feq = add(std::move(c));
    open_.push_back(feq);
    return feq;
}

void WindowDef::end() {
    if (!open_.empty()) open_.pop_back();
}

int WindowDef::indexOf(int feq) const {
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].feq == feq) return static_cast<int>(i);
    return -1;
}

const Control* WindowDef::find(int feq) const {
    const int i = indexOf(feq);
    return i < 0 ? nullptr : &controls[static_cast<std::size_t>(i)];
}

namespace {

// Whether `child` may sit in a container of kind `parent`.
bool fits(ControlKind child, ControlKind parent) {
    switch (child) {
        case ControlKind::Radio:
            return parent == ControlKind::Option;
        case ControlKind::Tab:
            return parent == ControlKind::Sheet;
        case ControlKind::Item:
            return parent == ControlKind::Menu;
        case ControlKind::Menu:
            return parent == ControlKind::Menu;
        case ControlKind::Status:
            return false;
        default:
            return parent == ControlKind::Group || parent == ControlKind::Tab;
    }
}

}  // namespace

std::string WindowDef::finish() {
    int previous = 0;
    for (Control& c : controls) {
        if (c.feq == 0) c.feq = previous + 1;
        previous = c.feq;
    }
    std::set<int> seen;
    for (const Control& c : controls) {
        const std::string which = std::string(kindName(c.kind)) + " " + std::to_string(c.feq);
        if (c.feq <= 0) return which + ": control numbers must be positive";
        if (!seen.insert(c.feq).second) return which + ": number used twice";
        if (c.parent == 0) {
            if (c.kind == ControlKind::Radio || c.kind == ControlKind::Tab ||
                c.kind == ControlKind::Item)
                return which + ": needs a parent";
            continue;
        }
        const int p = indexOf(c.parent);
        if (p < 0 || seen.count(c.parent) == 0 || c.parent == c.feq)
            return which + ": parent " + std::to_string(c.parent) + " is not an earlier control";
        if (!fits(c.kind, controls[static_cast<std::size_t>(p)].kind))
            return which + ": cannot sit in " +
                   kindName(controls[static_cast<std::size_t>(p)].kind);
    }
    assignAccessKeys();
    return std::string();
}

}  // namespace kw::ui
