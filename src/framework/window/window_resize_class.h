// WindowResizeClass: how a procedure's window may be sized. Init records the window's
// first size and, as asked, makes it the smallest (largest) size the window can take;
// the strategy says whether the window can be sized at all. Placing the controls is
// the back end's layout (prompts and fields keep their columns, fields widen, lists
// and sheets take the height the window gains), so every control follows the window
// the same way.
//
// With an INI manager and a procedure name the window's position and size are
// restored from the procedure's section at Init and written back when the window is
// about to close (or at Kill, when it is still open then).
//
// A component of its WindowManager (AddItem): it takes the window's Sized events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/window/window_component.h"
#include "runtime/window_engine.h"

namespace kw {

class INIClass;

// Strategies.
namespace resize {
inline constexpr uint8_t Fixed = 0;    // the window keeps its first size
inline constexpr uint8_t Stretch = 1;  // the window sizes freely within its limits
inline constexpr uint8_t Spread = 2;   // as Stretch; what every window procedure uses
}  // namespace resize

class WindowResizeClass : public WindowComponent {
  public:
    // Records the window's first size; SetMinSize (SetMaxSize) makes it the window's
    // minimum (maximum) size, and strategy Fixed makes it both. Then restores the
    // saved settings (UseSettings). The window must be open; false when it is not or
    // the strategy is unknown (nothing is changed then).
    bool Init(ui::Window& Win, uint8_t AppStrategy, uint8_t SetMinSize, uint8_t SetMaxSize);
    // Settings to restore at Init and save at Kill: the INI manager (not owned; must
    // outlive Kill) and the section, the procedure's name. Call before Init.
    void UseSettings(INIClass& Ini, std::string_view Procedure);
    // The window's size changed: keeps it within the limits (a back end that lets a
    // window past them is brought back) and notes the size. Benign.
    Level Resize();
    // Back to the first size, not maximised.
    void RestoreWindow();
    bool Inited() const { return win_ != nullptr; }

    // WindowComponent.
    // Saves the settings when the window is still open and lets go of it.
    void Kill() override;
    void Reset(uint8_t) override {}
    uint8_t ResetRequired() override { return 0; }
    void SetAlerts() override {}
    // Sized: Resize(); a close event: the settings are saved. Never consumes it.
    Level TakeEvent() override;
    void Update() override {}
    void UpdateWindow() override {}

    uint8_t AppStrategy = resize::Spread;
    int FirstWidth = 0;  // pixels
    int FirstHeight = 0;
    int MinWidth = 0;  // 0: no limit
    int MinHeight = 0;
    int MaxWidth = 0;
    int MaxHeight = 0;
    INIClass* INIMgr = nullptr;
    std::string Procedure;

  private:
    void saveSettings();

    ui::Window* win_ = nullptr;
};

}  // namespace kw
