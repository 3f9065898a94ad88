#include "runtime/script/script_printer_setup.h"

namespace kw::script {

bool ScriptPrinterSetup::setup(std::string_view titleCp1251) {
    {
        std::lock_guard lock(mu_);
        lastTitle_ = std::string(titleCp1251);
    }
    ++calls_;
    return confirm_.load();
}

std::string ScriptPrinterSetup::lastTitle() const {
    std::lock_guard lock(mu_);
    return lastTitle_;
}

}  // namespace kw::script
