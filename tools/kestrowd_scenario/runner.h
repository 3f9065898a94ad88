// Runs a scenario against the whole program on the scripted back ends: the program
// entry on procedure thread 1, windows without a screen, message boxes answered by the
// scenario, the printer set-up without a dialog. See docs/scenarios.md for the commands.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "scenario.h"

namespace kw::scenario {

struct Options {
    std::filesystem::path baseDir;  // where `load` finds its files (the scenario's folder)
    std::string name;               // the scenario's name in messages
};

// Runs the steps in order in the current directory and ends the program. True when
// every step held; otherwise the failing step, what was expected and what the windows
// showed are written to `report`.
bool run(const Script& script, const Options& options, std::ostream& report);

}  // namespace kw::scenario
