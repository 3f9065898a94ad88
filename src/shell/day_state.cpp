#include "shell/day_state.h"

#include "dictionary/day.h"
#include "framework/data/dct_init.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "runtime/real.h"

namespace kw::shell {

DayState dayState(int32_t date) {
    DAY.DATA = date;
    if (!Access::DAY || Access::DAY->TryFetch(dict::dayTable().keys[0]) != Level::Benign) {
        DAY = dict::DayRecord{};
        DAY.DATA = date;
        return DayState::NotOpen;
    }
    return real::isZero(DAY.KAS) && real::isZero(DAY.OBO) ? DayState::Open : DayState::Closed;
}

DayState todayState() {
    return dayState(clock::today());
}

bool todayOpenForOperations(std::string_view caption) {
    switch (todayState()) {
        case DayState::Open:
            return true;
        case DayState::NotOpen:
            msgbox::show(W("День ломбарда не открыт"), caption, msgbox::Icon::Exclamation,
                         msgbox::Ok);
            return false;
        case DayState::Closed:
            msgbox::show(W("День ломбарда закрыт"), caption, msgbox::Icon::Exclamation, msgbox::Ok);
            return false;
    }
    return false;
}

}  // namespace kw::shell
