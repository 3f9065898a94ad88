// A record of the dictionary's layout as the values of a row of the server's table, and
// back (docs/formats/server.md): texts from code page 1251 to UTF-8 without trailing
// blanks, a date's day number to 'YYYY-MM-DD' (the empty date 0 to NULL), REAL to its
// shortest exact decimal, DECIMAL's packed digits to a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/table_decl.h"

namespace kw::storage::pg {

// A day number (not 0) as the server's date text, 'YYYY-MM-DD'.
std::string dateText(int32_t day);

// The text of one field of `record` for a query parameter; nullopt for SQL NULL.
std::optional<std::string> fieldValue(const FieldDecl& f, const uint8_t* record);

// Sets one field of `record` from a row's text (`null`: SQL NULL). False when the text
// is not a value of the field (a text longer than the field, a number out of range).
bool setField(const FieldDecl& f, uint8_t* record, const std::string& text, bool null);

// As setField from a row asked for in the server's binary form: smallint, integer and
// date as big-endian whole numbers (a date counted from 1.1.2000), double precision as
// its big-endian bits, a text (and a DECIMAL, asked for as text) as its UTF-8 bytes.
bool setFieldBinary(const FieldDecl& f, uint8_t* record, const char* value, int length, bool null);

// The fields that make up a row, in column order (every field but groups).
std::vector<const FieldDecl*> columns(const TableDecl& t);

}  // namespace kw::storage::pg
