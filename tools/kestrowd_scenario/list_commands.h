// The scenario commands that work a list and its keys (docs/scenarios.md): key,
// locate, row, expect-rows, expect-row. They act on the active window, which `active`
// gives afresh each time it is called (a window that opens becomes the active one).
#pragma once

#include <functional>
#include <string>

#include "runtime/script/script_driver.h"
#include "scenario.h"

namespace kw::scenario {

using ActiveWindow = std::function<script::WindowDriver()>;

// Runs the step; false with what was expected when it did not hold.
bool runListCommand(const Step& s, const ActiveWindow& active, std::string& expected);

// The key code of a key named as the scenarios name them ("Enter", "Ctrl+Enter",
// "PageDown" ...); 0 for an unknown name.
int keyNamed(const std::string& name);

}  // namespace kw::scenario
