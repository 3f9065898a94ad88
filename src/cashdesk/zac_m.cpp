// ZAC_M: the confirmation box before ZAC_D closes and AVA_D reopens the day.
#include "cashdesk/cashdesk.h"
#include "cashdesk/confirm_box.h"
#include "cashdesk/day_texts.h"

uint8_t ZAC_M() {
    return kw::cashdesk::runConfirmBox("ZAC_M", kw::cashdesk::closeBoxTitle());
}
