// The business procedures the main menu runs, found by their names ("ZAL_TAB",
// "O_DAY", ...). They live in the layers above the shell (pledges, cash desk,
// documents), so the shell cannot call them directly: the program registers the ones it
// has before it starts (app/procedures.cpp), and a menu item whose procedure is not
// registered tells the user that the function is not available yet.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kw::shell {

using Procedure = std::function<void()>;

// Registers (or replaces) the procedure of that name; an empty one removes it.
void setProcedure(std::string_view name, Procedure procedure);
// The procedure of that name; empty when none is registered.
Procedure procedure(std::string_view name);
// The registered names, sorted.
std::vector<std::string> procedureNames();
// Forgets every registration (for tests).
void clearProcedures();

}  // namespace kw::shell

namespace kw::shell {

// Runs `procedure` on a new procedure thread with a stack of `stackSize` bytes (at
// least the runtime's minimum). When no thread can be started (too many windows are
// open) the user is told so in a box captioned `captionCp1251`. The new thread's
// number, 0 when it was not started.
int startProcedure(Procedure procedure, std::size_t stackSize, std::string_view captionCp1251);

}  // namespace kw::shell
