#include "shell/main.h"

#include "framework/data/error_class.h"
#include "runtime/codepage.h"
#include "runtime/frame.h"

namespace kw::shell {
std::string frameTitle() { return W("Автоматизация работы ломбарда"); }
}  // namespace kw::shell

void MAIN() {
    GlobalErrors.SetProcedureName("Main");
    if (auto* host = kw::frame::installed()) host->runFrame(kw::shell::frameTitle());
    GlobalErrors.SetProcedureName();
}
