// Record-level conversions: the OEM conversion of string fields and the key values
// built from a record.
//
// A key value is the concatenation of its components, each encoded so that comparing
// two values byte by byte (memcmp) orders them as the key orders records:
//   BYTE            the byte
//   SHORT, LONG     big-endian with the sign bit inverted
//   REAL            IEEE bits big-endian, sign inverted for positives and all bits
//                   inverted for negatives (-0 is taken as +0)
//   DECIMAL         the value as a big-endian integer of the field's width, sign
//                   bit inverted
//   STRING, GROUP   the bytes of the record in memory (code page 1251); NOCASE keys
//                   take them upper-cased with the code page's case mapping
// Every component keeps its field's width, so a value is as long as the key descriptor
// says.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/table_decl.h"

namespace kw::storage {

struct KeyShape {
    struct Comp {
        FieldType type;
        uint16_t offset;
        uint16_t length;
    };
    std::vector<Comp> comps;
    uint16_t length = 0;
    bool dup = false;
    bool nocase = false;
    bool opt = false;
    // A partial key: a record whose byte at onlyOffset is above onlyAtMost has no entry.
    int32_t onlyOffset = -1;
    uint8_t onlyAtMost = 0;

    KeyShape() = default;
    KeyShape(const TableDecl& table, const KeyDecl& key);
    KeyShape(const TableDecl& table, const PartialKeyDecl& partial);

    // Writes the key value of `record` (length bytes) to out.
    void value(const uint8_t* record, uint8_t* out) const;
    // True when the key is OPT and every component is blank (strings) or zero, or the
    // record is not one a partial key keeps.
    bool omitted(const uint8_t* record) const;
};

// Offsets and lengths of the string fields, for the OEM conversion.
struct StringFields {
    std::vector<std::pair<uint16_t, uint16_t>> spans;
    explicit StringFields(const TableDecl& table);
    StringFields() = default;
    void toOem(uint8_t* record) const;
    void toAnsi(uint8_t* record) const;
    // Copies a record of `size` bytes from `from` to `to` (which must not overlap) with
    // its strings turned to ANSI: what memcpy and toAnsi() give, in one pass.
    void copyToAnsi(const uint8_t* from, uint8_t* to, std::size_t size) const;

  private:
    bool ascending_ = true;  // the spans lie in ascending order without overlapping
};

}  // namespace kw::storage
