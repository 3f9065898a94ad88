// The name of the machine the program runs on: what the audit journal records as the
// desk where something happened.
#pragma once

#include <string>

namespace kw::host {

// The machine's network name as the system gives it (ASCII in practice); "" when the
// system does not tell it.
std::string name();

}  // namespace kw::host
