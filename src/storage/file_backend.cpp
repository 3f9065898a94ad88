// The choice between the flat files and a registered back end (driver.h).
#include <atomic>

#include "storage/file_impl.h"

namespace kw::storage {

namespace {
std::atomic<Backend*> g_backend{nullptr};
}  // namespace

void registerBackend(Backend* backend) {
    g_backend.store(backend, std::memory_order_release);
}
Backend* registeredBackend() {
    return g_backend.load(std::memory_order_acquire);
}

Driver* chooseDriver(File::State& s) {
    if (s.open) return nullptr;  // the flat files are open on this thread: their own answer
    if (s.server && s.server->isOpen()) return s.server.get();
    Backend* b = registeredBackend();
    const std::string dir = directoryOf(s.sh->base);
    if (!b || !b->chosen(dir)) {
        s.server.reset();
        return nullptr;
    }
    if (!s.server)
        s.server = b->make(
            s.sh->decl, [st = &s] { return st->buffer(); }, dir);
    return s.server.get();
}

Status maintainOnServer(Driver& d) {
    if (d.isOpen()) return Status::okay();
    if (Status st = d.open(kAccessRead | kDenyNone); !st.ok()) return st;
    return d.close();
}

}  // namespace kw::storage
