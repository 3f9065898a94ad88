// The owner-password cipher of owned files.
//
// The 16-bit key is kStartValue plus every whole 16-bit little-endian word of the
// password text (a last odd byte is ignored), kept to 16 bits. It is computed when the
// file is opened or created and is never written anywhere. Enciphering and deciphering
// are the same operation: every whole little-endian word of an area is XOR-ed with the
// key; a last odd byte stays as it is. Enciphered areas: header bytes 4..84, each field
// descriptor, each key descriptor head and each key component entry, and the record
// bytes of every slot of an enciphered file (never the 5-byte slot prefix).
//
// The header check of an owned file is the 16-bit sum of the 85 plain header bytes
// taken with the check field (offset 83) set to 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kw::storage::cipher {

// This driver's starting value ("kw" read as a little-endian word). Files enciphered
// by this driver can be read only by a driver that starts from the same value.
inline constexpr uint16_t kStartValue = 0x776B;

uint16_t deriveKey(std::string_view password);
void apply(uint8_t* p, std::size_t n, uint16_t key);
uint16_t headerSum(const uint8_t* header /* 85 bytes, check field included */);

}  // namespace kw::storage::cipher
