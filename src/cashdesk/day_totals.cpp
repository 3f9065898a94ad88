#include "cashdesk/day_totals.h"

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "dictionary/klm.h"
#include "framework/data/dct_init.h"
#include "storage/error_codes.h"

namespace kw::cashdesk {

namespace {

uint32_t g_every = 0;
std::function<void(uint32_t)> g_observer;

}  // namespace

void setPassObserver(uint32_t every, std::function<void(uint32_t)> observer) {
    g_every = observer ? every : 0;
    g_observer = std::move(observer);
}

bool addPledges(DayTotals& t, int32_t today) {
    FileManager* fm = Access::ZAL;
    if (!fm || fm->UseFile(kUseRecord) != Level::Benign) return false;
    // Physical order visits every slot once; a key order could meet a pledge twice
    // when another station changes its key during the pass. Of each pledge only the
    // fields the rules read are copied: the date taken in, and the amounts, event
    // dates and state from S_VID to the end of the record.
    constexpr std::size_t kTail = offsetof(dict::ZalRecord, S_VID);
    constexpr std::size_t kData = offsetof(dict::ZalRecord, DATA);
    static const std::vector<storage::File::Span> wanted = {
        {static_cast<uint16_t>(kData), sizeof(int32_t)},
        {static_cast<uint16_t>(kTail), static_cast<uint16_t>(sizeof(dict::ZalRecord) - kTail)}};
    dict::ZalRecord z;
    auto* into = reinterpret_cast<uint8_t*>(&z);
    uint32_t read = 0;
    const storage::Status s = fm->File->scan(
        [&](const uint8_t* record) {
            std::memcpy(into + kData, record + kData, sizeof(int32_t));
            std::memcpy(into + kTail, record + kTail, sizeof z - kTail);
            addPledge(t, z, today);
            if (g_every != 0 && ++read % g_every == 0) g_observer(read);
        },
        wanted);
    if (s.ok()) return true;
    fm->SetError(1);
    (void)fm->Throw();
    return false;
}

bool addJournal(DayTotals& t, int32_t today) {
    FileManager* fm = Access::KLM;
    if (!fm || fm->UseFile(kUseRecord) != Level::Benign) return false;
    KLM = dict::KlmRecord{};
    KLM.DATA = today;
    storage::File& f = *fm->File;
    storage::Status s = f.setFromBuffer(1);
    while (s.ok()) {
        s = f.next();
        if (!s.ok() || KLM.DATA != today) break;
        addEntry(t, KLM, today);
    }
    if (s.ok() || s.code == storage::kRecordNotAvailable) return true;
    fm->SetError(1);
    (void)fm->Throw();
    return false;
}

}  // namespace kw::cashdesk
