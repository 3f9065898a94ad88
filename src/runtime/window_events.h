// The numbers of the window engine's events, key codes and cursors. Procedures compare
// these numbers, and the window framework names them in its handlers, so they are fixed.
#pragma once

#include <cstdint>

namespace kw::ui {

namespace ev {
// Field events: they concern one control.
constexpr int Accepted = 1;       // an entry was completed, a button or menu item pressed
constexpr int NewSelection = 2;   // a list's highlight, an option's choice or a sheet's tab changed
constexpr int ScrollUp = 3;       // list: one row up past the top of the page
constexpr int ScrollDown = 4;     // list: one row down past the bottom of the page
constexpr int PageUp = 5;
constexpr int PageDown = 6;
constexpr int ScrollTop = 7;      // list: first row
constexpr int ScrollBottom = 8;   // list: last row
constexpr int Locate = 9;         // list: a locator asks to find a value
constexpr int AlertKey = 15;      // a key registered with alert() was pressed (keyCode())
constexpr int ScrollDrag = 20;    // list: thumb dragged to thumbPosition() (0..100)
constexpr int Rejected = 26;      // typed text does not fit the control's picture or variable
constexpr int Selected = 257;     // a control got the focus
// Window events: they concern the window (field() is 0).
constexpr int CloseWindow = 0x201;  // close box, Esc, or a procedure asking to close
constexpr int CloseDown = 0x202;    // the program is ending
constexpr int OpenWindow = 0x203;   // first event of every window
constexpr int GainFocus = 0x205;    // the window became usable or active again
constexpr int Sized = 0x206;        // the window's size changed
constexpr int Timer = 0x20B;        // the window's timer ran out (setTimer)
constexpr int Completed = 0x225;    // posted by select-all after every entry passed
constexpr int Shown = 0x231;        // the window was shown (first after opening, then when re-shown)

constexpr bool isFieldEvent(int e) { return e > 0 && e < 0x200; }
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

constexpr int CtrlEnter = Ctrl | Enter;             // 525
constexpr int ShiftEnter = Shift | Enter;           // 269
constexpr int CtrlApostrophe = Ctrl | Apostrophe;   // 734
}  // namespace key

namespace cursor {
constexpr uint32_t Normal = 0;
constexpr uint32_t Wait = 0x7F0301FF;  // bytes FF 01 03 7F: the busy cursor
}  // namespace cursor

}  // namespace kw::ui
