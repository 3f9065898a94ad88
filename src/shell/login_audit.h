// The audit journal's entry for a refused login: the code tried, the desk (host name),
// today's date and the time. The login window and the change of a password write it
// when a code and password do not match a user.
#pragma once

#include <cstdint>
#include <string_view>

namespace kw::shell {

// Appends a "login refused" entry for `code` (0: the code was left empty) to AUD, with
// `noteCp1251` as its text. AUD is opened for the moment (counted) on the calling
// thread and locked while the entry is appended. False when the entry could not be
// written; the file manager has then told the user why. The login's refusal stands
// either way.
bool recordRefusedLogin(uint8_t code, std::string_view noteCp1251);

}  // namespace kw::shell
