// The pawnshop's backups from the program: into the folder of the settings PRM, the
// newest ones kept (PRM:BKKEEP, 30 when 0), after each closing of the day and on
// demand (REZ_KOP). The copy itself: framework/data/backup.h.
#pragma once

#include <string>

namespace kw::cashdesk {

struct BackupOutcome {
    bool taken = false;
    std::string message;  // code page 1251, for a message line or box; "" when nothing to say
};

// Takes a backup into the settings' folder. `automatic` (after a closing): a blank
// folder means no backup and nothing to say. A folder that is missing (a drive not
// plugged in), full or not writable is said, and nothing else changes.
BackupOutcome takeBackup(bool automatic);

// The settings' folder (UTF-8; "" when none is set) and how many backups are kept (30
// when PRM says 0), from the first PRM record.
struct BackupSettings {
    std::string folder;
    int kept = 0;
};
BackupSettings backupSettings();

}  // namespace kw::cashdesk
