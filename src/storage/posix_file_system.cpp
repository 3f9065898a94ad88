#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "storage/file_system.h"

namespace kw::storage {

namespace {

class PosixFileSystem final : public FileSystem {
  public:
    int open(const std::string& path, unsigned flags, Handle& h) override {
        int f = (flags & kOpenReadWrite) ? O_RDWR : O_RDONLY;
        if (flags & kOpenCreate) f |= O_CREAT;
        if (flags & kOpenExclusive) f |= O_EXCL;
        if (flags & kOpenTruncate) f |= O_TRUNC;
        if (flags & kOpenDataSync) f |= O_DSYNC;
        if (flags & kOpenDirect) f |= O_DIRECT;
        f |= O_CLOEXEC;
        int fd;
        do {
            fd = ::open(path.c_str(), f, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return errno;
        struct stat st;
        if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
            ::close(fd);
            return EISDIR;
        }
        h = fd;
        return 0;
    }
    int close(Handle h) override { return ::close(h) == 0 ? 0 : errno; }
    int fileSystemType(const std::string& path, uint64_t& magic) override {
        struct statfs st;
        if (::statfs(path.c_str(), &st) != 0) return errno;
        magic = static_cast<uint64_t>(static_cast<uint32_t>(st.f_type));
        return 0;
    }
    int read(Handle h, void* buf, std::size_t n, uint64_t off, std::size_t& got) override {
        got = 0;
        auto* p = static_cast<char*>(buf);
        while (got < n) {
            ssize_t r = ::pread(h, p + got, n - got, static_cast<off_t>(off + got));
            if (r < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (r == 0) break;
            got += static_cast<std::size_t>(r);
        }
        return 0;
    }
    int write(Handle h, const void* buf, std::size_t n, uint64_t off) override {
        const auto* p = static_cast<const char*>(buf);
        std::size_t done = 0;
        while (done < n) {
            ssize_t r = ::pwrite(h, p + done, n - done, static_cast<off_t>(off + done));
            if (r < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (r == 0) return EIO;
            done += static_cast<std::size_t>(r);
        }
        return 0;
    }
    int sync(Handle h) override { return ::fdatasync(h) == 0 ? 0 : errno; }
    int truncate(Handle h, uint64_t size) override {
        return ::ftruncate(h, static_cast<off_t>(size)) == 0 ? 0 : errno;
    }
    int size(Handle h, uint64_t& size) override {
        struct stat st;
        if (::fstat(h, &st) != 0) return errno;
        size = static_cast<uint64_t>(st.st_size);
        return 0;
    }
    int rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    int unlink(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }
    int exists(const std::string& path) override {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 ? 0 : errno;
    }
    int sameFile(Handle h, const std::string& path, bool& same) override {
        struct stat a, b;
        if (::fstat(h, &a) != 0) return errno;
        if (::stat(path.c_str(), &b) != 0) return errno;
        same = a.st_dev == b.st_dev && a.st_ino == b.st_ino;
        return 0;
    }
    int syncDirectory(const std::string& dir) override {
        int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return errno;
        int rc = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        return rc;
    }
    int lock(Handle h, uint64_t off, uint64_t len, LockKind kind) override {
        struct flock fl {};
        fl.l_type = kind == LockKind::Shared      ? F_RDLCK
                    : kind == LockKind::Exclusive ? F_WRLCK
                                                  : F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(off);
        fl.l_len = static_cast<off_t>(len);
        int r;
        do {
            r = ::fcntl(h, F_OFD_SETLK, &fl);
        } while (r < 0 && errno == EINTR);
        if (r == 0) return 0;
        return (errno == EACCES || errno == EAGAIN) ? EAGAIN : errno;
    }
    int testLock(Handle h, uint64_t off, uint64_t len, LockKind kind, bool& conflict) override {
        struct flock fl {};
        fl.l_type = kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(off);
        fl.l_len = static_cast<off_t>(len);
        if (::fcntl(h, F_OFD_GETLK, &fl) != 0) return errno;
        conflict = fl.l_type != F_UNLCK;
        return 0;
    }
    int map(Handle h, uint64_t len, const uint8_t*& p) override {
        void* m = ::mmap(nullptr, static_cast<std::size_t>(len), PROT_READ, MAP_SHARED, h, 0);
        if (m == MAP_FAILED) return errno;
        p = static_cast<const uint8_t*>(m);
        return 0;
    }
    void unmap(const uint8_t* p, uint64_t len) override {
        if (p) ::munmap(const_cast<uint8_t*>(p), static_cast<std::size_t>(len));
    }
    int mapWritable(Handle h, uint64_t len, uint8_t*& p) override {
        void* m = ::mmap(nullptr, static_cast<std::size_t>(len), PROT_READ | PROT_WRITE, MAP_SHARED,
                         h, 0);
        if (m == MAP_FAILED) return errno;
        p = static_cast<uint8_t*>(m);
        return 0;
    }
    void prefetch(const uint8_t* p, uint64_t len) override {
#ifdef MADV_POPULATE_READ
        ::madvise(const_cast<uint8_t*>(p), static_cast<std::size_t>(len), MADV_POPULATE_READ);
#else
        ::madvise(const_cast<uint8_t*>(p), static_cast<std::size_t>(len), MADV_WILLNEED);
#endif
    }
    void startWriteback(Handle h) override {
        (void)::sync_file_range(h, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    int store(uint8_t* dst, const void* src, std::size_t n) override {
        std::memcpy(dst, src, n);
        return 0;
    }
};

}  // namespace

FileSystem& posixFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

}  // namespace kw::storage
