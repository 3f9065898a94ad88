#include "cashdesk/settings_record.h"

#include "dictionary/tables.h"
#include "framework/data/dct_init.h"

namespace kw::cashdesk {

bool readFirstRecord(FileManager* fm) {
    return fm && fm->UseFile(kUseRecord) == Level::Benign && fm->File->set(0).ok() &&
           fm->TryNext() == Level::Benign;
}

bool readSettings() {
    if (readFirstRecord(Access::KBP)) return true;
    KBP = dict::KbpRecord{};
    return false;
}

std::string operatorName(int code) {
    FileManager* fm = Access::SEC;
    if (!fm) return std::string();
    SEC.K_POL = static_cast<uint8_t>(code);
    if (fm->TryFetch(dict::secTable().keys[0]) != Level::Benign) return std::string();
    return SEC.FIO.clip();
}

}  // namespace kw::cashdesk
