#include "storage/fault_file_system.h"

#include <cerrno>

namespace kw::storage {

namespace {

// What a write, store or truncate returns for a fault that writes nothing: a crash
// seems to succeed (nothing reaches the disk after it), a full disk is ENOSPC, any
// other fault EIO.
int refused(FaultFileSystem::Fault f) {
    switch (f) {
        case FaultFileSystem::Fault::Crash:
            return 0;
        case FaultFileSystem::Fault::NoSpace:
        case FaultFileSystem::Fault::DiskFull:
            return ENOSPC;
        default:
            return EIO;
    }
}

}  // namespace

FaultFileSystem::Fault FaultFileSystem::step() {
    ++steps_;
    if (crashed_) return Fault::Crash;
    if (fault_ == Fault::None || steps_ != armedAt_) return Fault::None;
    if (fault_ == Fault::Crash) crashed_ = true;
    if (fault_ == Fault::DiskFull) full_ = true;
    return fault_;
}

bool FaultFileSystem::grows(Handle h, uint64_t end) {
    uint64_t size = 0;
    return inner_.size(h, size) != 0 || end > size;
}

int FaultFileSystem::open(const std::string& path, unsigned flags, Handle& h) {
    if (crashed_ && (flags & (kOpenCreate | kOpenTruncate))) {
        // A dead program creates nothing; opening what exists is harmless.
        if (inner_.exists(path) != 0) return EIO;
        flags &= ~static_cast<unsigned>(kOpenTruncate);
    }
    return inner_.open(path, flags, h);
}

int FaultFileSystem::write(Handle h, const void* buf, std::size_t n, uint64_t off) {
    switch (const Fault f = step()) {
        case Fault::None:
            return full_ && grows(h, off + n) ? ENOSPC : inner_.write(h, buf, n, off);
        case Fault::ShortWrite:
            if (n > 1) {
                int rc = inner_.write(h, buf, n / 2, off);
                if (rc != 0) return rc;
            }
            return ENOSPC;
        default:
            return refused(f);
    }
}

int FaultFileSystem::store(uint8_t* dst, const void* src, std::size_t n) {
    switch (const Fault f = step()) {
        case Fault::None:
            return inner_.store(dst, src, n);
        case Fault::ShortWrite:
            if (n > 1) inner_.store(dst, src, n / 2);
            return ENOSPC;
        default:
            return refused(f);
    }
}

int FaultFileSystem::truncate(Handle h, uint64_t size) {
    const Fault f = step();
    if (f != Fault::None) return refused(f);
    return full_ && grows(h, size) ? ENOSPC : inner_.truncate(h, size);
}

int FaultFileSystem::rename(const std::string& from, const std::string& to) {
    switch (step()) {
        case Fault::None:
            return inner_.rename(from, to);
        case Fault::Crash:
            return 0;
        default:
            return EIO;
    }
}

int FaultFileSystem::unlink(const std::string& path) {
    switch (step()) {
        case Fault::None:
            return inner_.unlink(path);
        case Fault::Crash:
            return 0;
        default:
            return EIO;
    }
}

}  // namespace kw::storage
