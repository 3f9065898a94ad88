// MAIN: the application frame. It lives from start-up to shut-down and offers only the
// printer set-up, the exit and the login window; closing it ends the program.
#pragma once

#include <string>

// Opens the frame and runs it until it closes; its result goes to GlobalResponse.
// Before it returns every other window of the program is closed and every other
// procedure thread has ended, so that the shut-down can tear the tables down. Returns
// at once when the frame cannot be opened (no window back end).
void MAIN();

namespace kw::shell {

// The system's name: the title of the frame and of the main menu, CP1251.
std::string frameTitle();

// Asks every open window of the other procedure threads to close down (once each) and
// waits until every procedure thread but the caller's has ended. Windows that open
// meanwhile are asked too.
void closeOtherProcedures();

}  // namespace kw::shell
