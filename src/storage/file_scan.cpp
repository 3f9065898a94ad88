// A pass over the live records for totals: a piece of slots is copied out at a time
// under one stable read (the journal counter unchanged, or the writers' lock), so the
// caller's work on a record runs once, on bytes no writer can change under it, and
// costs one copy of the record instead of a read's copy, decoding and bookkeeping.
#include <algorithm>
#include <cstring>

#include "storage/cipher.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

constexpr uint32_t kPieceSlots = 256;

// Spans less than a cache line apart are copied as one (with the bytes between): a few
// bytes more cost less than another copy for every record.
void mergeNear(std::vector<File::Span>& spans) {
    constexpr std::size_t kNear = 64;
    std::sort(spans.begin(), spans.end(),
              [](const File::Span& a, const File::Span& b) { return a.offset < b.offset; });
    std::vector<File::Span> merged;
    for (const File::Span& sp : spans) {
        if (!merged.empty()) {
            File::Span& last = merged.back();
            const std::size_t end = std::size_t{last.offset} + last.length;
            if (sp.offset <= end + kNear) {
                const std::size_t upTo = std::max(end, std::size_t{sp.offset} + sp.length);
                last.length = static_cast<uint16_t>(upTo - last.offset);
                continue;
            }
        }
        merged.push_back(sp);
    }
    spans = std::move(merged);
}

}  // namespace

void File::narrow(const std::vector<Span>& only) {
    State& s = state();
    if (s.server) s.server->narrow(only);
}

void File::filter(const Filter& pass) {
    State& s = state();
    if (s.server) s.server->filter(pass);
}

Status File::sumKopecks(const std::vector<SumTerm>& terms, std::vector<int64_t>& sums) {
    sums.clear();
    return called(FileFunction::Read, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->sumKopecks(terms, sums));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        return finish(s, Status::error(kUnsupportedFunction));
    });
}

Status File::scan(const std::function<void(const uint8_t*)>& perRecord,
                  const std::vector<Span>& only) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->scan(perRecord, only));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        const std::size_t n = shared_->decl.recordSize;
        std::vector<Span> spans;
        for (const Span& p : only)
            if (p.offset < n)
                spans.push_back(Span{p.offset, static_cast<uint16_t>(
                                                   std::min<std::size_t>(p.length, n - p.offset))});
        if (spans.empty() || (s.header.attributes & kAttrEncrypt))
            spans.assign(1, Span{0, static_cast<uint16_t>(n)});
        mergeNear(spans);
        std::vector<uint8_t> piece(kPieceSlots * n);
        s.dat.populateAll(s.slotOffset(s.header.records + 1));
        std::size_t used = 0;
        for (uint32_t first = 1;;) {
            uint32_t looked = 0;
            Status st = s.readStable([&] {
                used = 0;
                looked = 0;
                for (uint32_t r = first; r <= s.header.records && looked < kPieceSlots;
                     ++r, ++looked) {
                    const uint8_t* p = s.slot(r);
                    if (!p) return Status::error(kInvalidDataFile, r);
                    if (p[0] & kSlotDeleted) continue;
                    for (const Span& sp : spans)
                        std::memcpy(piece.data() + used + sp.offset, p + kSlotPrefix + sp.offset,
                                    sp.length);
                    used += n;
                }
                if (first + looked <= s.header.records) s.prefetchSlot(first + looked);
                return Status::okay();
            });
            if (!st.ok()) return finish(s, st);
            if (looked == 0) return finish(s, Status::okay());
            const bool enciphered = (s.header.attributes & kAttrEncrypt) != 0;
            for (std::size_t off = 0; off < used; off += n) {
                if (enciphered) cipher::apply(piece.data() + off, n, shared_->cipherKey);
                perRecord(piece.data() + off);
            }
            first += looked;
        }
    });
}

}  // namespace kw::storage
