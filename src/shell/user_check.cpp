// The login's check: whether the code and password typed in START may open SIS.
#include "shell/user_check.h"

#include "dictionary/sec.h"
#include "framework/data/dct_init.h"
#include "framework/data/file_manager.h"
#include "shell/user_rules.h"

namespace kw::shell {

namespace {

// Whether SEC holds at least one user; false in `known` when that cannot be told.
bool anyUser(FileManager& sec, bool& known) {
    known = false;
    if (sec.UseFile() != Level::Benign) return false;
    uint32_t users = 0;
    if (!sec.File->records(users).ok()) {
        sec.SetError(1);
        (void)sec.Throw();
        return false;
    }
    known = true;
    return users > 0;
}

}  // namespace

UserCheck checkUser(uint8_t code, const FixedString<10>& password) {
    if (!Access::SEC) return UserCheck::Unreadable;
    FileManager& sec = *Access::SEC;
    bool known = false;
    const bool users = anyUser(sec, known);
    if (!known) return UserCheck::Unreadable;
    if (!users) return UserCheck::Admitted;
    const bool match = passwordMatches(code, password);
    SEC = dict::SecRecord{};
    return match ? UserCheck::Admitted : UserCheck::Refused;
}

}  // namespace kw::shell
