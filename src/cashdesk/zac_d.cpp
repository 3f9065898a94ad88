// ZAC_D: closing the business day. The window shows today's totals; "Закрыть ???"
// (confirmed in ZAC_M) stores them in today's DAY record and carries the closing
// balance over to KBP for the next opening. A day already closed (either total
// non-zero) is not touched.
#include <cstring>

#include "cashdesk/cashdesk.h"
#include "cashdesk/day_backup.h"
#include "cashdesk/day_texts.h"
#include "cashdesk/day_totals_window.h"
#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "shell/day_state.h"
#include "shell/globals.h"

namespace {

class ThisWindowClass : public kw::cashdesk::DayTotalsWindow {
  public:
    ThisWindowClass()
        : DayTotalsWindow("ZAC_D", kw::cashdesk::closeDayTitle(), kw::W("Закрыть ???"), "s30") {}

  protected:
    void Request() override {
        if (kw::shell::todayState() == kw::shell::DayState::NotOpen)
            MESSAGE.assign(kw::cashdesk::dayNotOpenText());
        I_Z = 1;
    }
    bool Requested() const override { return I_Z == 1; }
    void Cancelled() override { I_Z = 0; }

    // Today's record is in DAY, the settings in KBP.
    void Act() override {
        if (I_Z != 1) return;
        if (kw::shell::dayState(DATA_T) != kw::shell::DayState::Open) return;
        kw::dict::KbpRecord saved;
        std::memcpy(&saved, &KBP, sizeof saved);
        KBP.KAS_N = TEK_O;
        KBP.KAS_P = TEK_O;
        DAY.DATA = DATA_T;
        DAY.OBO = OBO;
        DAY.KAS = TEK_O;
        DAY.PRIB = PRIBI;
        const bool written = writeSettingsThenDay(&saved);
        MESSAGE.assign(written ? kw::cashdesk::dayClosedText() : kw::cashdesk::closingFailedText());
        I_Z = 0;
        backupDue_ = written;
    }

    // The closed day's backup, into the settings' folder, once the other desks may work
    // again. A folder that is missing, full or not writable is said; the day stays
    // closed whatever the backup answers.
    void Acted() override {
        if (!backupDue_) return;
        backupDue_ = false;
        const kw::cashdesk::BackupOutcome b = kw::cashdesk::takeBackup(true);
        if (!b.taken && !b.message.empty())
            kw::msgbox::show(b.message, kw::cashdesk::closeDayTitle(),
                             kw::msgbox::Icon::Exclamation, kw::msgbox::Ok);
    }

    void Closing() override { I_Z = 0; }

  private:
    bool backupDue_ = false;
};

}  // namespace

void ZAC_D() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
