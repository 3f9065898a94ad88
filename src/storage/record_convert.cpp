// Reading a record out of its slot in one pass: the bytes copied to the program's buffer
// with the string fields turned from the OEM code page to the Windows one on the way,
// sixteen bytes at a time. Blanks, digits and Latin letters (below 0x80) are alike in
// both code pages and go through as they are; the Cyrillic letters, which the two code
// pages keep in three runs at fixed distances, are moved by adding that distance; any
// other byte goes through the conversion table, as every byte did before.
#include <cstring>

#include "runtime/codepage.h"
#include "storage/record_codec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kw::storage {

namespace {

struct ToAnsi {
    uint8_t table[256];
    // The runs 0x80-0xAF (+0x40) and 0xE0-0xEF (+0x10) of the table, checked once: when
    // the installation's tables do not keep them so, every high byte takes the table.
    bool runs = true;
    ToAnsi() {
        for (int c = 0; c < 256; ++c) table[c] = cp::oemToAnsi(static_cast<unsigned char>(c));
        for (int c = 0x80; c <= 0xAF; ++c) runs = runs && table[c] == c + 0x40;
        for (int c = 0xE0; c <= 0xEF; ++c) runs = runs && table[c] == c + 0x10;
    }
};

const ToAnsi& ansiTable() {
    static const ToAnsi t;
    return t;
}

void convertTail(const uint8_t* from, uint8_t* to, std::size_t n, const uint8_t* table) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, from + i, 8);
        if ((w & 0x8080808080808080ull) == 0) {
            std::memcpy(to + i, &w, 8);
            continue;
        }
        for (std::size_t k = i; k < i + 8; ++k) to[k] = table[from[k]];
    }
    for (; i < n; ++i) to[i] = table[from[i]];
}

void copyConverted(const uint8_t* from, uint8_t* to, std::size_t n, const ToAnsi& t) {
    std::size_t i = 0;
#if defined(__SSE2__)
    if (t.runs) {
        const __m128i below = _mm_set1_epi8(static_cast<char>(0xB0));  // 0x80-0xAF: signed < -80
        const __m128i afterDf =
            _mm_set1_epi8(static_cast<char>(0xDF));  // 0xE0-0xEF: signed > -33 ...
        const __m128i beforeF0 = _mm_set1_epi8(static_cast<char>(0xF0));  // ... and < -16
        const __m128i plus40 = _mm_set1_epi8(0x40), plus10 = _mm_set1_epi8(0x10);
        for (; i + 16 <= n; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
            const int high = _mm_movemask_epi8(v);
            if (high == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), v);
                continue;
            }
            const __m128i runA = _mm_cmplt_epi8(v, below);
            const __m128i runB =
                _mm_and_si128(_mm_cmpgt_epi8(v, afterDf), _mm_cmplt_epi8(v, beforeF0));
            const __m128i inRuns = _mm_or_si128(runA, runB);
            if ((high & ~_mm_movemask_epi8(inRuns)) != 0) {
                for (std::size_t k = i; k < i + 16; ++k) to[k] = t.table[from[k]];
                continue;
            }
            const __m128i add =
                _mm_or_si128(_mm_and_si128(runA, plus40), _mm_and_si128(runB, plus10));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_add_epi8(v, add));
        }
    }
#endif
    convertTail(from + i, to + i, n - i, t.table);
}

}  // namespace

void StringFields::copyToAnsi(const uint8_t* from, uint8_t* to, std::size_t size) const {
    if (!ascending_) {
        std::memcpy(to, from, size);
        toAnsi(to);
        return;
    }
    const ToAnsi& t = ansiTable();
    std::size_t at = 0;
    for (auto [off, len] : spans) {
        std::memcpy(to + at, from + at, off - at);
        copyConverted(from + off, to + off, len, t);
        at = off + len;
    }
    std::memcpy(to + at, from + at, size - at);
}

}  // namespace kw::storage
