// The rules every write of a user (SEC) keeps, whether from the users' window or from
// the change of a password at the login: a password of up to 10 characters (its
// entry's width), typed twice alike, not blank, and no other user's (SEC:PAROL_KEY is
// unique and ignores letter case, so "abc" and "ABC" count as one); a code from 1 to 99
// and no other user's; and while users exist, at least one of them has the full rights
// (code above 5), so that somebody can still manage them.
//
// Each check reads SEC through Access::SEC, which the caller has opened on its thread,
// and leaves the thread's SEC record and the file's position as they were, so a form
// can check before it writes the record in hand. The texts are CP1251, "" when the rule
// holds.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/fixed_string.h"

namespace kw::shell {

// No user: the code of a user who is not in SEC (a new one).
inline constexpr int kNoUser = -1;

// A new password as typed twice: not blank, the second the same as the first.
std::string newPasswordProblem(const FixedString<10>& first, const FixedString<10>& again);

// `password` belongs to a user other than the one of code `self`.
std::string passwordTakenProblem(const FixedString<10>& password, int self);

// `code` may be given to the user now of code `self` (kNoUser: a new user).
std::string codeProblem(int code, int self);

// The user of code `self` (kNoUser: none yet) is about to have code `code` (kNoUser:
// is deleted): at least one user with the full rights must remain.
std::string fullRightsProblem(int self, int code);

// Whether SEC holds a user of code `code` whose password is `password` (trailing
// blanks aside, letter case kept). No user of that code: false.
bool passwordMatches(uint8_t code, const FixedString<10>& password);

}  // namespace kw::shell
