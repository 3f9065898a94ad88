// The business procedures this build of the program has, registered with the shell's
// main menu before the program entry runs, and the auditor that writes the audit
// journal installed. Used by kestrowd and kestrowd-scenario.
#pragma once

namespace kw::app {

void registerProcedures();

}  // namespace kw::app
