// The popup menu and its toolbox.
#include "framework/window/popup_class.h"

#include <algorithm>

namespace kw {

namespace ev = ui::ev;

namespace {

std::string trim(std::string_view s) {
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos) return std::string();
    const std::size_t b = s.find_last_not_of(' ');
    return std::string(s.substr(a, b - a + 1));
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Splits a menu text at the '|' that are not inside braces.
std::vector<std::string> splitTop(std::string_view text) {
    std::vector<std::string> out;
    std::string cur;
    int depth = 0;
    for (char c : text) {
        if (c == '{') ++depth;
        if (c == '}' && depth > 0) --depth;
        if (c == '|' && depth == 0) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

}  // namespace

void PopupClass::Init(ui::Window& Parent) {
    ParentWindow = &Parent;
    Items.clear();
    LastSelection.clear();
    InToolbox = 0;
}

void PopupClass::Kill() {
    Items.clear();
    ParentWindow = nullptr;
}

PopupEntry* PopupClass::find(std::string_view Name) {
    for (PopupEntry& e : Items)
        if (sameName(e.Name, Name)) return &e;
    return nullptr;
}

std::string PopupClass::uniqueName(std::string_view Text, std::string_view Name) const {
    std::string base;
    if (!Name.empty()) {
        base = trim(Name);
    } else if (trim(Text) == "-") {
        base = "Separator";
    } else {
        for (char c : Text)
            if (c != '&') base += c;
        base = trim(base);
        if (base.empty()) base = "Item";
    }
    auto taken = [this](const std::string& n) {
        return std::any_of(Items.begin(), Items.end(),
                           [&](const PopupEntry& e) { return sameName(e.Name, n); });
    };
    if (!taken(base)) return base;
    for (int i = 2;; ++i) {
        const std::string n = base + std::to_string(i);
        if (!taken(n)) return n;
    }
}

std::string PopupClass::AddItem(std::string_view Text, std::string_view Name, uint8_t Depth) {
    PopupEntry e;
    std::string_view t = Text;
    // The marks of a menu text.
    while (!t.empty() && (t.front() == '~' || t.front() == '+')) {
        if (t.front() == '~')
            e.Disabled = 1;
        else
            e.Check = 1;
        t.remove_prefix(1);
    }
    e.Text = trim(t) == "-" ? "-" : std::string(t);
    e.Name = uniqueName(e.Text, Name);
    e.Depth = Depth > 0 ? 1 : 0;
    e.OnToolbox = e.Text == "-" ? 0 : 1;
    Items.push_back(e);
    return e.Name;
}

void PopupClass::AddItemMimic(std::string_view Name, int32_t Control) {
    PopupEntry* e = find(Name);
    if (!e) {
        std::string text(Name);
        if (ParentWindow && ParentWindow->isOpen())
            if (const ui::Control* c = ParentWindow->model()->def.find(Control)) text = c->text;
        e = find(AddItem(text, Name));
    }
    e->ControlID = Control;
    e->MimicMode = 1;
    e->Event = 0;
}

void PopupClass::AddItemEvent(std::string_view Name, int32_t Event, int32_t Control) {
    PopupEntry* e = find(Name);
    if (!e) e = find(AddItem(Name, Name));
    e->Event = Event;
    e->ControlID = Control;
    e->MimicMode = 0;
}

std::string PopupClass::AddSubMenu(std::string_view Text, std::string_view MenuText,
                                   std::string_view Name) {
    const std::string title = AddItem(Text, Name, 0);
    for (const std::string& part : splitTop(MenuText)) {
        std::string p = part;
        // Deeper submenus are flattened into this one.
        p.erase(std::remove(p.begin(), p.end(), '{'), p.end());
        p.erase(std::remove(p.begin(), p.end(), '}'), p.end());
        for (const std::string& sub : splitTop(p))
            if (!trim(sub).empty()) AddItem(sub, {}, 1);
    }
    return title;
}

void PopupClass::AddMenu(std::string_view MenuText) {
    for (const std::string& part : splitTop(MenuText)) {
        const std::string p = trim(part);
        if (p.empty()) continue;
        if (p.front() == '{') {
            std::string inner = p.substr(1, p.back() == '}' ? p.size() - 2 : p.size() - 1);
            const std::vector<std::string> sub = splitTop(inner);
            std::string rest;
            for (std::size_t i = 1; i < sub.size(); ++i) rest += (i > 1 ? "|" : "") + sub[i];
            (void)AddSubMenu(sub.front(), rest);
        } else {
            (void)AddItem(p);
        }
    }
}

void PopupClass::SetItemEnable(std::string_view Name, bool On) {
    if (PopupEntry* e = find(Name)) e->Disabled = On ? 0 : 1;
}

void PopupClass::SetItemCheck(std::string_view Name, bool On) {
    if (PopupEntry* e = find(Name)) e->Check = On ? 1 : 0;
}

void PopupClass::SetIcon(std::string_view Name, std::string_view Icon) {
    if (PopupEntry* e = find(Name)) e->Icon = std::string(Icon);
}

void PopupClass::DeleteItem(std::string_view Name) {
    for (std::size_t i = 0; i < Items.size(); ++i) {
        if (!sameName(Items[i].Name, Name)) continue;
        std::size_t end = i + 1;
        if (Items[i].Depth == 0)
            while (end < Items.size() && Items[end].Depth > 0) ++end;
        Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(i),
                    Items.begin() + static_cast<std::ptrdiff_t>(end));
        return;
    }
}

bool PopupClass::GetItemEnabled(std::string_view Name) {
    PopupEntry* e = find(Name);
    if (!e || e->Disabled) return false;
    bool visible = true, enabled = true;
    controlState(*e, visible, enabled);
    return visible && enabled;
}

bool PopupClass::GetItemChecked(std::string_view Name) {
    PopupEntry* e = find(Name);
    return e && e->Check;
}

void PopupClass::controlState(const PopupEntry& e, bool& visible, bool& enabled) const {
    visible = true;
    enabled = true;
    if (!e.MimicMode || e.ControlID == 0) return;
    if (!ParentWindow || !ParentWindow->isOpen()) {
        visible = enabled = false;
        return;
    }
    const auto m = ParentWindow->model();
    std::lock_guard lock(ui::uiMutex());
    visible = m->control(e.ControlID) != nullptr && m->visible(e.ControlID);
    enabled = visible && m->usable(e.ControlID);
}

std::vector<ui::PopupItem> PopupClass::Shown(std::vector<std::string>* names) {
    std::vector<ui::PopupItem> items;
    std::vector<std::string> shownNames;
    for (const PopupEntry& e : Items) {
        bool visible = true, enabled = true;
        controlState(e, visible, enabled);
        if (!visible) continue;
        const bool separator = e.Text == "-";
        // No separator at the top, after another one, or (below) at the end.
        if (separator &&
            (items.empty() || items.back().text == "-" || items.back().depth != e.Depth))
            continue;
        items.push_back(ui::PopupItem{e.Text, e.Depth, enabled && !e.Disabled, e.Check != 0});
        shownNames.push_back(e.Name);
    }
    while (!items.empty() && items.back().text == "-") {
        items.pop_back();
        shownNames.pop_back();
    }
    if (names) *names = std::move(shownNames);
    return items;
}

std::string PopupClass::Ask(int X, int Y) {
    if (!ParentWindow) return std::string();
    std::vector<std::string> names;
    const std::vector<ui::PopupItem> items = Shown(&names);
    const int chosen = ParentWindow->popup(items, X, Y);
    if (chosen < 1 || chosen > static_cast<int>(names.size())) return std::string();
    LastSelection = names[static_cast<std::size_t>(chosen - 1)];
    ExecutePopup(LastSelection);
    return LastSelection;
}

void PopupClass::ExecutePopup(std::string_view Name) {
    PopupEntry* e = find(Name);
    if (!e || !ParentWindow || !GetItemEnabled(Name)) return;
    if (e->MimicMode && e->ControlID != 0)
        ParentWindow->post(ev::Accepted, e->ControlID);
    else if (e->Event != 0)
        ParentWindow->post(e->Event, e->ControlID);
}

std::string PopupClass::Toolbox(std::string_view Title) {
    if (!ParentWindow) return std::string();
    std::vector<std::string> names;
    const std::vector<ui::PopupItem> items = Shown(&names);
    ui::WindowDef def;
    def.title = std::string(Title);
    def.resizable = false;
    std::vector<std::string> buttonNames;  // by control number - 1
    for (std::size_t i = 0; i < items.size(); ++i) {
        const PopupEntry* e = find(names[i]);
        const bool opensSubmenu =
            items[i].depth == 0 && i + 1 < items.size() && items[i + 1].depth > 0;
        if (!e || !e->OnToolbox || items[i].text == "-" || items[i].depth > 0 || opensSubmenu)
            continue;
        ui::Control b = ui::Control::button(items[i].text);
        if (!items[i].enabled) b.off();
        def.add(b.number(static_cast<int>(buttonNames.size()) + 1));
        buttonNames.push_back(names[i]);
    }
    ui::Window box;
    if (buttonNames.empty() || !box.open(std::move(def))) return std::string();
    InToolbox = 1;
    std::string chosen;
    while (int e = box.accept()) {
        const int f = box.field();
        if (e == ev::Accepted && f >= 1 && f <= static_cast<int>(buttonNames.size())) {
            chosen = buttonNames[static_cast<std::size_t>(f - 1)];
            box.close();
        }
    }
    InToolbox = 0;
    if (!chosen.empty()) {
        LastSelection = chosen;
        ExecutePopup(chosen);
    }
    return chosen;
}

}  // namespace kw
