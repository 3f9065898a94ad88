#include "cashdesk/settings_record.h"

#include "dictionary/tables.h"
#include "framework/data/dct_init.h"

namespace kw::cashdesk {

bool readSettings() {
    FileManager* fm = Access::KBP;
    if (fm && fm->UseFile(kUseRecord) == Level::Benign && fm->File->set(0).ok() && fm->TryNext() == Level::Benign)
        return true;
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
