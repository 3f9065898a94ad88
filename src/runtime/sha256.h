// SHA-256 (FIPS 180-4) of a byte stream: the digests of backup manifests.
//
// Feed the bytes in any pieces with update(); digest() ends the stream (the object is
// then spent: make a new one for the next stream). On processors with the x86 SHA
// extensions the blocks are hashed by them (several times faster, which keeps a
// backup close to the speed of a plain copy); elsewhere by portable code. Both give
// the same digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kw {

class Sha256 {
  public:
    using Digest = std::array<uint8_t, 32>;

    Sha256();
    void update(const void* data, std::size_t n);
    Digest digest();
    // The digest as 64 lower-case hexadecimal digits.
    std::string hex();

    // Test seam: false makes every new object use the portable code.
    static void allowHardware(bool allow);
    // Whether new objects use the processor's SHA extensions.
    static bool usesHardware();

  private:
    void blocks(const uint8_t* p, std::size_t count);
    std::array<uint32_t, 8> h_;
    std::array<uint8_t, 64> pending_{};
    std::size_t pendingLen_ = 0;
    uint64_t total_ = 0;
    bool hardware_ = false;
};

}  // namespace kw
