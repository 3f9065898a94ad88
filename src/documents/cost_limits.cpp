#include "documents/cost_limits.h"

#include <filesystem>

#include "framework/data/dct_init.h"

namespace kw::documents {

std::vector<dict::PskRecord> allCostLimits() {
    std::vector<dict::PskRecord> rows;
    const dict::PskRecord kept = PSK;
    // No file, no limit: the table is not made here, where a full disk would stop an OK
    // that has nothing to do with limits (the settings window makes it).
    std::error_code ec;
    if (!Relate::PSK || !Access::PSK || !Access::PSK->File ||
        !std::filesystem::exists(Access::PSK->File->dataPath(), ec))
        return rows;
    if (Relate::PSK->Open() != Level::Benign) return rows;
    if (Access::PSK->UseFile() == Level::Benign && Access::PSK->File->set(0).ok())
        while (Access::PSK->TryNext() == Level::Benign) rows.push_back(PSK);
    (void)Relate::PSK->Close();
    PSK = kept;
    return rows;
}

CostLimit costLimitOn(int32_t date) {
    return costLimitOn(allCostLimits(), date);
}

}  // namespace kw::documents
