// A file system for tests: passes everything to another one (the POSIX one by default)
// and counts the write steps (write, store, truncate, rename, unlink). At a chosen step it
// injects a fault:
//   Error      - that step fails with EIO and changes nothing; later steps work;
//   ShortWrite - a write stores its first half and fails with ENOSPC; later steps work;
//   NoSpace    - that step fails with ENOSPC and changes nothing; later steps work;
//   DiskFull   - that step fails with ENOSPC, and from then on the disk is full: every
//                write or truncate that would make a file longer fails with ENOSPC and
//                changes nothing, while bytes inside a file can still be written;
//   Crash      - that step and every later one are silently dropped (they report
//                success), as if the program had been killed just before the step.
// Steps are counted from 1. Not thread-safe: one test thread drives it.
#pragma once

#include <cstdint>

#include "storage/file_system.h"

namespace kw::storage {

class FaultFileSystem final : public FileSystem {
  public:
    enum class Fault { None, Error, ShortWrite, Crash, NoSpace, DiskFull };

    explicit FaultFileSystem(FileSystem& inner = posixFileSystem()) : inner_(inner) {}

    // Arms a fault at write step `step` counted from now; Fault::None disarms.
    void arm(Fault fault, uint64_t step) {
        fault_ = fault;
        armedAt_ = steps_ + step;
        crashed_ = false;
        full_ = false;
    }
    // Whether the disk is full now (Fault::DiskFull reached; arm() frees the space).
    bool full() const { return full_; }
    uint64_t steps() const { return steps_; }
    bool crashed() const { return crashed_; }
    // True once the armed step was reached.
    bool fired() const { return fault_ != Fault::None && steps_ >= armedAt_; }

    // Makes every folder look as if it lay on a file system of this type (statfs magic);
    // 0 gives the real type again.
    void setFileSystemType(uint64_t magic) { fsType_ = magic; }
    int fileSystemType(const std::string& path, uint64_t& magic) override {
        if (fsType_ == 0) return inner_.fileSystemType(path, magic);
        magic = fsType_;
        return 0;
    }

    int open(const std::string& path, unsigned flags, Handle& h) override;
    int close(Handle h) override { return inner_.close(h); }
    int read(Handle h, void* buf, std::size_t n, uint64_t off, std::size_t& got) override {
        return inner_.read(h, buf, n, off, got);
    }
    int write(Handle h, const void* buf, std::size_t n, uint64_t off) override;
    int sync(Handle h) override { return crashed_ ? 0 : inner_.sync(h); }
    int truncate(Handle h, uint64_t size) override;
    int size(Handle h, uint64_t& size) override { return inner_.size(h, size); }
    int rename(const std::string& from, const std::string& to) override;
    int unlink(const std::string& path) override;
    int exists(const std::string& path) override { return inner_.exists(path); }
    int syncDirectory(const std::string& dir) override {
        return crashed_ ? 0 : inner_.syncDirectory(dir);
    }
    int sameFile(Handle h, const std::string& path, bool& same) override {
        return inner_.sameFile(h, path, same);
    }
    int lock(Handle h, uint64_t off, uint64_t len, LockKind kind) override {
        return inner_.lock(h, off, len, kind);
    }
    int testLock(Handle h, uint64_t off, uint64_t len, LockKind kind, bool& conflict) override {
        return inner_.testLock(h, off, len, kind, conflict);
    }
    int map(Handle h, uint64_t len, const uint8_t*& p) override { return inner_.map(h, len, p); }
    void unmap(const uint8_t* p, uint64_t len) override { inner_.unmap(p, len); }
    int mapWritable(Handle h, uint64_t len, uint8_t*& p) override {
        return inner_.mapWritable(h, len, p);
    }
    void startWriteback(Handle h) override {
        if (!crashed_) inner_.startWriteback(h);
    }
    int store(uint8_t* dst, const void* src, std::size_t n) override;
    void prefetch(const uint8_t* p, uint64_t len) override { inner_.prefetch(p, len); }

  private:
    // Counts a step; returns the fault to apply to it.
    Fault step();
    // Whether writing up to `end` makes the file longer (on a full disk: ENOSPC).
    bool grows(Handle h, uint64_t end);

    FileSystem& inner_;
    Fault fault_ = Fault::None;
    uint64_t armedAt_ = 0;
    uint64_t steps_ = 0;
    bool crashed_ = false;
    bool full_ = false;
    uint64_t fsType_ = 0;
};

}  // namespace kw::storage
