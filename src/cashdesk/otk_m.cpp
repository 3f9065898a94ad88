// OTK_M: the confirmation box before O_DAY opens the day.
#include "cashdesk/cashdesk.h"
#include "cashdesk/confirm_box.h"
#include "cashdesk/day_texts.h"

uint8_t OTK_M() {
    return kw::cashdesk::runConfirmBox("OTK_M", kw::cashdesk::openBoxTitle());
}
