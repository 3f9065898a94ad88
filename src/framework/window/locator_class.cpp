// The locators of a browse.
#include "framework/window/locator_class.h"

#include "framework/window/browse_class.h"
#include "framework/window/window_manager.h"
#include "runtime/codepage.h"

namespace kw {

namespace key = ui::key;

char keyChar(int keyCode) {
    return key::charOf(keyCode);
}

namespace {

ui::Window* windowOf(BrowseClass* b) {
    return b && b->Window ? &b->Window->Win : nullptr;
}

// The use variable of a control, unbound when it has none.
ui::Binding useOf(ui::Window& w, int32_t control) {
    if (!w.isOpen()) return ui::Binding();
    const ui::Control* c = w.model()->def.find(control);
    return c ? c->use : ui::Binding();
}

void alertPrintable(ui::Window& w, int32_t list) {
    for (int k = 'A'; k <= 'Z'; ++k) {
        w.alert(list, k);
        w.alert(list, k | key::Shift);
    }
    for (int k = 0xC0; k <= 0xDF; ++k) {
        w.alert(list, key::Cyrillic | k);
        w.alert(list, key::Cyrillic | key::Shift | k);
    }
    w.alert(list, key::Cyrillic | 0xA8);
    w.alert(list, key::Cyrillic | key::Shift | 0xA8);
    for (int k = '0'; k <= '9'; ++k) w.alert(list, k);
    w.alert(list, key::Space);
}

}  // namespace

void LocatorClass::Init(int32_t ControlIn, const FieldRef& FreeElementIn, uint8_t NoCaseIn,
                        BrowseClass& Browse) {
    Control = ControlIn;
    FreeElement = FreeElementIn;
    NoCase = NoCaseIn;
    ViewManager = &Browse;
    Shadow.clear();
}

void LocatorClass::Destruct() {
    Shadow.clear();
    ViewManager = nullptr;
}

std::string LocatorClass::GetShadow() {
    return Shadow;
}

void LocatorClass::Reset() {
    Shadow.clear();
}

void LocatorClass::Set() {
    if (!FreeElement.valid()) return;
    if (field::isText(FreeElement.decl().type)) {
        setFieldValue(FreeElement, ui::Value(Shadow));
    } else {
        setFieldValue(FreeElement, ui::Value(ui::Value(Shadow).asNumber()));
    }
}

void LocatorClass::SetAlerts(int32_t) {}

void LocatorClass::SetShadow(std::string_view Text) {
    Shadow = std::string(Text.substr(0, kShadowSize));
}

uint8_t LocatorClass::TakeAccepted() {
    return 0;
}

uint8_t LocatorClass::TakeKey() {
    tookKey_ = false;
    return 0;
}

void LocatorClass::UpdateWindow() {
    ui::Window* w = windowOf(ViewManager);
    if (!w || Control == 0 || !w->isOpen()) return;
    const ui::Binding use = useOf(*w, Control);
    if (use.bound()) {
        (void)use.set(ui::Value(Shadow));
        w->display(Control);
    } else {
        w->setText(Control, Shadow);
    }
}

void LocatorClass::Update() {
    ui::Window* w = windowOf(ViewManager);
    if (!w || Control == 0 || !w->isOpen()) return;
    (void)w->update(Control);
    const ui::Binding use = useOf(*w, Control);
    std::string text = use.bound() ? use.get().asText() : w->contents(Control);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    SetShadow(text);
}

// ------------------------------------------------------------------ step

void StepLocatorClass::SetAlerts(int32_t ListControl) {
    if (ui::Window* w = windowOf(ViewManager)) alertPrintable(*w, ListControl);
}

uint8_t StepLocatorClass::TakeKey() {
    tookKey_ = false;
    ui::Window* w = windowOf(ViewManager);
    if (!w || !FreeElement.valid()) return 0;
    const char c = keyChar(w->keyCode());
    if (c == 0) return 0;
    tookKey_ = true;
    Shadow = std::string(1, c);
    // One row on: records with that initial are stepped through one by one.
    if (ViewManager->Records() > 0) {
        ViewManager->ScrollOne(ui::ev::ScrollDown);
        std::string text = fieldValue(FreeElement).asText();
        const std::size_t lead = text.find_first_not_of(' ');
        text = lead == std::string::npos ? std::string() : text.substr(lead);
        if (!text.empty()) {
            const bool same = NoCase ? cp::upper(static_cast<unsigned char>(text[0])) ==
                                           cp::upper(static_cast<unsigned char>(c))
                                     : text[0] == c;
            if (same) return 0;
        }
    }
    return 1;
}

// ------------------------------------------------------------------ incremental

void IncrementalLocatorClass::SetAlerts(int32_t ListControl) {
    if (ui::Window* w = windowOf(ViewManager)) {
        alertPrintable(*w, ListControl);
        w->alert(ListControl, key::Backspace);
    }
}

uint8_t IncrementalLocatorClass::TakeKey() {
    tookKey_ = false;
    ui::Window* w = windowOf(ViewManager);
    if (!w) return 0;
    const int code = w->keyCode();
    if (code == key::Backspace) {
        tookKey_ = true;
        if (Shadow.empty()) return 0;
        Shadow.pop_back();
        return 1;
    }
    const char c = keyChar(code);
    if (c == 0) return 0;
    tookKey_ = true;
    if (Shadow.size() >= kShadowSize) return 0;
    Shadow += c;
    return 1;
}

uint8_t IncrementalLocatorClass::TakeAccepted() {
    ui::Window* w = windowOf(ViewManager);
    if (!w || Control == 0 || w->field() != Control) return 0;
    Update();
    return 1;
}

// ------------------------------------------------------------------ entry

uint8_t EntryLocatorClass::TakeAccepted() {
    ui::Window* w = windowOf(ViewManager);
    if (!w || Control == 0 || w->field() != Control) return 0;
    Update();
    return 1;
}

}  // namespace kw
