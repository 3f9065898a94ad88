#include "runtime/sha256.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define KW_SHA_X86 1
#endif

namespace kw {

namespace {

constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<uint32_t, 8> kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

std::atomic<bool> g_allowHardware{true};

inline uint32_t rotr(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

inline uint32_t loadBig(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

void portableBlocks(uint32_t* h, const uint8_t* p, std::size_t count) {
    for (; count > 0; --count, p += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i) w[i] = loadBig(p + 4 * i);
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
        for (int i = 0; i < 64; ++i) {
            const uint32_t t1 = k + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) +
                                ((e & f) ^ (~e & g)) + kRound[i] + w[i];
            const uint32_t t2 =
                (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            k = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += k;
    }
}

#ifdef KW_SHA_X86
bool cpuHasSha() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    const bool sha = (b >> 29) & 1;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool sse41 = (c >> 19) & 1, ssse3 = (c >> 9) & 1;
    return sha && sse41 && ssse3;
}

// Four rounds of the SHA extensions: `msg` holds W[i..i+3] + K[i..i+3].
#define KW_SHA_4ROUNDS(msg)                                                           \
    do {                                                                              \
        state1 = _mm_sha256rnds2_epu32(state1, state0, msg);                          \
        state0 = _mm_sha256rnds2_epu32(state0, state1, _mm_shuffle_epi32(msg, 0x0E)); \
    } while (0)

__attribute__((target("sha,sse4.1,ssse3"))) void hardwareBlocks(uint32_t* h, const uint8_t* p,
                                                                std::size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    // The state as the instructions want it: ABEF and CDGH.
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h));         // A B C D
    __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + 4));  // E F G H
    tmp = _mm_shuffle_epi32(tmp, 0xB1);                                         // C D A B
    state1 = _mm_shuffle_epi32(state1, 0x1B);                                   // H G F E
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);                           // A B E F
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);                                // C D G H

    for (; count > 0; --count, p += 64) {
        const __m128i save0 = state0, save1 = state1;
        __m128i w[4];
        for (int i = 0; i < 4; ++i)
            w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)),
                                    byteSwap);
        for (int r = 0; r < 16; ++r) {
            const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRound + 4 * r));
            __m128i& cur = w[r & 3];
            if (r >= 4) {
                // W[i..i+3] from the four groups before it.
                __m128i next = _mm_sha256msg1_epu32(cur, w[(r + 1) & 3]);
                next = _mm_add_epi32(next, _mm_alignr_epi8(w[(r + 3) & 3], w[(r + 2) & 3], 4));
                cur = _mm_sha256msg2_epu32(next, w[(r + 3) & 3]);
            }
            const __m128i msg = _mm_add_epi32(cur, k);
            KW_SHA_4ROUNDS(msg);
        }
        state0 = _mm_add_epi32(state0, save0);
        state1 = _mm_add_epi32(state1, save1);
    }

    tmp = _mm_shuffle_epi32(state0, 0x1B);        // F E B A
    state1 = _mm_shuffle_epi32(state1, 0xB1);     // D C H G
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // D C B A
    state1 = _mm_alignr_epi8(state1, tmp, 8);     // H G F E
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4), state1);
}
#undef KW_SHA_4ROUNDS
#endif

bool hardwareAvailable() {
#ifdef KW_SHA_X86
    static const bool has = cpuHasSha();
    return has;
#else
    return false;
#endif
}

}  // namespace

Sha256::Sha256() : h_(kInitial), hardware_(g_allowHardware.load() && hardwareAvailable()) {}

void Sha256::allowHardware(bool allow) {
    g_allowHardware = allow;
}

bool Sha256::usesHardware() {
    return g_allowHardware.load() && hardwareAvailable();
}

void Sha256::blocks(const uint8_t* p, std::size_t count) {
#ifdef KW_SHA_X86
    if (hardware_) return hardwareBlocks(h_.data(), p, count);
#endif
    portableBlocks(h_.data(), p, count);
}

void Sha256::update(const void* data, std::size_t n) {
    auto* p = static_cast<const uint8_t*>(data);
    total_ += n;
    if (pendingLen_ > 0) {
        const std::size_t take = std::min(n, 64 - pendingLen_);
        std::memcpy(pending_.data() + pendingLen_, p, take);
        pendingLen_ += take;
        p += take;
        n -= take;
        if (pendingLen_ < 64) return;
        blocks(pending_.data(), 1);
        pendingLen_ = 0;
    }
    if (n >= 64) {
        blocks(p, n / 64);
        p += n / 64 * 64;
        n %= 64;
    }
    std::memcpy(pending_.data(), p, n);
    pendingLen_ = n;
}

Sha256::Digest Sha256::digest() {
    const uint64_t bits = total_ * 8;
    const uint8_t one = 0x80;
    update(&one, 1);
    const uint8_t zero[64] = {};
    update(zero, (pendingLen_ <= 56 ? 56 : 120) - pendingLen_);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    update(length, 8);
    Digest d;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) d[4 * i + j] = static_cast<uint8_t>(h_[i] >> (24 - 8 * j));
    return d;
}

std::string Sha256::hex() {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t b : digest()) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

}  // namespace kw
