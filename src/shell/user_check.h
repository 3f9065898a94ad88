// The check of the login window: whether the code and the password typed may open the
// main menu. The users are the records of SEC; the rights that follow are the code's
// (sis.h), not the record's.
#pragma once

#include <cstdint>

#include "runtime/fixed_string.h"

namespace kw::shell {

enum class UserCheck {
    Admitted,    // a user of that code with that password, or no user at all (a new installation)
    Refused,     // users exist, and none has that code and that password
    Unreadable,  // SEC could not be read; the file manager has told the user why
};

// Checks `code` and `password` against SEC through Access::SEC, which the caller has
// opened (counted) on its thread. The password must equal SEC:PAROL of the code's
// record, trailing blanks aside and letter case kept. Leaves the calling thread's SEC
// record blank, so the stored password does not stay behind in it.
UserCheck checkUser(uint8_t code, const FixedString<10>& password);

}  // namespace kw::shell
