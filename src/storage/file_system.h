// The driver's only way to the disk. Every call returns 0 or an errno value. The POSIX
// implementation is the real one; FaultFileSystem (fault_file_system.h) wraps it for
// tests and injects failures, short writes and crashes at chosen write steps.
//
// Locks are byte-range locks owned by the open file (Linux open-file-description
// locks): two opens of the same file conflict even inside one process, and a lock dies
// with the last descriptor of its open, so a killed station leaves no lock behind.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kw::storage {

using Handle = int;
inline constexpr Handle kNoHandle = -1;

enum OpenFlags : unsigned {
    kOpenRead = 0,
    kOpenReadWrite = 1,
    kOpenCreate = 2,     // create when missing
    kOpenExclusive = 4,  // with kOpenCreate: fail when it exists
    kOpenTruncate = 8,
    kOpenDataSync = 16,  // every write returns once its bytes are on the disk
    kOpenDirect = 32,    // writes bypass the page cache: buffer, offset and length in whole
                         // sectors; EINVAL when the file system has no such writes
};

enum class LockKind { Shared, Exclusive, Unlock };

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual int open(const std::string& path, unsigned flags, Handle& h) = 0;
    virtual int close(Handle h) = 0;
    // Reads up to n bytes at off; `got` is what was read (short at the end of the file).
    virtual int read(Handle h, void* buf, std::size_t n, uint64_t off, std::size_t& got) = 0;
    // Writes all n bytes at off or fails.
    virtual int write(Handle h, const void* buf, std::size_t n, uint64_t off) = 0;
    // Flushes the file's data (and its size) to the disk.
    virtual int sync(Handle h) = 0;
    virtual int truncate(Handle h, uint64_t size) = 0;
    virtual int size(Handle h, uint64_t& size) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int unlink(const std::string& path) = 0;
    // 0 when the path exists, ENOENT when not, another errno when it cannot be told.
    virtual int exists(const std::string& path) = 0;
    // Flushes a directory entry change (create, rename, unlink) of the directory `dir`.
    virtual int syncDirectory(const std::string& dir) = 0;
    // Whether `path` names the file open as `h` (the same file, not a copy: a file put
    // in its place by a rename is another one). ENOENT when the path names nothing;
    // ENOSYS from a file system that cannot tell.
    virtual int sameFile(Handle h, const std::string& path, bool& same) {
        (void)h;
        (void)path;
        same = true;
        return ENOSYS;
    }

    // The type of the file system that holds `path` (statfs's magic number, as
    // <linux/magic.h> lists them). ENOSYS from a file system that cannot tell.
    virtual int fileSystemType(const std::string& /*path*/, uint64_t& magic) {
        magic = 0;
        return ENOSYS;
    }

    // Takes or releases a lock on [off, off+len) without waiting: EAGAIN when another
    // open holds a conflicting lock.
    virtual int lock(Handle h, uint64_t off, uint64_t len, LockKind kind) = 0;
    // Whether another open holds a lock that conflicts with `kind` on the range.
    virtual int testLock(Handle h, uint64_t off, uint64_t len, LockKind kind, bool& conflict) = 0;

    // Maps the first `len` bytes of the file for reading (len may exceed the file's
    // size; only bytes below the size may be touched). Writes through write() are seen
    // in the mapping at once.
    virtual int map(Handle h, uint64_t len, const uint8_t*& p) = 0;
    virtual void unmap(const uint8_t* p, uint64_t len) = 0;
    // Maps the first `len` bytes (all inside the file) for reading and writing, shared
    // with every other open of the file.
    virtual int mapWritable(Handle h, uint64_t len, uint8_t*& p) = 0;
    // Asks for [p, p+len) of a map to be made readable at once (one call instead of a
    // fault per page); a hint, failures are ignored.
    virtual void prefetch(const uint8_t* p, uint64_t len) = 0;
    // Asks for the file's changed pages to be written to the disk from now on, without
    // waiting (so that a later sync finds little left to do); a hint, nothing when the
    // file system has no such request.
    virtual void startWriteback(Handle) {}
    // Stores n bytes into a writable map: one write step, like write().
    virtual int store(uint8_t* dst, const void* src, std::size_t n) = 0;
};

// The process's POSIX file system.
FileSystem& posixFileSystem();

// Whether a file system of this type shares its files between machines (NFS, SMB/CIFS,
// FUSE, 9p, AFS, Ceph and the like). The driver keeps the stations of one table in step
// through one page cache (shared maps, counters changed in place, byte-range locks),
// which such a file system does not give stations on several machines, nor two mounts of
// one folder on one machine: the tables are refused there.
bool sharedOverNetwork(uint64_t magic);

// Takes a lock on [off, off+len), waiting up to `seconds` while another open holds a
// conflicting one: 0, EAGAIN when it stayed taken, or another errno.
int lockWithin(FileSystem& fs, Handle h, uint64_t off, uint64_t len, LockKind kind, int seconds);

}  // namespace kw::storage
