#include "storage/probe.h"

#include <cstring>

#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/data_format.h"
#include "storage/mapped_file.h"

namespace kw::storage {

Status probeDataFile(FileSystem& fs, const std::string& path, const std::string& owner,
                     Layout& out) {
    MappedFile f;
    int rc = f.open(fs, path, kOpenRead);
    if (rc != 0) return Status::system(codeFromErrno(rc), rc);
    if (!f.have(0, kHeaderSize)) return Status::error(kInvalidDataFile);
    uint8_t b[kHeaderSize];
    std::memcpy(b, f.at(0), kHeaderSize);
    if (le::get16(b) != kSignature) return Status::error(kNotThisFormat);
    const bool owned = (le::get16(b + 2) & kAttrOwner) != 0;
    const uint16_t key = cipher::deriveKey(owner);
    if (owned) {
        if (owner.empty()) return Status::error(kInvalidDataFile);
        cipher::apply(b + 4, kHeaderSize - 4, key);
        const uint16_t check = le::get16(b + kHeaderCheckAt);
        le::put16(b + kHeaderCheckAt, 0);
        if (cipher::headerSum(b) != check) return Status::error(kInvalidDataFile);
    }
    Header h = decodeHeader(b);
    if (h.dataOffset < kHeaderSize || !f.have(0, h.dataOffset))
        return Status::error(kInvalidDataFile);
    return decodeDescriptors(h, f.at(kHeaderSize), h.dataOffset - kHeaderSize, owned, key, out);
}

Status checkLayout(const Layout& l, uint64_t fileSize) {
    const Header& h = l.header;
    const uint64_t end = h.dataOffset + uint64_t{h.records} * h.slotLength;
    if (h.slotLength <= kSlotPrefix || h.dataOffset < kHeaderSize || h.deleted > h.records ||
        h.firstFree > h.records || h.highest > h.records || h.lowest > h.records || fileSize < end)
        return Status::error(kInvalidDataFile);
    const TableDecl decl = declFromLayout(l, "T");
    Layout want;
    Status s = layoutFor(decl, want);
    return s.ok() ? checkAgainst(l, decl) : s;
}

}  // namespace kw::storage
