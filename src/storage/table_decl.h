// The declaration of a table as the dictionary gives it: label, disk name, record
// layout, keys and file attributes. The driver creates and checks files from it; the
// framework reaches fields generically through its field descriptors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kw::storage {

// Type codes of the runtime's field descriptors.
enum class FieldType : uint8_t {
    Byte = 1,
    Short = 2,
    UShort = 3,
    Date = 4,
    Time = 5,
    Long = 6,
    ULong = 7,
    SReal = 8,
    Real = 9,
    Decimal = 10,
    PDecimal = 11,
    String = 18,
    CString = 19,
    PString = 20,
    Group = 22,
};

struct FieldDecl {
    std::string name;  // without prefix, upper case: "S_CCYD"
    FieldType type = FieldType::Byte;
    uint16_t offset = 0;  // in the record
    uint16_t size = 0;    // bytes
    uint8_t places = 0;   // DECIMAL only
    bool isDate = false;  // a LONG holding a day number
    std::string picture;  // display picture, "" when none
    std::string prompt;   // the form's prompt, UTF-8, "" when none
};

struct KeyDecl {
    std::string name;             // without prefix, upper case: "KEY_1"
    std::string description;      // name registered with the file manager: "ZAL:key_1"
    std::vector<int> components;  // field numbers, 1-based, ascending
    bool dup = false;
    bool nocase = true;
    bool opt = true;
};

// A key kept a second time, in a key file of its own, for the records that a BYTE field
// holds at or below a value: the few pledges still open among every pledge ever made.
// Its entries are exactly those of the key for these records, in the same order, so a
// view in the key's order whose filter allows no other records reads it instead.
struct PartialKeyDecl {
    int key = 0;         // the key (1-based) whose entries it keeps
    int field = 0;       // a BYTE field (1-based)
    uint8_t atMost = 0;  // the records whose field is at most this
};

struct TableDecl {
    std::string label;        // "ZAL"
    std::string diskName;     // "ZAL": the driver adds ".DAT", ".K01", ...
    std::string messageName;  // "zal": how messages name the table
    std::size_t recordSize = 0;
    std::vector<FieldDecl> fields;
    std::vector<KeyDecl> keys;
    // Driver key numbers keys.size() + 1, + 2, ...; not in the data file's descriptors.
    std::vector<PartialKeyDecl> partialKeys;
    bool create = true;
    bool reclaim = true;
    bool thread = true;
    bool oem = true;
    std::string owner;  // owner password, "" when none
    bool encrypt = false;
    // The calling thread's record buffer (recordSize bytes).
    void* (*buffer)() = nullptr;

    // Field number (1-based) of "NAME" or "PREFIX:NAME" in any letter case; 0 when none.
    int fieldNumber(const std::string& name) const;
    const FieldDecl& field(int number) const {
        return fields.at(static_cast<std::size_t>(number - 1));
    }
};

}  // namespace kw::storage
