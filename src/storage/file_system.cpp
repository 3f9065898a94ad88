#include "storage/file_system.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace kw::storage {

int lockWithin(FileSystem& fs, Handle h, uint64_t off, uint64_t len, LockKind kind, int seconds) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(std::max(seconds, 0));
    auto pause = std::chrono::microseconds(20);
    for (;;) {
        const int rc = fs.lock(h, off, len, kind);
        if (rc != EAGAIN || clock::now() >= deadline) return rc;
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(2)) pause *= 2;
    }
}

}  // namespace kw::storage
