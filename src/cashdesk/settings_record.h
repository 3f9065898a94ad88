// The records the cash desk reads beside its own: the settings record KBP (the first
// record of its file) and the operator's name in SEC.
#pragma once

#include <string>

namespace kw::cashdesk {

// Reads the first KBP record into the thread's buffer through Access::KBP (opened by
// the caller); false, and a cleared buffer, when the file has none.
bool readSettings();

// The name (SEC:FIO) of user `code`, "" when SEC has no such user. Access::SEC must be
// open.
std::string operatorName(int code);

}  // namespace kw::cashdesk
