// The records the cash desk reads beside its own: the settings record KBP (the first
// record of its file) and the operator's name in SEC.
#pragma once

#include <string>

#include "framework/data/file_manager.h"

namespace kw::cashdesk {

// Reads the first record of the table of `fm` (opened by the caller) into the thread's
// buffer; false when the file has none or it cannot be read (the buffer is then left as
// the read left it).
bool readFirstRecord(FileManager* fm);

// Reads the first KBP record into the thread's buffer through Access::KBP (opened by
// the caller); false, and a cleared buffer, when the file has none.
bool readSettings();

// The name (SEC:FIO) of user `code`, "" when SEC has no such user. Access::SEC must be
// open.
std::string operatorName(int code);

}  // namespace kw::cashdesk
