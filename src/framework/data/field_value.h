// Generic access to the fields of a record buffer through the dictionary's field
// descriptors: the file and relation managers clear records, set key components to
// their lowest or highest values, copy linking fields and read numbering fields
// without knowing the record's C++ type.
//
// Every access copies bytes (memcpy); a field that does not lie inside the record is
// left alone and reads as 0 or "".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "storage/table_decl.h"

namespace kw {

// A field of a table's record in the calling thread's buffer.
struct FieldRef {
    const storage::TableDecl* Table = nullptr;
    int Field = 0;  // 1-based

    bool valid() const;
    const storage::FieldDecl& decl() const { return Table->field(Field); }
    // The field's bytes in the calling thread's record; nullptr when invalid.
    uint8_t* address() const;
    // "LABEL:NAME", for example "ZAL:N_KV".
    std::string name() const;
};

namespace field {

bool isText(storage::FieldType t);

// Blanks for strings, zero for everything else.
void clear(const FieldRef& f);
// The lowest (High false) or highest value the field can hold: strings all 0x00 or
// all 0xFF, numbers the minimum or maximum of their type.
void setLimit(const FieldRef& f, bool high);
// The value as a number (0 for a string field).
double number(const FieldRef& f);
// The number held in bytes laid out as the field `d` (0 for a string field).
double numberOf(const storage::FieldDecl& d, const uint8_t* p);
// Stores a number (truncated toward zero for integer fields, limited to their range).
void setNumber(const FieldRef& f, double v);
// The field's bytes (a string field's text, blank padded).
std::string bytes(const FieldRef& f);
// Copies a value between fields: text to text (padded or cut), otherwise by number.
void assign(const FieldRef& to, const FieldRef& from);
// Whether two fields hold the same value (text: equal after trailing blanks are
// dropped; numbers: equal numbers).
bool equal(const FieldRef& a, const FieldRef& b);
// Stores saved bytes (as bytes() gave them) into a field of the same declaration.
void setBytes(const FieldRef& f, const std::string& saved);
// Whether the field holds exactly the saved bytes.
bool equalBytes(const FieldRef& f, const std::string& saved);

// Clears a whole record of the table in the calling thread's buffer.
void clearRecord(const storage::TableDecl& table);

}  // namespace field
}  // namespace kw
