// INIClass: a window's position and size between runs.
#include <charconv>
#include <string>

#include "framework/window/ini_class.h"
#include "runtime/codepage.h"
#include "runtime/window_engine.h"

namespace kw {

namespace {

constexpr std::string_view kMaximize = "Maximize";
constexpr std::string_view kXPos = "XPos";
constexpr std::string_view kYPos = "YPos";
constexpr std::string_view kWidth = "Width";
constexpr std::string_view kHeight = "Height";
constexpr int kLargest = 32767;  // pixels; anything beyond is not a saved window

// A whole number within [low, high]; false for anything else (missing, text, overflow).
bool numberOf(const std::string& text, int low, int high, int& out) {
    int v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v < low || v > high) return false;
    out = v;
    return true;
}

bool resizable(const ui::Window& w) {
    const auto m = w.model();
    return m && m->def.resizable;
}

}  // namespace

bool INIClass::Fetch(std::string_view procedure, ui::Window& window) const {
    if (!window.isOpen() || procedure.empty()) return false;
    ui::Geometry g = window.geometry();
    bool restored = false;
    int x = 0, y = 0;
    if (numberOf(Fetch(procedure, kXPos), -kLargest, kLargest, x) &&
        numberOf(Fetch(procedure, kYPos), -kLargest, kLargest, y)) {
        g.x = x;
        g.y = y;
        restored = true;
    }
    int w = 0, h = 0;
    if (resizable(window) && numberOf(Fetch(procedure, kWidth), 1, kLargest, w) &&
        numberOf(Fetch(procedure, kHeight), 1, kLargest, h)) {
        g.width = w;
        g.height = h;
        restored = true;
    }
    if (cp::compareNoCase(Fetch(procedure, kMaximize), "Yes") == 0) {
        g.maximized = true;
        restored = true;
    }
    if (restored) {
        g.iconised = false;
        window.setGeometry(g);
    }
    return restored;
}

bool INIClass::Update(std::string_view procedure, const ui::Window& window) {
    if (!window.isOpen()) return false;
    const ui::Geometry g = window.geometry();
    if (g.iconised) return false;
    bool ok = Update(procedure, kMaximize, g.maximized ? "Yes" : "No");
    if (g.maximized) return ok;
    ok = Update(procedure, kXPos, std::to_string(g.x)) && ok;
    ok = Update(procedure, kYPos, std::to_string(g.y)) && ok;
    if (resizable(window)) {
        ok = Update(procedure, kWidth, std::to_string(g.width)) && ok;
        ok = Update(procedure, kHeight, std::to_string(g.height)) && ok;
    }
    return ok;
}

}  // namespace kw
