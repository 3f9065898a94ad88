// Field values as text in the tool's CSV: numbers as plain decimals, dates as day
// numbers, strings clipped and in UTF-8 (CP1251 in the record).
#pragma once

#include <cstdint>
#include <string>

#include "storage/table_decl.h"

namespace kw::tool {

std::string fieldText(const storage::FieldDecl& f, const uint8_t* record);
// Stores text into the field. "" on success, otherwise why the text is not a value
// the field can hold (not a number of its type, more digits or characters than it
// has room for, not UTF-8 text, a character the file's code page lacks). With `cut`,
// a text longer than the field is cut to its width instead.
std::string setField(const storage::FieldDecl& f, uint8_t* record, const std::string& text,
                     bool cut = false);
// Blank strings, zero numbers.
void clearRecord(const storage::TableDecl& t, uint8_t* record);

}  // namespace kw::tool
