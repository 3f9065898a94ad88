// The confirmation box of the business-day windows (ZAC_M, OTK_M): the text "Для
// выполнения задания нажмите ОК" and two buttons, "OK" in Latin letters and "ОК" in
// Cyrillic ones, so that the operator may press either. Its primary table is KBP and
// it is run without a request, so it writes nothing itself.
#pragma once

#include <cstdint>
#include <string>

namespace kw::cashdesk {

// Runs the box titled `title` (CP1251) as procedure `name`: 1 (completed) when either
// OK was pressed, 2 when the box was closed otherwise (close box, Esc).
uint8_t runConfirmBox(const char* name, std::string title);

enum ConfirmControl : int { kConfirmText = 1, kConfirmLatinOk, kConfirmCyrillicOk };

}  // namespace kw::cashdesk
