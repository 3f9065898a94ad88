#include "storage/key_tree.h"

#include <algorithm>
#include <cstring>

#include "storage/byte_order.h"

namespace kw::storage {

namespace {

constexpr uint8_t kMagic[4] = {'K', 'W', 'K', 'Y'};

unsigned count(const uint8_t* p) {
    return p[0];
}
uint32_t nextOf(const uint8_t* p) {
    return le::get32(p + 1);
}
uint32_t prevOf(const uint8_t* p) {
    return le::get32(p + 5);
}
uint32_t parentOf(const uint8_t* p) {
    return le::get32(p + 9);
}
void setNext(uint8_t* p, uint32_t v) {
    le::put32(p + 1, v);
}
void setPrev(uint8_t* p, uint32_t v) {
    le::put32(p + 5, v);
}
void setParent(uint8_t* p, uint32_t v) {
    le::put32(p + 9, v);
}

uint32_t getBE32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

void encodeKeyMeta(const KeyMeta& m, uint8_t* b) {
    std::memset(b, 0, kBlockSize);
    std::memcpy(b, kMagic, 4);
    le::put16(b + 4, 1);
    le::put16(b + 6, kBlockSize);
    b[8] = m.length;
    b[9] = m.flags;
    le::put16(b + 10, m.number);
    le::put32(b + 12, m.root);
    le::put32(b + 16, m.levels);
    le::put32(b + 20, m.blocks);
    le::put32(b + 24, m.freeHead);
}

bool decodeKeyMeta(const uint8_t* b, KeyMeta& m) {
    if (std::memcmp(b, kMagic, 4) != 0 || le::get16(b + 4) != 1 || le::get16(b + 6) != kBlockSize)
        return false;
    m.length = b[8];
    m.flags = b[9];
    m.number = le::get16(b + 10);
    m.root = le::get32(b + 12);
    m.levels = le::get32(b + 16);
    m.blocks = le::get32(b + 20);
    m.freeHead = le::get32(b + 24);
    if (m.blocks == 0 || m.levels > 32 || (m.root == 0) != (m.levels == 0) || m.root >= m.blocks ||
        m.freeHead >= m.blocks)
        return false;
    return true;
}

std::vector<uint8_t> buildKeyImage(KeyMeta meta, const std::vector<uint8_t>& entries) {
    const unsigned len = meta.length;
    const std::size_t esz = len + 4u;
    const std::size_t n = entries.size() / esz;
    std::vector<uint8_t> img(kBlockSize, 0);
    // Level being built: (block, high value + high record) of each node.
    struct Node {
        uint32_t block;
        std::vector<uint8_t> high;  // value then record (big-endian)
    };
    std::vector<Node> level;
    auto newBlock = [&]() {
        img.resize(img.size() + kBlockSize, 0);
        return static_cast<uint32_t>(img.size() / kBlockSize - 1);
    };
    const unsigned leafMax = kNodeRoom / (len + 4), innerMax = kNodeRoom / (len + 8);
    for (std::size_t i = 0; i < n;) {
        uint32_t b = newBlock();
        uint8_t* p = img.data() + std::size_t{b} * kBlockSize;
        unsigned c = 0;
        for (; c < leafMax && i < n; ++c, ++i) {
            const uint8_t* e = entries.data() + i * esz;
            uint8_t* d = p + kNodeHead + c * (len + 4);
            le::put32(d, getBE32(e + len));
            std::memcpy(d + 4, e, len);
        }
        p[0] = static_cast<uint8_t>(c);
        const uint8_t* lastE = entries.data() + (i - 1) * esz;
        level.push_back({b, std::vector<uint8_t>(lastE, lastE + esz)});
    }
    uint32_t levels = level.empty() ? 0 : 1;
    auto link = [&](const std::vector<Node>& nodes) {
        for (std::size_t k = 0; k < nodes.size(); ++k) {
            uint8_t* p = img.data() + std::size_t{nodes[k].block} * kBlockSize;
            setPrev(p, k ? nodes[k - 1].block : 0);
            setNext(p, k + 1 < nodes.size() ? nodes[k + 1].block : 0);
        }
    };
    link(level);
    while (level.size() > 1) {
        std::vector<Node> up;
        for (std::size_t i = 0; i < level.size();) {
            uint32_t b = newBlock();
            unsigned c = 0;
            for (; c < innerMax && i < level.size(); ++c, ++i) {
                uint8_t* p = img.data() + std::size_t{b} * kBlockSize;
                uint8_t* d = p + kNodeHead + c * (len + 8);
                le::put32(d, level[i].block);
                le::put32(d + 4, getBE32(level[i].high.data() + len));
                std::memcpy(d + 8, level[i].high.data(), len);
                setParent(img.data() + std::size_t{level[i].block} * kBlockSize, b);
            }
            img[std::size_t{b} * kBlockSize] = static_cast<uint8_t>(c);
            up.push_back({b, level[i - 1].high});
        }
        link(up);
        level = std::move(up);
        ++levels;
    }
    meta.root = level.empty() ? 0 : level[0].block;
    meta.levels = levels;
    meta.blocks = static_cast<uint32_t>(img.size() / kBlockSize);
    meta.freeHead = 0;
    encodeKeyMeta(meta, img.data());
    return img;
}

Status KeyTree::bad(uint32_t block) const {
    Status s = Status::error(kInvalidKeyFile);
    s.block = block;
    return s;
}

Status KeyTree::load() {
    pending_.clear();
    metaDirty_ = false;
    if (!file_.have(0, kBlockSize)) return bad(0);
    KeyMeta m;
    if (!decodeKeyMeta(file_.at(0), m) || m.length != len_) return bad(0);
    meta_ = m;
    return Status::okay();
}

const uint8_t* KeyTree::get(uint32_t n) {
    if (n == 0 || n >= meta_.blocks) return nullptr;
    if (Block* b = pendingAt(n)) return b->data();
    if (!file_.have(uint64_t{n} * kBlockSize, kBlockSize)) return nullptr;
    return file_.at(uint64_t{n} * kBlockSize);
}

uint8_t* KeyTree::mut(uint32_t n) {
    if (Block* b = pendingAt(n)) return b->data();
    const uint8_t* src = get(n);
    Block& b = pending_[n];
    if (src)
        std::memcpy(b.data(), src, kBlockSize);
    else
        b.fill(0);
    return b.data();
}

int KeyTree::compare(const uint8_t* v1, uint32_t r1, const uint8_t* v2, uint32_t r2) const {
    int c = std::memcmp(v1, v2, len_);
    if (c != 0) return c;
    return r1 < r2 ? -1 : r1 > r2 ? 1 : 0;
}

Status KeyTree::descend(const uint8_t* value, uint32_t record, bool clamp, uint32_t& leaf,
                        std::vector<std::pair<uint32_t, unsigned>>* path) {
    leaf = 0;
    if (path) path->assign(meta_.levels + 2, {0, 0});
    uint32_t n = meta_.root;
    const unsigned esz = len_ + 8;
    for (uint32_t level = meta_.levels; level >= 2; --level) {
        const uint8_t* p = get(n);
        if (!p || count(p) == 0 || count(p) > innerMax()) return bad(n);
        unsigned lo = 0, hi = count(p);
        while (lo < hi) {
            unsigned mid = (lo + hi) / 2;
            const uint8_t* e = p + kNodeHead + mid * esz;
            if (compare(e + 8, le::get32(e + 4), value, record) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == count(p)) {
            if (!clamp) return Status::okay();  // every entry is below
            lo = count(p) - 1;
        }
        if (path) (*path)[level] = {n, lo};
        n = le::get32(p + kNodeHead + lo * esz);
    }
    const uint8_t* p = get(n);
    if (!p || count(p) > leafMax() || (count(p) == 0 && n != meta_.root)) return bad(n);
    leaf = n;
    return Status::okay();
}

Status KeyTree::seek(const uint8_t* value, uint32_t record, Cursor& c) {
    c = {};
    if (meta_.root == 0) return Status::okay();
    uint32_t leaf;
    Status s = descend(value, record, false, leaf, nullptr);
    if (!s.ok() || leaf == 0) return s;
    const uint8_t* p = get(leaf);
    const unsigned esz = len_ + 4;
    unsigned lo = 0, hi = count(p);
    while (lo < hi) {
        unsigned mid = (lo + hi) / 2;
        const uint8_t* e = p + kNodeHead + mid * esz;
        if (compare(e + 4, le::get32(e), value, record) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    c.block = leaf;
    c.index = lo;
    if (lo < count(p)) return Status::okay();
    // Below a stale upper bound: the entry is the first of the following leaf.
    c.index = count(p) ? count(p) - 1 : 0;
    return step(c, true);
}

Status KeyTree::seekLast(const uint8_t* value, uint32_t record, Cursor& c) {
    Status s = seek(value, record, c);
    if (!s.ok()) return s;
    if (!c.valid()) return last(c);
    if (compare(valueAt(c), recordAt(c), value, record) == 0) return Status::okay();
    return step(c, false);
}

Status KeyTree::first(Cursor& c) {
    c = {};
    uint32_t n = meta_.root;
    for (uint32_t level = meta_.levels; level >= 2; --level) {
        const uint8_t* p = get(n);
        if (!p || count(p) == 0 || count(p) > innerMax()) return bad(n);
        n = le::get32(p + kNodeHead);
    }
    if (n == 0) return Status::okay();
    const uint8_t* p = get(n);
    if (!p || count(p) > leafMax()) return bad(n);
    c.block = n;
    c.index = 0;
    if (count(p) == 0) c.block = 0;
    return Status::okay();
}

Status KeyTree::last(Cursor& c) {
    c = {};
    uint32_t n = meta_.root;
    for (uint32_t level = meta_.levels; level >= 2; --level) {
        const uint8_t* p = get(n);
        if (!p || count(p) == 0 || count(p) > innerMax()) return bad(n);
        n = le::get32(p + kNodeHead + (count(p) - 1) * (len_ + 8));
    }
    if (n == 0) return Status::okay();
    const uint8_t* p = get(n);
    if (!p || count(p) > leafMax()) return bad(n);
    if (count(p) == 0) return Status::okay();
    c.block = n;
    c.index = count(p) - 1;
    return Status::okay();
}

Status KeyTree::step(Cursor& c, bool forward) {
    if (!c.valid()) return Status::okay();
    const uint8_t* p = get(c.block);
    if (!p || count(p) > leafMax()) return bad(c.block);
    if (forward && c.index + 1 < count(p)) {
        ++c.index;
        return Status::okay();
    }
    if (!forward && c.index > 0 && c.index <= count(p)) {
        --c.index;
        return Status::okay();
    }
    // Into the neighbouring leaves; empty ones (never left by this driver) are passed.
    for (uint32_t guard = 0; guard < meta_.blocks; ++guard) {
        uint32_t n = forward ? nextOf(p) : prevOf(p);
        if (n == 0) {
            c = {};
            return Status::okay();
        }
        p = get(n);
        if (!p || count(p) > leafMax()) return bad(n);
        if (count(p) > 0) {
            c.block = n;
            c.index = forward ? 0 : count(p) - 1;
            return Status::okay();
        }
    }
    return bad(c.block);
}

uint32_t KeyTree::recordAt(const Cursor& c) {
    const uint8_t* p = get(c.block);
    if (!p || c.index >= count(p) || c.index >= leafMax()) return 0;
    return le::get32(p + kNodeHead + c.index * (len_ + 4));
}

const uint8_t* KeyTree::valueAt(const Cursor& c) {
    const uint8_t* p = get(c.block);
    static const uint8_t zeros[256] = {};
    if (!p || c.index >= count(p) || c.index >= leafMax()) return zeros;
    return p + kNodeHead + c.index * (len_ + 4) + 4;
}

Status KeyTree::findValue(const uint8_t* value, uint32_t except, bool& found) {
    found = false;
    Cursor c;
    Status s = seek(value, 0, c);
    for (unsigned guard = 0; s.ok() && c.valid() && guard < 1u << 20; ++guard) {
        if (std::memcmp(valueAt(c), value, len_) != 0) break;
        if (recordAt(c) != except) {
            found = true;
            break;
        }
        s = step(c, true);
    }
    return s;
}

Status KeyTree::allocate(uint32_t& n) {
    if (meta_.freeHead != 0) {
        const uint8_t* p = get(meta_.freeHead);
        if (!p) return bad(meta_.freeHead);
        n = meta_.freeHead;
        uint32_t next = nextOf(p);
        meta_.freeHead = next < meta_.blocks ? next : 0;
    } else {
        if (meta_.blocks == UINT32_MAX / kBlockSize) return Status::error(kFileSystemError);
        n = meta_.blocks++;
    }
    metaDirty_ = true;
    pending_[n].fill(0);
    return Status::okay();
}

void KeyTree::release(uint32_t n) {
    uint8_t* p = mut(n);
    std::memset(p, 0, kBlockSize);
    setNext(p, meta_.freeHead);
    meta_.freeHead = n;
    metaDirty_ = true;
}

Status KeyTree::insert(const uint8_t* value, uint32_t record) {
    std::vector<uint8_t> entry(len_ + 4);
    le::put32(entry.data(), record);
    std::memcpy(entry.data() + 4, value, len_);
    if (meta_.root == 0) {
        uint32_t b;
        Status s = allocate(b);
        if (!s.ok()) return s;
        uint8_t* p = mut(b);
        p[0] = 1;
        std::memcpy(p + kNodeHead, entry.data(), entry.size());
        meta_.root = b;
        meta_.levels = 1;
        metaDirty_ = true;
        return Status::okay();
    }
    uint32_t leaf;
    std::vector<std::pair<uint32_t, unsigned>> path;
    Status s = descend(value, record, true, leaf, &path);
    if (!s.ok()) return s;
    // Raise the upper bounds on the way down where the new entry lies above them.
    for (uint32_t level = 2; level <= meta_.levels; ++level) {
        auto [b, i] = path[level];
        const uint8_t* p = get(b);
        const uint8_t* e = p + kNodeHead + i * (len_ + 8);
        if (compare(e + 8, le::get32(e + 4), value, record) < 0) {
            uint8_t* m = mut(b) + kNodeHead + i * (len_ + 8);
            le::put32(m + 4, record);
            std::memcpy(m + 8, value, len_);
        }
    }
    const uint8_t* p = get(leaf);
    unsigned lo = 0, hi = count(p);
    while (lo < hi) {
        unsigned mid = (lo + hi) / 2;
        const uint8_t* e = p + kNodeHead + mid * (len_ + 4);
        if (compare(e + 4, le::get32(e), value, record) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < count(p)) {
        const uint8_t* e = p + kNodeHead + lo * (len_ + 4);
        if (compare(e + 4, le::get32(e), value, record) == 0) return Status::okay();
    }
    return insertEntry(leaf, 1, lo, entry.data(), path);
}

Status KeyTree::insertEntry(uint32_t block, unsigned level, unsigned pos, const uint8_t* entry,
                            std::vector<std::pair<uint32_t, unsigned>>& path) {
    const unsigned esz = level == 1 ? len_ + 4 : len_ + 8;
    const unsigned max = level == 1 ? leafMax() : innerMax();
    uint8_t* p = mut(block);
    const unsigned cnt = count(p);
    std::vector<uint8_t> all(std::size_t{cnt + 1} * esz);
    std::memcpy(all.data(), p + kNodeHead, std::size_t{pos} * esz);
    std::memcpy(all.data() + std::size_t{pos} * esz, entry, esz);
    std::memcpy(all.data() + std::size_t{pos + 1} * esz, p + kNodeHead + std::size_t{pos} * esz,
                std::size_t{cnt - pos} * esz);
    if (cnt + 1 <= max) {
        std::memcpy(p + kNodeHead, all.data(), all.size());
        p[0] = static_cast<uint8_t>(cnt + 1);
        return Status::okay();
    }
    // Split. Appending at the right end of a level leaves the left node full, so keys
    // added in ascending order fill their nodes.
    const unsigned total = cnt + 1;
    const bool rightEnd = pos == cnt && nextOf(p) == 0;
    const unsigned left = rightEnd ? max : total / 2;
    uint32_t y;
    Status s = allocate(y);
    if (!s.ok()) return s;
    p = mut(block);
    uint8_t* q = mut(y);
    std::memset(p + kNodeHead, 0, kBlockSize - kNodeHead);
    std::memcpy(p + kNodeHead, all.data(), std::size_t{left} * esz);
    p[0] = static_cast<uint8_t>(left);
    std::memcpy(q + kNodeHead, all.data() + std::size_t{left} * esz,
                std::size_t{total - left} * esz);
    q[0] = static_cast<uint8_t>(total - left);
    const uint32_t oldNext = nextOf(p);
    setNext(q, oldNext);
    setPrev(q, block);
    setNext(p, y);
    setParent(q, parentOf(p));
    if (oldNext) setPrev(mut(oldNext), y);
    if (level > 1) {
        for (unsigned i = 0; i < total - left; ++i) {
            uint32_t child = le::get32(q + kNodeHead + i * esz);
            if (!get(child)) return bad(child);
            setParent(mut(child), y);
        }
    }
    // High entries (record, value) of both halves, as upper-level entries want them.
    auto high = [&](const uint8_t* node, uint32_t self, std::vector<uint8_t>& out) {
        const uint8_t* e = node + kNodeHead + (count(node) - 1) * esz;
        out.assign(len_ + 8, 0);
        le::put32(out.data(), self);
        if (level == 1) {
            std::memcpy(out.data() + 4, e, 4);
            std::memcpy(out.data() + 8, e + 4, len_);
        } else {
            std::memcpy(out.data() + 4, e + 4, 4 + len_);
        }
    };
    std::vector<uint8_t> hx, hy;
    high(p, block, hx);
    high(q, y, hy);
    if (level >= meta_.levels) {  // the root split: a new root above both
        uint32_t r;
        s = allocate(r);
        if (!s.ok()) return s;
        uint8_t* rp = mut(r);
        rp[0] = 2;
        std::memcpy(rp + kNodeHead, hx.data(), len_ + 8);
        std::memcpy(rp + kNodeHead + len_ + 8, hy.data(), len_ + 8);
        setParent(mut(block), r);
        setParent(mut(y), r);
        meta_.root = r;
        meta_.levels = level + 1;
        metaDirty_ = true;
        return Status::okay();
    }
    auto [parent, i] = path[level + 1];
    uint8_t* pp = mut(parent);
    uint8_t* pe = pp + kNodeHead + i * (len_ + 8);
    if (le::get32(pe) != block) return bad(parent);
    // The right half keeps the old upper bound; the left one gets its own high entry.
    std::memcpy(hy.data() + 4, pe + 4, 4 + len_);
    std::memcpy(pe + 4, hx.data() + 4, 4 + len_);
    return insertEntry(parent, level + 1, i + 1, hy.data(), path);
}

Status KeyTree::erase(const uint8_t* value, uint32_t record) {
    Cursor c;
    Status s = seek(value, record, c);
    if (!s.ok()) return s;
    if (!c.valid() || recordAt(c) != record || std::memcmp(valueAt(c), value, len_) != 0)
        return Status::error(kKeyFileMustBeRebuilt, record);
    return removeEntry(c.block, 1, c.index);
}

Status KeyTree::removeEntry(uint32_t block, unsigned level, unsigned index) {
    const unsigned esz = level == 1 ? len_ + 4 : len_ + 8;
    uint8_t* p = mut(block);
    const unsigned cnt = count(p);
    if (index >= cnt) return bad(block);
    std::memmove(p + kNodeHead + index * esz, p + kNodeHead + (index + 1) * esz,
                 (cnt - index - 1) * esz);
    std::memset(p + kNodeHead + (cnt - 1) * esz, 0, esz);
    p[0] = static_cast<uint8_t>(cnt - 1);
    if (cnt - 1 > 0) return Status::okay();
    if (block == meta_.root) {
        release(block);
        meta_.root = 0;
        meta_.levels = 0;
        return Status::okay();
    }
    // An empty node leaves its level and its parent.
    const uint32_t prev = prevOf(p), next = nextOf(p), parent = parentOf(p);
    if (prev) {
        if (!get(prev)) return bad(prev);
        setNext(mut(prev), next);
    }
    if (next) {
        if (!get(next)) return bad(next);
        setPrev(mut(next), prev);
    }
    release(block);
    const uint8_t* pp = get(parent);
    if (!pp || count(pp) > innerMax()) return bad(parent);
    for (unsigned i = 0; i < count(pp); ++i)
        if (le::get32(pp + kNodeHead + i * (len_ + 8)) == block)
            return removeEntry(parent, level + 1, i);
    return bad(parent);
}

std::map<uint32_t, Block> KeyTree::takeChanges() {
    std::map<uint32_t, Block> out(pending_.begin(), pending_.end());
    pending_.clear();
    if (metaDirty_) {
        Block b;
        encodeKeyMeta(meta_, b.data());
        out[0] = b;
        metaDirty_ = false;
    }
    return out;
}

Status KeyTree::discard() {
    return load();
}

}  // namespace kw::storage
