// MAIN: the application frame. It runs for the whole program; closing it ends the
// program. For now it is a bare frame (the window engine's frame host) without a menu.
#pragma once

#include <string>

// Runs the frame through the installed frame host and returns when it has closed; with
// no host installed it returns at once.
void MAIN();

namespace kw::shell {
// The frame's title, CP1251.
std::string frameTitle();
}  // namespace kw::shell
