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

// The settings' folder and count (the first PRM record; blank and 0 when there is none).
std::string backupFolder();
int backupsKept();

}  // namespace kw::cashdesk
