#include "documents/cost_limits.h"

#include <filesystem>

#include "framework/data/dct_init.h"
#include "storage/error_codes.h"

namespace kw::documents {

namespace {

// Whether the table is there to read. A data file on the disk answers at once; without
// one the table may still be kept by another back end (a server), which an open asks.
bool tableThere(storage::File& f) {
    std::error_code ec;
    if (f.isOpen() || std::filesystem::exists(f.dataPath(), ec)) return true;
    const storage::Status st = f.open(storage::kAccessRead | storage::kDenyNone);
    if (!st.ok()) return st.code != storage::kFileNotFound && st.code != storage::kPathNotFound;
    (void)f.close();
    return true;
}

}  // namespace

std::vector<dict::PskRecord> allCostLimits() {
    std::vector<dict::PskRecord> rows;
    const dict::PskRecord kept = PSK;
    // No table, no limit: the table is not made here, where a full disk would stop an OK
    // that has nothing to do with limits (the settings window makes it).
    if (!Relate::PSK || !Access::PSK || !Access::PSK->File || !tableThere(*Access::PSK->File))
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
