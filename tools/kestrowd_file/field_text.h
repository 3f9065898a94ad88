// Field values as text in the tool's CSV: numbers as plain decimals, dates as day
// numbers, strings clipped and in UTF-8 (CP1251 in the record).
#pragma once

#include <cstdint>
#include <string>

#include "storage/table_decl.h"

namespace kw::tool {

std::string fieldText(const storage::FieldDecl& f, const uint8_t* record);
// Stores text into the field; false when it is not a value of the field's type.
bool setField(const storage::FieldDecl& f, uint8_t* record, const std::string& text);
// Blank strings, zero numbers.
void clearRecord(const storage::TableDecl& t, uint8_t* record);

}  // namespace kw::tool
