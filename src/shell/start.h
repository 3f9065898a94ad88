// START: the login window. The user types a code and a password (PAROL) and starts the
// main menu SIS on a thread of its own, whose rights follow the code. While SEC holds
// users, only a user's code with that user's password opens the menu (user_check.h);
// three refusals in a row close the window. An empty SEC (a new installation) lets any
// code from 0 to 99 in. The code becomes the user's (KOD) only when the login succeeds,
// so a refused try never changes the user of a menu already open. The window opens DAY,
// KLM, ZAL and SEC while it is open. When the user closes it, KOD, PAROL and MESSAGE_G
// are reset; closed by refused tries, it leaves KOD as it was. "Сменить пароль" lets the
// user of the code typed change their own password (SM_PAROL, users.h); a wrong old
// password there is a wrong try too. Every refusal is recorded in the audit journal.
#pragma once

#include <string>

void START();

namespace kw::shell {

// The login window's title (CP1251, with its trailing blank).
std::string loginTitle();
// What the message line says when the code or the password is wrong (CP1251).
std::string loginRefusedText();
// What the message line says once a password is changed (CP1251).
std::string passwordChangedText();

}  // namespace kw::shell
