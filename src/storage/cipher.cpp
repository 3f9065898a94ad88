#include "storage/cipher.h"

#include "storage/byte_order.h"
#include "storage/data_format.h"

namespace kw::storage::cipher {

uint16_t deriveKey(std::string_view password) {
    uint32_t k = kStartValue;
    const auto* p = reinterpret_cast<const uint8_t*>(password.data());
    for (std::size_t i = 0; i + 1 < password.size(); i += 2) k += le::get16(p + i);
    return static_cast<uint16_t>(k);
}

void apply(uint8_t* p, std::size_t n, uint16_t key) {
    const uint8_t lo = static_cast<uint8_t>(key), hi = static_cast<uint8_t>(key >> 8);
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        p[i] ^= lo;
        p[i + 1] ^= hi;
    }
}

uint16_t headerSum(const uint8_t* header) {
    uint32_t sum = 0;
    for (std::size_t i = 0; i < 85; ++i)
        if (i != kHeaderCheckAt && i != kHeaderCheckAt + 1) sum += header[i];
    return static_cast<uint16_t>(sum);
}

}  // namespace kw::storage::cipher
