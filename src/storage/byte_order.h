// Integer access to byte areas: little-endian for the data and key files, big-endian
// for what orders bytewise (key encodings) and for the server's binary values. Callers
// check bounds before calling: these helpers read and write exactly the bytes named.
#pragma once

#include <cstdint>
#include <cstring>

namespace kw::storage::le {

inline uint16_t get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t get64(const uint8_t* p) {
    return static_cast<uint64_t>(get32(p)) | (static_cast<uint64_t>(get32(p + 4)) << 32);
}
inline void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put64(uint8_t* p, uint64_t v) {
    put32(p, static_cast<uint32_t>(v));
    put32(p + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace kw::storage::le

namespace kw::storage::be {

// The whole number in the `n` (at most 8) bytes at `p`, most significant first.
inline uint64_t get(const uint8_t* p, int n) {
    uint64_t u = 0;
    for (int i = 0; i < n; ++i) u = (u << 8) | p[i];
    return u;
}

}  // namespace kw::storage::be
