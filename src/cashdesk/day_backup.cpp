#include "cashdesk/day_backup.h"

#include <filesystem>

#include "cashdesk/settings_record.h"
#include "dictionary/tables.h"
#include "framework/data/backup.h"
#include "framework/data/dct_init.h"
#include "runtime/codepage.h"

namespace kw::cashdesk {

namespace {

constexpr int kDefaultKept = 30;

}  // namespace

BackupSettings backupSettings() {
    PRM = dict::PrmRecord{};
    if (Relate::PRM && Relate::PRM->Open() == Level::Benign) {
        if (!readFirstRecord(Access::PRM)) PRM = dict::PrmRecord{};
        (void)Relate::PRM->Close();  // read only
    }
    return {cp::toUtf8(PRM.BKDIR.clip()), PRM.BKKEEP > 0 ? PRM.BKKEEP : kDefaultKept};
}

BackupOutcome takeBackup(bool automatic) {
    BackupOutcome out;
    const BackupSettings settings = backupSettings();
    const std::string& folder = settings.folder;
    if (folder.empty()) {
        if (!automatic) out.message = W("Не задана папка для резервных копий");
        return out;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        out.message = W("Резервная копия не сделана: нет папки ") + cp::fromUtf8(folder);
        return out;
    }
    const backup::Result r = backup::take(folder);
    if (!r.ok) {
        std::string why = r.problem;
        if (why.find("the disk is full") != std::string::npos)
            why = W("диск с папкой заполнен");
        else if (why.find("no permission") != std::string::npos)
            why = W("нет прав на запись в папку");
        else if (why.find("keeps them busy") != std::string::npos)
            why = W("другая касса записывает данные, повторите");
        out.message = W("Резервная копия не сделана: ") + why;
        return out;
    }
    backup::prune(folder, settings.kept);
    out.taken = true;
    out.message = W("Резервная копия сделана: ") +
                  cp::fromUtf8(std::filesystem::path(r.folder).filename().string());
    return out;
}

}  // namespace kw::cashdesk
