#include "cashdesk/day_texts.h"

#include "runtime/codepage.h"
#include "runtime/picture.h"

namespace kw::cashdesk {

std::string dayAlreadyOpenText() {
    return W("День ломбарда уже открыт");
}
std::string dayOpenedText() {
    return W("День ломбарда открыт");
}
std::string dayNotOpenText() {
    return W("День ломбарда не открыт");
}
std::string dayClosedText() {
    return W("День ломбарда закрыт");
}
std::string dayReopenedText() {
    return W("День ломбарда аварийно открыт");
}
std::string taskDoneText() {
    return W("Задание выполнено");
}
std::string oldDayText() {
    return W("Это старый день !!!");
}
std::string closingFailedText() {
    return W("Ошибка записи: день не закрыт");
}
std::string reopeningFailedText() {
    return W("Ошибка записи: день не открыт");
}
std::string openingFailedText() {
    return reopeningFailedText();
}

std::string earlierDayOpenText(int32_t day) {
    return W("День ломбарда ") + dateText(day) +
           W(" был открыт и не закрыт:|его приход и расход не вошли ни в одно закрытие.|"
             "Открыть сегодняшний день?");
}

std::string openDayTitle() {
    return W("Открытие рабочего дня ломбарда");
}
std::string closeDayTitle() {
    return W("Закрытие рабочего дня ломбарда");
}
std::string reopenDayTitle() {
    return W("Аврийно открыть день ломбарда");
}
std::string closeBoxTitle() {
    return W("Закрытие дня ломбарда");
}
std::string openBoxTitle() {
    return W("Открытие дня ломбарда");
}
std::string closedDaysTitle() {
    return W("Информация по закрытым дням");
}

std::string dateText(int32_t day) {
    return picture::format(day, "D6");
}

}  // namespace kw::cashdesk
