// The data file's header and descriptors: encoding, decoding and the comparison with a
// table declaration. All integers little-endian; strings fixed width, blank padded.
//
// Header, 85 bytes at offset 0:
//   off size field            content
//     0    2 signature        0x3343; another value: not a file of this format (53)
//     2    2 attributes       0x80 created by this driver, 0x02 owner password,
//                             0x04 enciphered, 0x08 memo file, 0x20 RECLAIM
//     4    1 key count
//     5    4 record count     slots in the file, deleted ones included
//     9    4 deleted count    slots marked deleted
//    13    2 field count
//    15    2 picture count
//    17    2 array count
//    19    2 slot length      record length + 5
//    21    4 data offset      offset of slot 1 (85 + all descriptors)
//    25    4 highest record   highest record number ever written, 0 when none
//    29    4 lowest record    lowest record number ever written, 0 when none
//    33    4 first free       most recently deleted slot (free-chain head), 0 when none
//    37   12 record name      blanks
//    49   12 memo name        blanks when no memo file
//    61    3 file prefix      the table's label
//    64    3 record prefix    blanks
//    67    2 memo length
//    69    2 memo width
//    71    4 reserved
//    75    4 change time      hundredths of a second since midnight + 1 (MAINTAINHEADERTIME)
//    79    4 change date      day number (MAINTAINHEADERTIME)
//    83    2 header check     owned files: 16-bit sum of the 85 plain header bytes taken
//                             with this field 0; 0 otherwise
//
// Field descriptor, 27 bytes each, in record order right after the header:
//     0    1 type             1 LONG, 2 REAL, 3 STRING, 4 STRING with picture, 5 BYTE,
//                             6 SHORT, 7 GROUP, 8 DECIMAL
//     1   16 name             "PREFIX:FIELD", blank padded ("ZAL:DATA_PR1")
//    17    2 offset in the record
//    19    2 length of one element
//    21    1 DECIMAL: digits before the point (2 x bytes - places - 1), else 0
//    22    1 DECIMAL: places, else 0
//    23    2 array number (0: not an array)
//    25    2 picture number (0: none)
//
// Key descriptor, after the field descriptors: a 19-byte head and 6 bytes a component:
//     0    1 component count
//     1   16 key name (the part after ":"), blank padded
//    17    1 flags            0x10 DUP, 0x20 NOCASE, 0x40 not OPT
//    18    1 key value length (sum of the component lengths)
//  19+6k   1 component k: field type code as above
//  20+6k   2 component k: field number (1-based)
//  22+6k   2 component k: offset of the field in the record
//  24+6k   1 component k: length of the field
//
// Pictures and arrays would follow the key descriptors; this driver writes none and
// refuses a file that declares any (47).
//
// Record slot n (from 1) at data offset + (n - 1) x slot length:
//     0    1 status   0x10 deleted, 0x40 held, 0x04 set by every add and put
//     1    4 link     deleted slot: the slot deleted before it (free chain); else 0
//     5    r record   as in memory; strings OEM for OEM tables; enciphered for
//                     enciphered files (the prefix stays plain)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/status.h"
#include "storage/table_decl.h"

namespace kw::storage {

inline constexpr uint16_t kSignature = 0x3343;
inline constexpr std::size_t kHeaderSize = 85;
inline constexpr std::size_t kHeaderCheckAt = 83;  // the header check's offset
inline constexpr std::size_t kFieldDescSize = 27;
inline constexpr std::size_t kKeyDescHeadSize = 19;
inline constexpr std::size_t kKeyCompSize = 6;
inline constexpr std::size_t kSlotPrefix = 5;

enum Attribute : uint16_t {
    kAttrOwner = 0x02,
    kAttrEncrypt = 0x04,
    kAttrMemo = 0x08,
    kAttrReclaim = 0x20,
    kAttrDriver = 0x80,
};

enum SlotStatus : uint8_t {
    kSlotWritten = 0x04,
    kSlotDeleted = 0x10,
    kSlotHeld = 0x40,
};

enum KeyFlag : uint8_t {
    kKeyDup = 0x10,
    kKeyNoCase = 0x20,
    kKeyNotOpt = 0x40,
};

struct Header {
    uint16_t signature = kSignature;
    uint16_t attributes = kAttrDriver;
    uint8_t keyCount = 0;
    uint32_t records = 0;
    uint32_t deleted = 0;
    uint16_t fieldCount = 0;
    uint16_t pictureCount = 0;
    uint16_t arrayCount = 0;
    uint16_t slotLength = 0;
    uint32_t dataOffset = kHeaderSize;
    uint32_t highest = 0;
    uint32_t lowest = 0;
    uint32_t firstFree = 0;
    std::string recordName = std::string(12, ' ');
    std::string memoName = std::string(12, ' ');
    std::string filePrefix = std::string(3, ' ');
    std::string recordPrefix = std::string(3, ' ');
    uint16_t memoLength = 0;
    uint16_t memoWidth = 0;
    uint32_t reserved = 0;
    uint32_t changeTime = 0;
    uint32_t changeDate = 0;
    uint16_t check = 0;
};

void encodeHeader(const Header& h, uint8_t* out /* kHeaderSize bytes */);
Header decodeHeader(const uint8_t* in /* kHeaderSize bytes */);

struct FieldDesc {
    uint8_t type = 0;
    std::string name;  // blank padded to 16
    uint16_t offset = 0;
    uint16_t length = 0;
    uint8_t digits = 0;
    uint8_t places = 0;
    uint16_t array = 0;
    uint16_t picture = 0;
};

struct KeyCompDesc {
    uint8_t type = 0;
    uint16_t field = 0;
    uint16_t offset = 0;
    uint8_t length = 0;
};

struct KeyDesc {
    std::string name;  // blank padded to 16
    uint8_t flags = 0;
    uint8_t length = 0;
    std::vector<KeyCompDesc> components;
    std::size_t size() const { return kKeyDescHeadSize + kKeyCompSize * components.size(); }
};

void encodeField(const FieldDesc& f, uint8_t* out);
FieldDesc decodeField(const uint8_t* in);
// Writes the descriptor (size() bytes).
void encodeKey(const KeyDesc& k, uint8_t* out);

// Everything of a data file before slot 1.
struct Layout {
    Header header;
    std::vector<FieldDesc> fields;
    std::vector<KeyDesc> keys;
};

// Descriptor code of a field type; 0 when the format cannot store it.
uint8_t descriptorType(FieldType t);
// The field type of a descriptor code (STRING for 3 and 4); false for an unknown code.
bool fieldTypeOf(uint8_t code, FieldType& out);

// The layout of a new file for the declaration: 75 for a type the format cannot store,
// 88 for a key whose value does not fit a key-file node twice.
Status layoutFor(const TableDecl& decl, Layout& out);

// Decodes the descriptors of a file whose plain header is `h`, from the bytes after
// the header (`bytes`, `len` of them), deciphering each area with `cipher` when the
// file is owned. 36 when a count or length does not fit the bytes or the header.
Status decodeDescriptors(const Header& h, const uint8_t* bytes, std::size_t len, bool owned,
                         uint16_t cipher, Layout& out);

// The encoded header and descriptors (enciphered when owned, with the header check).
std::vector<uint8_t> encodeLayout(const Layout& l, bool owned, uint16_t cipher);

// Compares a file's layout with the declaration: 47 on any disagreement.
Status checkAgainst(const Layout& file, const TableDecl& decl);

// A declaration built from a file's own descriptors (for tools that have no
// dictionary): fields named without their prefix, keys with their flags.
TableDecl declFromLayout(const Layout& l, const std::string& label);

}  // namespace kw::storage
