#include "runtime/printer_setup.h"

#include <atomic>

namespace kw::printer {

namespace {
std::atomic<SetupService*> g_service{nullptr};
}

SetupService* install(SetupService* service) {
    return g_service.exchange(service);
}

SetupService* installed() {
    return g_service.load();
}

bool setup(std::string_view titleCp1251) {
    SetupService* s = g_service.load();
    return s != nullptr && s->setup(titleCp1251);
}

}  // namespace kw::printer
