// Access keys: every button, check box, menu and menu item reachable by Alt and a letter,
// and no two of them on the same letter where one Alt press reaches both (a second press
// of a shared key would move on to the other control and a Space would press it).
#include <set>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/window_def.h"

namespace kw::ui {

namespace {

bool isLetterOrDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           c >= 0xC0 || c == 0xA8 || c == 0xB8;
}

// The text with its '&' markers taken out, except the "&&" of a plain '&'.
std::string withoutMarker(const std::string& text) {
    std::string r;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') {
            r += "&&";
            ++i;
        } else if (text[i] != '&') {
            r += text[i];
        }
    }
    return r;
}

// Marks the first free letter of `text` (word starts first); false when none is free.
bool markFree(std::string& text, std::set<unsigned char>& used) {
    const std::string plain = withoutMarker(text);
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < plain.size(); ++i) {
            const auto c = static_cast<unsigned char>(plain[i]);
            if (plain[i] == '&') {
                ++i;  // "&&": a plain '&', never a key
                continue;
            }
            const bool wordStart =
                i == 0 || !isLetterOrDigit(static_cast<unsigned char>(plain[i - 1]));
            if (!isLetterOrDigit(c) || (pass == 0 && !wordStart)) continue;
            if (!used.insert(cp::upper(c)).second) continue;
            text = plain.substr(0, i) + '&' + plain.substr(i);
            return true;
        }
    }
    text = plain;
    return false;
}

bool takesKey(ControlKind k) {
    return k == ControlKind::Button || k == ControlKind::Check || k == ControlKind::Menu ||
           k == ControlKind::Item || k == ControlKind::Radio || k == ControlKind::Tab;
}

// The controls one Alt press reaches together: the window's (parent 0 menus, buttons,
// fields' labels ...) or one menu's items and submenus.
int scopeOf(const Control& c) {
    return c.kind == ControlKind::Item || (c.kind == ControlKind::Menu && c.parent != 0) ? c.parent
                                                                                         : 0;
}

}  // namespace

unsigned char accessKey(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return cp::upper(static_cast<unsigned char>(text[i + 1]));
    }
    return 0;
}

void WindowDef::assignAccessKeys() {
    std::vector<std::set<unsigned char>> scopes;
    std::vector<int> scopeIds;
    auto used = [&](int id) -> std::set<unsigned char>& {
        for (std::size_t k = 0; k < scopeIds.size(); ++k)
            if (scopeIds[k] == id) return scopes[k];
        scopeIds.push_back(id);
        scopes.emplace_back();
        return scopes.back();
    };
    // The keys the window's own texts mark keep their letters, first come first served;
    // a field's label keeps its key too (it is how the operator reaches the field).
    std::vector<bool> kept(controls.size(), false);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& c = controls[i];
        if (!takesKey(c.kind) && c.kind != ControlKind::Prompt) continue;
        if (c.kind == ControlKind::Item && (c.text == "-" || c.text.empty())) continue;
        const unsigned char k = accessKey(c.text);
        if (k != 0 && used(scopeOf(c)).insert(k).second) kept[i] = true;
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        Control& c = controls[i];
        if (!takesKey(c.kind) || kept[i] || c.text.empty()) continue;
        if (c.kind == ControlKind::Item && c.text == "-") continue;
        (void)markFree(c.text, used(scopeOf(c)));
    }
}

}  // namespace kw::ui
