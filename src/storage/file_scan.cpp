// A pass over the live records for totals: a piece of slots is copied out at a time
// under one stable read (the journal counter unchanged, or the writers' lock), so the
// caller's work on a record runs once, on bytes no writer can change under it, and
// costs one copy of the record instead of a read's copy, decoding and bookkeeping.
#include "storage/cipher.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

constexpr uint32_t kPieceSlots = 256;

}  // namespace

Status File::scan(const std::function<void(const uint8_t*)>& perRecord) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        const std::size_t n = shared_->decl.recordSize;
        std::vector<uint8_t> piece;
        piece.reserve(kPieceSlots * n);
        for (uint32_t first = 1;;) {
            uint32_t looked = 0;
            Status st = s.readStable([&] {
                piece.clear();
                looked = 0;
                for (uint32_t r = first; r <= s.header.records && looked < kPieceSlots; ++r, ++looked) {
                    const uint8_t* p = s.slot(r);
                    if (!p) return Status::error(kInvalidDataFile, r);
                    if (p[0] & kSlotDeleted) continue;
                    piece.insert(piece.end(), p + kSlotPrefix, p + kSlotPrefix + n);
                }
                if (first + looked <= s.header.records) s.prefetchSlot(first + looked);
                return Status::okay();
            });
            if (!st.ok()) return finish(s, st);
            if (looked == 0) return finish(s, Status::okay());
            const bool enciphered = (s.header.attributes & kAttrEncrypt) != 0;
            for (std::size_t off = 0; off < piece.size(); off += n) {
                if (enciphered) cipher::apply(piece.data() + off, n, shared_->cipherKey);
                perRecord(piece.data() + off);
            }
            first += looked;
        }
    });
}

}  // namespace kw::storage
