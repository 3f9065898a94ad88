// What every audit-journal entry of this desk carries besides what happened: the date
// and time, the user's code and name (from SEC), and the desk's host name; and the
// entry of a refused login, which changes no data but is written all the same.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/data/audit.h"
#include "storage/status.h"

namespace kw::shell {

// Fills in the entry's date, time, user `code` with the name SEC gives it ("" for a
// code no user has) and the desk. Reads SEC through Access::SEC on the calling thread,
// leaving its buffer, position and copy as they were; names are kept until SEC is
// written (forgetUserNames).
void stampAuditEntry(audit::Entry& e, uint8_t code);
void forgetUserNames();

// The journal (Access::AUD's file) open on the calling thread; nullptr when it cannot
// be opened. It stays open: opening it for every entry would cost more than the entry.
storage::File* auditJournal();

// A login refused for the code typed: one entry, the password never in it; `what` says
// what was refused (code page 1251: "Вход в систему", "Смена пароля").
storage::Status auditLoginRefused(uint8_t code, std::string_view whatCp1251);

}  // namespace kw::shell
