#include "storage/mapped_file.h"

#include <algorithm>
#include <utility>

namespace kw::storage {

MappedFile& MappedFile::operator=(MappedFile&& o) noexcept {
    if (this != &o) {
        close();
        fs_ = o.fs_;
        path_ = std::move(o.path_);
        handle_ = std::exchange(o.handle_, kNoHandle);
        map_ = std::exchange(o.map_, nullptr);
        writableMap_ = std::exchange(o.writableMap_, nullptr);
        writable_ = o.writable_;
        mapLen_ = std::exchange(o.mapLen_, 0);
        size_ = std::exchange(o.size_, 0);
        populated_ = std::move(o.populated_);
    }
    return *this;
}

int MappedFile::open(FileSystem& fs, const std::string& path, unsigned flags) {
    close();
    fs_ = &fs;
    path_ = path;
    Handle h = kNoHandle;
    int rc = fs.open(path, flags, h);
    if (rc != 0) return rc;
    handle_ = h;
    writable_ = (flags & kOpenReadWrite) != 0;
    rc = refresh();
    if (rc != 0) close();
    return rc;
}

void MappedFile::close() {
    populated_.clear();
    if (map_) fs_->unmap(map_, mapLen_);
    map_ = nullptr;
    writableMap_ = nullptr;
    mapLen_ = 0;
    size_ = 0;
    if (handle_ != kNoHandle) fs_->close(handle_);
    handle_ = kNoHandle;
}

int MappedFile::refresh() {
    uint64_t sz = 0;
    int rc = fs_->size(handle_, sz);
    if (rc != 0) return rc;
    if (sz > mapLen_ || !map_) {
        populated_.clear();
        const uint64_t mb = uint64_t{1} << 20;
        uint64_t want = ((sz + sz / 2 + mb) / mb) * mb;
        const uint8_t* p = nullptr;
        uint8_t* w = nullptr;
        rc = writable_ ? fs_->mapWritable(handle_, want, w) : fs_->map(handle_, want, p);
        if (rc != 0) return rc;
        if (writable_) p = w;
        if (map_) fs_->unmap(map_, mapLen_);
        map_ = p;
        writableMap_ = w;
        mapLen_ = want;
    }
    size_ = sz;
    return 0;
}

bool MappedFile::grown(uint64_t end) {
    if (handle_ == kNoHandle || refresh() != 0) return false;
    return end <= size_;
}

void MappedFile::populate(uint64_t off, uint64_t len) {
    const uint64_t first = off >> kChunkShift, last = (off + len - 1) >> kChunkShift;
    if (populated_.size() <= last) populated_.resize(last + 1, false);
    for (uint64_t c = first; c <= last; ++c) {
        if (populated_[c]) continue;
        populated_[c] = true;
        const uint64_t from = c << kChunkShift;
        const uint64_t to = std::min(size_, (c + 1) << kChunkShift);
        // Only whole pages below the end of the file may be asked for.
        const uint64_t page = 4096, end = to / page * page;
        if (end > from) fs_->prefetch(map_ + from, end - from);
    }
}

void MappedFile::populateAll(uint64_t end) {
    end = std::min(end, size_);
    if (end == 0 || !map_) return;
    const uint64_t chunks = ((end - 1) >> kChunkShift) + 1;
    if (populated_.size() < chunks) populated_.resize(chunks, false);
    const uint64_t page = 4096, whole = end / page * page;
    if (whole > 0) fs_->prefetch(map_, whole);
    // The piece holding the end of the file is left to populate(), which asks only for
    // whole pages below the end.
    for (uint64_t c = 0; c + 1 < chunks; ++c) populated_[c] = true;
}

int MappedFile::truncate(uint64_t n) {
    int rc = fs_->truncate(handle_, n);
    if (rc == 0 && n < size_) size_ = n;
    return rc;
}

bool MappedFile::lockedByOther(uint64_t off, uint64_t len, LockKind k) {
    bool conflict = false;
    if (fs_->testLock(handle_, off, len, k, conflict) != 0) return false;
    return conflict;
}

}  // namespace kw::storage
