#include "storage/file_system.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace kw::storage {

bool sharedOverNetwork(uint64_t magic) {
    switch (magic) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x65735546:  // FUSE (sshfs, rclone and the like)
        case 0x01021997:  // 9p
        case 0x5346414F:  // AFS
        case 0x6B414653:  // kAFS
        case 0x00C36400:  // Ceph
        case 0x73757245:  // Coda
        case 0x564C:      // NCP
        case 0x7461636F:  // OCFS2
        case 0x01161970:  // GFS2
        case 0x0BD00BD0:  // Lustre
        case 0x47504653:  // GPFS
        case 0x20030528:  // OrangeFS
        case 0x786F4256:  // VirtualBox shared folder
            return true;
        default:
            return false;
    }
}

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
