// SIS: the main menu window. Its menu starts every business procedure of the system;
// its status bar shows today's date and whether today's business day is open ("Не
// открыт", "Открыт", "Закрыт", from today's DAY record). A user whose code (KOD) is 5
// or less gets a restricted menu. "Передача на реализацию" (ZAL_TABR) runs on a thread
// of its own; every other item runs its procedure on the menu's thread, which blocks
// the menu until the procedure's window closes. The window opens DAY while it is open.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

void SIS();

namespace kw::shell {

// One numbered entry of the main menu: a menu of the menu bar, or an item with its
// procedure. The number is the item's control number.
struct SisEntry {
    int number = 0;
    bool menu = false;      // a menu of the menu bar, whose items follow it
    std::string text;       // CP1251, with its '&' marker
    std::string procedure;  // "" for menus and for the item that closes the window
    std::size_t stack = 0;  // > 0: runs on a new procedure thread with this stack
};

// The 33 entries in window order.
const std::vector<SisEntry>& sisMenu();

// Numbers of the entries a restricted user cannot use (the menu 23 takes its items 24
// and 25 with it).
const std::vector<int>& restrictedEntries();

// Code of the last user with the restricted menu.
inline constexpr int kRestrictedUpTo = 5;

// The status-bar labels and the day statuses, CP1251.
std::string dateLabel();
std::string dayLabel();
std::string dayNotOpen();
std::string dayOpen();
std::string dayClosed();

// The box shown for a menu item whose procedure is not available yet: its text (the
// caption is the item's text).
std::string notAvailableText();

}  // namespace kw::shell
