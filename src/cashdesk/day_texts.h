// The texts of the business-day windows, CP1251. The messages that name the pawnshop
// have fixed lengths: "День ломбарда уже открыт" 24 characters, "День ломбарда открыт"
// and "День ломбарда закрыт" 20, "День ломбарда не открыт" 23, "День ломбарда
// аварийно открыт" 29.
#pragma once

#include <cstdint>
#include <string>

namespace kw::cashdesk {

std::string dayAlreadyOpenText();
std::string dayOpenedText();
std::string dayNotOpenText();
std::string dayClosedText();
std::string dayReopenedText();
std::string taskDoneText();  // "Задание выполнено"
std::string oldDayText();    // "Это старый день !!!"
// A write of the closing or the reopening failed: nothing was closed (reopened).
std::string closingFailedText();
std::string reopeningFailedText();
std::string openingFailedText();
// The warning of O_DAY when the day before today's opening was opened and never
// closed (`day` its date).
std::string earlierDayOpenText(int32_t day);

// Window titles.
std::string openDayTitle();   // O_DAY
std::string closeDayTitle();  // ZAC_D
std::string reopenDayTitle();  // AVA_D: "Аврийно открыть день ломбарда", spelled so
std::string closeBoxTitle();    // ZAC_M
std::string openBoxTitle();     // OTK_M
std::string closedDaysTitle();  // DAY_TAB

// A date as "D6" shows it: dd.mm.yyyy.
std::string dateText(int32_t day);

}  // namespace kw::cashdesk
