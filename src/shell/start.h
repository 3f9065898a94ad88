// START: the login window. The user types a code (KOD) and a password (PAROL) and starts
// the main menu SIS on a thread of its own; neither is checked against SEC, and any code
// from 0 to 99 opens the menu, whose rights follow the code. The window opens DAY, KLM
// and ZAL while it is open. When it closes, KOD, PAROL and MESSAGE_G are reset.
#pragma once

#include <string>

void START();

namespace kw::shell {

// The login window's title (CP1251, with its trailing blank).
std::string loginTitle();

}  // namespace kw::shell
