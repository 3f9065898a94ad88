// The scenario commands about reports (docs/scenarios.md): what the last report
// printed or previewed holds, and writing it as a PDF file.
#pragma once

#include <string>

#include "scenario.h"

namespace kw::scenario {

// Runs `s` when it is a report command: `handled` says whether it was one; the result
// says whether it held (else `expected` says what was expected).
bool reportCommand(const Step& s, std::string& expected, bool& handled);

// Installs the scripted report back end (before the program starts).
void installReportBackend();

}  // namespace kw::scenario
