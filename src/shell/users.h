// The users of the program (SEC) and their passwords.
//
//  - SEC_TAB: "Пользователи", an item of the reference-tables menu: the users in code
//    order (code, name, post and rights, never a password), added, changed and deleted
//    through UPDATESEC. Only a user with the full rights (KOD above 5) opens it; anyone
//    else is told so and no window opens.
//  - UPDATESEC: adds, changes or deletes one user. The password is typed twice into
//    hidden entries; on a change, both left blank keep the password as it was. The
//    rules of user_rules.h are checked and the record written in one transaction frame
//    over SEC, so that two desks cannot together take the full rights from the last
//    users who have them. A rule that does not hold is said on the form's message line
//    and nothing is written.
//  - SM_PAROL: a user changes their own password from the login window: the code, the
//    old password, the new one twice. A code and old password that do not match a user
//    end it at once (the login window says so and counts it as a wrong try); a new
//    password that breaks a rule is said on its message line and can be typed again.
#pragma once

#include <cstdint>

void SEC_TAB();
void UPDATESEC();

namespace kw::shell {

enum class PasswordChange {
    Changed,    // the new password is stored
    Refused,    // the code and the old password do not match a user
    Cancelled,  // closed without a change
};

}  // namespace kw::shell

// `code`: what the login window's code entry holds, shown in the window's own entry.
kw::shell::PasswordChange SM_PAROL(uint8_t code);
