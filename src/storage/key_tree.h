// The key file: a B+tree of 512-byte blocks (block n at offset n x 512).
//
// Block 0 is the key file's head (this driver's own layout):
//     0    4 magic            "KWKY"
//     4    2 version          1
//     6    2 block size       512
//     8    1 key value length
//     9    1 key flags        as in the key descriptor (0x10 DUP, 0x20 NOCASE, 0x40 not OPT)
//    10    2 key number       1-based, in declaration order
//    12    4 root block       0 when the key is empty
//    16    4 levels           0 when empty, 1 when the root is a leaf
//    20    4 block count      blocks in use, block 0 included
//    24    4 free block       head of the chain of free blocks (linked through their
//                             next field), 0 when none
//    28..511 zero
//
// Node blocks start with a 13-byte head:
//     0    1 entry count
//     1    4 next node of the same level (0 for the last)
//     5    4 previous node of the same level (0 for the first)
//     9    4 node of the level above that holds this node (0 for the root)
// and the entries follow from offset 13.
//   Lowest level (leaves): (value length + 4)-byte entries: the record number (4 bytes)
//     then the key value; at most 499 / (length + 4) entries.
//   Upper levels: (value length + 8)-byte entries: the child block (4 bytes), the
//     record number of the highest entry below that child (4 bytes), then that entry's
//     key value; at most 499 / (length + 8) entries. An entry is an upper bound of its
//     child: every entry below child i is above entry i-1 and not above entry i.
// Entries are ordered by key value (compared byte by byte, record_codec.h) and then by
// record number, so equal values of a DUP key lie in record-number order.
//
// Every block number and entry count read from the file is checked before use; a
// block that does not fit gives 38 ("Invalid Key File").
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

#include "storage/mapped_file.h"
#include "storage/status.h"

namespace kw::storage {

inline constexpr uint32_t kBlockSize = 512;
inline constexpr unsigned kNodeHead = 13;
inline constexpr unsigned kNodeRoom = kBlockSize - kNodeHead;  // bytes for a node's entries

struct KeyMeta {
    uint8_t length = 0;
    uint8_t flags = 0;
    uint16_t number = 0;
    uint32_t root = 0;
    uint32_t levels = 0;
    uint32_t blocks = 1;
    uint32_t freeHead = 0;
};

using Block = std::array<uint8_t, kBlockSize>;

void encodeKeyMeta(const KeyMeta& m, uint8_t* block0);
// False when block 0 is not a key-file head.
bool decodeKeyMeta(const uint8_t* block0, KeyMeta& m);

// A whole key file built from sorted (value, record) entries: block 0 and the tree,
// leaves filled completely. `entries` holds length + 4 bytes each: the value then the
// record number (big-endian), in ascending order.
std::vector<uint8_t> buildKeyImage(KeyMeta meta, const std::vector<uint8_t>& entries);

class KeyTree {
  public:
    struct Cursor {
        uint32_t block = 0;  // 0: no entry
        unsigned index = 0;
        bool valid() const { return block != 0; }
    };

    KeyTree(MappedFile& file, unsigned length) : file_(file), len_(length) {}

    // Reads block 0: 38 when it is not a head of a key of this length.
    Status load();
    const KeyMeta& meta() const { return meta_; }

    // First entry >= (value, record); no entry when all are below.
    Status seek(const uint8_t* value, uint32_t record, Cursor& c);
    // Last entry <= (value, record).
    Status seekLast(const uint8_t* value, uint32_t record, Cursor& c);
    Status first(Cursor& c);
    Status last(Cursor& c);
    Status step(Cursor& c, bool forward);
    uint32_t recordAt(const Cursor& c);
    const uint8_t* valueAt(const Cursor& c);

    // Whether an entry with this value exists for a record other than `except`.
    Status findValue(const uint8_t* value, uint32_t except, bool& found);

    // Changes are kept as pending block images until taken or discarded.
    Status insert(const uint8_t* value, uint32_t record);
    // 46 when the entry is not there.
    Status erase(const uint8_t* value, uint32_t record);
    // The pending images, block 0 included when the head changed; clears them.
    std::map<uint32_t, Block> takeChanges();
    // Drops the pending images and reads the head again.
    Status discard();
    bool changed() const { return !pending_.empty() || metaDirty_; }
    std::size_t pendingBlocks() const { return pending_.size(); }

    unsigned leafMax() const { return kNodeRoom / (len_ + 4); }
    unsigned innerMax() const { return kNodeRoom / (len_ + 8); }

  private:
    const uint8_t* get(uint32_t n);
    uint8_t* mut(uint32_t n);
    Status bad(uint32_t block) const;
    int compare(const uint8_t* value, uint32_t rec, const uint8_t* value2, uint32_t rec2) const;
    // Leaf reached for (value, record); path[level] = (block, entry index) for the upper
    // levels. With `clamp` the last child is taken where all entries are below.
    Status descend(const uint8_t* value, uint32_t record, bool clamp, uint32_t& leaf,
                   std::vector<std::pair<uint32_t, unsigned>>* path);
    Status insertEntry(uint32_t block, unsigned level, unsigned pos, const uint8_t* entry,
                       std::vector<std::pair<uint32_t, unsigned>>& path);
    Status removeEntry(uint32_t block, unsigned level, unsigned index);
    Status allocate(uint32_t& n);
    void release(uint32_t n);

    MappedFile& file_;
    unsigned len_;
    KeyMeta meta_;
    bool metaDirty_ = false;
    // Hashed: a bulk load keeps tens of thousands of changed blocks, each looked up at
    // every step down the tree.
    std::unordered_map<uint32_t, Block> pending_;
    Block* pendingAt(uint32_t n) {
        auto it = pending_.find(n);
        return it == pending_.end() ? nullptr : &it->second;
    }
};

}  // namespace kw::storage
