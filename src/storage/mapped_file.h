// One open file of a table with a memory map of it. Reads come from the map (a record
// costs a copy, not a system call). A file opened for writing is mapped for writing too:
// bytes inside the file are stored through the map, which costs no system call and no
// change of the file's times that the next sync would have to carry; bytes beyond its
// end go through the file system's write. The map is widened when the file has grown; nothing
// outside [0, size()) is ever touched, so a short or damaged file cannot fault the reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/file_system.h"

namespace kw::storage {

class MappedFile {
  public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    MappedFile(MappedFile&& o) noexcept { *this = std::move(o); }
    MappedFile& operator=(MappedFile&& o) noexcept;
    ~MappedFile() { close(); }

    // 0 or errno.
    int open(FileSystem& fs, const std::string& path, unsigned flags);
    void close();
    bool isOpen() const { return handle_ != kNoHandle; }
    Handle handle() const { return handle_; }
    FileSystem& fs() const { return *fs_; }
    const std::string& path() const { return path_; }

    // True when [off, off+len) lies inside the file; re-reads the size (and widens the
    // map) when the range lies beyond what was known.
    bool have(uint64_t off, uint64_t len) {
        if (off + len < off) return false;
        if (off + len > size_ && !grown(off + len)) return false;
        const uint64_t chunk = off >> kChunkShift;
        if (chunk >= populated_.size() || !populated_[chunk]) populate(off, len);
        return true;
    }
    const uint8_t* at(uint64_t off) const { return map_ + off; }
    // Makes [0, end) readable in one call, for a pass over the whole file: the pages are
    // paid for once and in bulk rather than a piece at a time while the pass runs.
    void populateAll(uint64_t end);
    // For changes other stations see at once (atomic counters); nullptr when the file is
    // not open for writing.
    uint8_t* writableAt(uint64_t off) const { return writableMap_ ? writableMap_ + off : nullptr; }
    uint64_t size() const { return size_; }
    // Re-reads the size; 0 or errno.
    int refresh();

    // Writes the bytes; those written count as inside the file.
    int write(const void* p, std::size_t n, uint64_t off) {
        if (writableMap_ && off + n <= size_ && off + n >= off)
            return fs_->store(writableMap_ + off, p, n);
        int rc = fs_->write(handle_, p, n, off);
        if (rc == 0 && off + n > size_ && off + n <= mapLen_) size_ = off + n;
        return rc;
    }
    int sync() { return fs_->sync(handle_); }
    void startWriteback() { fs_->startWriteback(handle_); }
    int truncate(uint64_t n);
    int lock(uint64_t off, uint64_t len, LockKind k) { return fs_->lock(handle_, off, len, k); }
    // True when another open holds a lock conflicting with `k` (false when it cannot be told).
    bool lockedByOther(uint64_t off, uint64_t len, LockKind k);

  private:
    // The map is made readable in 2 MiB pieces, each at its first use.
    static constexpr unsigned kChunkShift = 21;
    bool grown(uint64_t end);
    void populate(uint64_t off, uint64_t len);
    std::vector<bool> populated_;

    FileSystem* fs_ = nullptr;
    std::string path_;
    Handle handle_ = kNoHandle;
    const uint8_t* map_ = nullptr;
    uint8_t* writableMap_ = nullptr;  // map_ when the file is open for writing
    bool writable_ = false;
    uint64_t mapLen_ = 0;
    uint64_t size_ = 0;
};

}  // namespace kw::storage
