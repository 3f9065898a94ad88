// AVA_D: emergency reopening of the business day. The same window of today's totals
// as ZAC_D; "Открыть ???" (confirmed in ZAC_M) clears the totals of today's closed
// record and gives KBP back the morning's opening balance, so the day's movements are
// counted once at its next closing.
#include <cstring>

#include "cashdesk/cashdesk.h"
#include "cashdesk/day_texts.h"
#include "cashdesk/day_totals_window.h"
#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "shell/day_state.h"
#include "shell/globals.h"

namespace {

class ThisWindowClass : public kw::cashdesk::DayTotalsWindow {
  public:
    ThisWindowClass()
        : DayTotalsWindow("AVA_D", kw::cashdesk::reopenDayTitle(), kw::W("Открыть ???"), "s40") {}

  protected:
    void Request() override {
        if (kw::shell::todayState() == kw::shell::DayState::NotOpen)
            MESSAGE.assign(kw::cashdesk::dayNotOpenText());
        I_Z = 0;
        I_AZ = 1;
    }
    bool Requested() const override { return I_AZ == 1; }
    void Cancelled() override { I_AZ = 0; }

    // A closed day, one zero total or none, is reopened.
    void Act() override {
        if (I_AZ != 1) return;
        if (kw::shell::dayState(DATA_T) != kw::shell::DayState::Closed) return;
        kw::dict::KbpRecord saved;
        std::memcpy(&saved, &KBP, sizeof saved);
        KBP.KAS_N = DAY.KAS_N;
        KBP.KAS_P = 0;
        DAY.DATA = DATA_T;
        DAY.OBO = 0;
        DAY.KAS = 0;
        DAY.PRIB = 0;
        const bool written = writeSettingsThenDay(&saved);
        MESSAGE.assign(written ? kw::cashdesk::dayReopenedText()
                               : kw::cashdesk::reopeningFailedText());
        I_AZ = 0;
    }

    void Closing() override { I_AZ = 0; }
};

}  // namespace

void AVA_D() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
