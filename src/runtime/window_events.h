// The numbers of the window engine's events, key codes and cursors. Procedures compare
// these numbers, and the window framework names them in its handlers, so they are fixed.
#pragma once

#include <cstdint>

namespace kw::ui {

namespace ev {
// Field events: they concern one control.
constexpr int Accepted = 1;      // an entry was completed, a button or menu item pressed
constexpr int NewSelection = 2;  // a list's highlight, an option's choice or a sheet's tab changed
constexpr int ScrollUp = 3;      // list: one row up past the top of the page
constexpr int ScrollDown = 4;    // list: one row down past the bottom of the page
constexpr int PageUp = 5;
constexpr int PageDown = 6;
constexpr int ScrollTop = 7;     // list: first row
constexpr int ScrollBottom = 8;  // list: last row
constexpr int Locate = 9;        // list: a locator asks to find a value
constexpr int AlertKey = 15;     // a key registered with alert() was pressed (keyCode())
constexpr int ScrollDrag = 20;   // list: thumb dragged to thumbPosition() (0..100)
constexpr int Rejected = 26;     // typed text does not fit the control's picture or variable
constexpr int Selected = 257;    // a control got the focus
// Window events: they concern the window (field() is 0).
constexpr int CloseWindow = 0x201;  // close box, Esc, or a procedure asking to close
constexpr int CloseDown = 0x202;    // the program is ending
constexpr int OpenWindow = 0x203;   // first event of every window
constexpr int GainFocus = 0x205;    // the window became usable or active again
constexpr int Sized = 0x206;        // the window's size changed
constexpr int Timer = 0x20B;        // the window's timer ran out (setTimer)
constexpr int Completed = 0x225;    // posted by select-all after every entry passed
constexpr int Shown = 0x231;  // the window was shown (first after opening, then when re-shown)

constexpr bool isFieldEvent(int e) {
    return e > 0 && e < 0x200;
}
}  // namespace ev

// Key codes: the key's code (letters and digits by their capital ASCII code) plus
// modifier bits.
namespace key {
constexpr int Shift = 0x100;
constexpr int Ctrl = 0x200;
constexpr int Alt = 0x400;

constexpr int DoubleClick = 5;   // left mouse button, twice
constexpr int RightClick = 130;  // right mouse button
constexpr int Backspace = 8;
constexpr int Tab = 9;
constexpr int Enter = 13;
constexpr int Esc = 27;
constexpr int Space = 32;
constexpr int PgUp = 33;
constexpr int PgDn = 34;
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Insert = 45;
constexpr int Delete = 46;
constexpr int F1 = 112;
constexpr int Apostrophe = 222;

// Letters of code page 1251 beyond ASCII (the Cyrillic alphabet): Cyrillic plus the
// CP1251 code of the capital letter (А..Я 0xC0..0xDF, Ё 0xA8), with Shift for a capital
// as with the Latin letters. The bit lies above the modifiers, so these codes never
// meet the codes of other keys (0xDE, the apostrophe key, is also the code of Ю).
constexpr int Cyrillic = 0x800;

constexpr int CtrlEnter = Ctrl | Enter;            // 525
constexpr int ShiftEnter = Shift | Enter;          // 269
constexpr int CtrlApostrophe = Ctrl | Apostrophe;  // 734
// Whether a CP1251 byte is a capital Cyrillic letter with a key code of its own.
constexpr bool isCyrillicCapital(unsigned char c) {
    return (c >= 0xC0 && c <= 0xDF) || c == 0xA8;
}

// The character (CP1251) a key code types: Latin and Cyrillic letters (lower case, upper
// case with Shift), digits of the main row and of the keypad, the space bar; 0 for a key
// that types none (also with Ctrl or Alt).
constexpr char charOf(int code) {
    if (code & (Ctrl | Alt)) return 0;
    const bool shift = code & Shift;
    const int k = code & 0xFF;
    if (code & Cyrillic) {
        if (!isCyrillicCapital(static_cast<unsigned char>(k))) return 0;
        if (shift) return static_cast<char>(k);
        return static_cast<char>(k == 0xA8 ? 0xB8 : k + 0x20);
    }
    if (k >= 'A' && k <= 'Z') return static_cast<char>(shift ? k : k + ('a' - 'A'));
    if (shift) return 0;
    if (k >= '0' && k <= '9') return static_cast<char>(k);
    if (k >= 96 && k <= 105) return static_cast<char>('0' + (k - 96));  // numeric keypad
    if (k == Space) return ' ';
    return 0;
}

// The key code that types the CP1251 character `c` (the inverse of charOf: letters,
// main-row digits, space); 0 for a character no single key types.
constexpr int ofChar(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - ('a' - 'A');
    if (c >= 'A' && c <= 'Z') return Shift | c;
    if (c >= '0' && c <= '9') return c;
    if (c == ' ') return Space;
    if (isCyrillicCapital(c)) return Cyrillic | Shift | c;
    if (c >= 0xE0) return Cyrillic | (c - 0x20);
    if (c == 0xB8) return Cyrillic | 0xA8;
    return 0;
}

}  // namespace key

namespace cursor {
constexpr uint32_t Normal = 0;
constexpr uint32_t Wait = 0x7F0301FF;  // bytes FF 01 03 7F: the busy cursor
}  // namespace cursor

}  // namespace kw::ui
