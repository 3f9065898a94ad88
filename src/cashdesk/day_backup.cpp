#include "cashdesk/day_backup.h"

#include <filesystem>

#include "dictionary/tables.h"
#include "framework/data/backup.h"
#include "framework/data/dct_init.h"
#include "runtime/codepage.h"

namespace kw::cashdesk {

namespace {

constexpr int kDefaultKept = 30;

// The first PRM record into the buffer; false when there is none or it cannot be read.
bool readSettings() {
    PRM = dict::PrmRecord{};
    if (!Relate::PRM || Relate::PRM->Open() != Level::Benign) return false;
    bool found = false;
    if (Access::PRM->UseFile() == Level::Benign && Access::PRM->File->set(0).ok())
        found = Access::PRM->TryNext() == Level::Benign;
    (void)Relate::PRM->Close();  // read only
    return found;
}

std::string trimmed(std::string_view s) {
    std::string out(s);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::string backupFolder() {
    readSettings();
    return cp::toUtf8(trimmed(PRM.BKDIR.view()));
}

int backupsKept() {
    readSettings();
    return PRM.BKKEEP > 0 ? PRM.BKKEEP : kDefaultKept;
}

BackupOutcome takeBackup(bool automatic) {
    BackupOutcome out;
    const std::string folder = backupFolder();
    const int kept = PRM.BKKEEP > 0 ? PRM.BKKEEP : kDefaultKept;
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
        if (why.find("the disk is full") != std::string::npos) why = W("диск с папкой заполнен");
        else if (why.find("no permission") != std::string::npos) why = W("нет прав на запись в папку");
        else if (why.find("keeps them busy") != std::string::npos) why = W("другая касса записывает данные, повторите");
        out.message = W("Резервная копия не сделана: ") + why;
        return out;
    }
    backup::prune(folder, kept);
    out.taken = true;
    out.message = W("Резервная копия сделана: ") + cp::fromUtf8(std::filesystem::path(r.folder).filename().string());
    return out;
}

}  // namespace kw::cashdesk
