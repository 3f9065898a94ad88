#include "framework/window/window_resize_class.h"

#include <algorithm>

#include "framework/window/ini_class.h"

namespace kw {

void WindowResizeClass::UseSettings(INIClass& Ini, std::string_view Name) {
    INIMgr = &Ini;
    Procedure = std::string(Name);
}

bool WindowResizeClass::Init(ui::Window& Win, uint8_t Strategy, uint8_t SetMinSize,
                             uint8_t SetMaxSize) {
    if (!Win.isOpen() || Strategy > resize::Spread) return false;
    win_ = &Win;
    AppStrategy = Strategy;
    Win.firstSize(FirstWidth, FirstHeight);
    if (FirstWidth <= 0 || FirstHeight <= 0) {
        const ui::Geometry g = Win.geometry();
        FirstWidth = g.width;
        FirstHeight = g.height;
    }
    const bool fixed = Strategy == resize::Fixed;
    if (SetMinSize || fixed) {
        MinWidth = FirstWidth;
        MinHeight = FirstHeight;
        Win.setMinSize(MinWidth, MinHeight);
    }
    if (SetMaxSize || fixed) {
        MaxWidth = FirstWidth;
        MaxHeight = FirstHeight;
        Win.setMaxSize(MaxWidth, MaxHeight);
    }
    if (INIMgr && !Procedure.empty()) (void)INIMgr->Fetch(Procedure, Win);
    return true;
}

Level WindowResizeClass::Resize() {
    if (!win_) return Level::Benign;
    ui::Geometry g = win_->geometry();
    if (g.maximized || g.iconised) return Level::Benign;
    int w = g.width, h = g.height;
    if (MinWidth > 0) w = std::max(w, MinWidth);
    if (MinHeight > 0) h = std::max(h, MinHeight);
    if (MaxWidth > 0) w = std::min(w, MaxWidth);
    if (MaxHeight > 0) h = std::min(h, MaxHeight);
    if (w != g.width || h != g.height) {
        g.width = w;
        g.height = h;
        win_->setGeometry(g);
    }
    return Level::Benign;
}

void WindowResizeClass::RestoreWindow() {
    if (!win_ || FirstWidth <= 0 || FirstHeight <= 0) return;
    ui::Geometry g = win_->geometry();
    g.maximized = false;
    g.iconised = false;
    g.width = FirstWidth;
    g.height = FirstHeight;
    win_->setGeometry(g);
}

Level WindowResizeClass::TakeEvent() {
    if (!win_) return Level::Benign;
    switch (win_->event()) {
        case ui::ev::Sized:
            (void)Resize();
            break;
        // Offered a close the manager let through: the window goes once the event is
        // handled, so its place is noted now.
        case ui::ev::CloseWindow:
        case ui::ev::CloseDown:
            saveSettings();
            break;
        default:
            break;
    }
    return Level::Benign;
}

void WindowResizeClass::saveSettings() {
    if (win_ && win_->isOpen() && INIMgr && !Procedure.empty())
        (void)INIMgr->Update(Procedure, *win_);
}

void WindowResizeClass::Kill() {
    saveSettings();
    win_ = nullptr;
}

}  // namespace kw
