// The program's auditor: writes one audit-journal entry (table AUD) for every change of
// the data that matters to money or to clients, in the frame of the change itself, so
// that a change that fails leaves no entry and a change is never without one.
//
// What an entry says, by table:
//   ZAL  new pledge; a change of state: prolongation 1-3, redemption, sale, a roll-back
//        to an earlier state (text "состояние N" first), cancelled (6) or deleted as
//        "pledge deleted"; any other change "pledge changed". Key: the ticket number.
//   KLM  journal entry added, changed, deleted. Key: "dd.mm.yyyy #record".
//   DAY  added: day opened; changed into closed totals: day closed; back to open: day
//        re-opened. Key: the day.
//   KBP, PRM, PSK  settings changed; KBP's running cash counters (KAS_P, KAS_R) alone
//        are not: the journal entry or the closing that moves them has its entry.
//   MET, PRB, KAM, IZD, PKL  reference changed. Key: the first key's values.
//   SEC  user added, changed, deleted; a password never appears, a changed one shows
//        as "пароль изменён". Key: the user's code.
// The text of a change lists the fields that differ, "FIELD: before -> after; ..."; of
// an insert or a delete, the record's values that are not empty.
// Each entry carries the date and time, the logged-in user's code (shell's KOD) and
// name (from SEC), and the desk's host name.
#pragma once

#include <cstdint>
#include <string>

#include "framework/data/audit.h"
#include "framework/data/write_observer.h"

namespace kw::cashdesk {

// The entries of a frame are kept back until it commits and then appended as its last
// writes, the last of them carrying the frame's decision: an audited change waits for
// one write to the disk more than a plain one, not for two.
class Auditor : public WriteObserver {
  public:
    bool Observes(const storage::TableDecl& table) override;
    storage::File* Companion() override;
    storage::Status Written(const WriteNotice& notice) override;
    storage::Status Committing(bool mayCommit, bool& committed) override;
    void Forget() override;

    // The entry a write gives; false when it gives none.
    static bool classify(const WriteNotice& notice, audit::Entry& entry);
};

// Installs the program's auditor as the write observer (once per process; again after
// removeAuditor), and takes it off.
void installAuditor();
void removeAuditor();

}  // namespace kw::cashdesk
