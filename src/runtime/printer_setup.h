// The system's printer set-up: the dialog in which the user chooses the printer and its
// settings (paper, orientation) for the documents printed afterwards. The program
// installs the Qt dialog; tests install the scripted one.
#pragma once

#include <string_view>

namespace kw::printer {

class SetupService {
  public:
    virtual ~SetupService() = default;
    // Shows the set-up dialog titled `titleCp1251` ("": the dialog's own title) and
    // blocks until the user closes it; true when the user confirmed the choice, false
    // when cancelled or when no dialog can be shown. May be called from any procedure
    // thread.
    virtual bool setup(std::string_view titleCp1251) = 0;
};

// Installs the service (nullptr: none) and returns the previous one. The caller keeps
// ownership and keeps it alive while installed.
SetupService* install(SetupService* service);
SetupService* installed();

// Runs the installed service's dialog; false when none is installed.
bool setup(std::string_view titleCp1251 = {});

}  // namespace kw::printer
