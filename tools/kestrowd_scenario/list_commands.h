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

// The list the list commands work: the window's first list that a browse fills (its
// rows are given when the window opens, not with its definition), else its first list;
// 0 when it has none. A window may show small fixed lists (choices) before the records
// it lists.
int windowList(const script::WindowDriver& w);

// The key code of a key named as the scenarios name them ("Enter", "Ctrl+Enter",
// "PageDown" ...); 0 for an unknown name.
int keyNamed(const std::string& name);

}  // namespace kw::scenario
