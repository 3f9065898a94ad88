#include "framework/data/write_observer.h"

#include <atomic>

namespace kw::write_observer {

namespace {
std::atomic<WriteObserver*> g_observer{nullptr};
thread_local int t_quiet = 0;
}  // namespace

WriteObserver* install(WriteObserver* observer) {
    return g_observer.exchange(observer);
}
WriteObserver* current() {
    return g_observer.load(std::memory_order_acquire);
}

Quiet::Quiet() {
    ++t_quiet;
}
Quiet::~Quiet() {
    --t_quiet;
}
bool quiet() {
    return t_quiet > 0;
}

}  // namespace kw::write_observer
