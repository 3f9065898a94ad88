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

namespace {

template <class T>
storage::File::Span spanOf(std::size_t offset) {
    return {static_cast<uint16_t>(offset), static_cast<uint16_t>(sizeof(T))};
}

// The fields of a pledge that addPledge reads: the state, the sum paid out, the dates of
// issue, of the prolongations and of the redemption, and what each of these received.
// On the server each is a column sent for every pledge, so the pass asks for no other.
const std::vector<storage::File::Span>& pledgeFieldsRead() {
    using Z = dict::ZalRecord;
    static const std::vector<storage::File::Span> spans = {
        spanOf<uint8_t>(offsetof(Z, SOST)),
        spanOf<double>(offsetof(Z, S_VID)),
        spanOf<int32_t>(offsetof(Z, DATA)),
        // DATA_PRk and S_STk lie together, and so do S_P_Ck and S_P_Xk.
        {static_cast<uint16_t>(offsetof(Z, DATA_PR1)), sizeof(int32_t) + sizeof(double)},
        {static_cast<uint16_t>(offsetof(Z, S_P_C1)), 2 * sizeof(double)},
        {static_cast<uint16_t>(offsetof(Z, DATA_PR2)), sizeof(int32_t) + sizeof(double)},
        {static_cast<uint16_t>(offsetof(Z, S_P_C2)), 2 * sizeof(double)},
        {static_cast<uint16_t>(offsetof(Z, DATA_PR3)), sizeof(int32_t) + sizeof(double)},
        {static_cast<uint16_t>(offsetof(Z, S_P_C3)), 2 * sizeof(double)},
        spanOf<int32_t>(offsetof(Z, DATA_PRW)),
        spanOf<double>(offsetof(Z, S_W)),
    };
    return spans;
}

static_assert(offsetof(dict::ZalRecord, S_ST1) == offsetof(dict::ZalRecord, DATA_PR1) + 4);
static_assert(offsetof(dict::ZalRecord, S_P_X1) == offsetof(dict::ZalRecord, S_P_C1) + 8);
static_assert(offsetof(dict::ZalRecord, S_ST2) == offsetof(dict::ZalRecord, DATA_PR2) + 4);
static_assert(offsetof(dict::ZalRecord, S_P_X2) == offsetof(dict::ZalRecord, S_P_C2) + 8);
static_assert(offsetof(dict::ZalRecord, S_ST3) == offsetof(dict::ZalRecord, DATA_PR3) + 4);
static_assert(offsetof(dict::ZalRecord, S_P_X3) == offsetof(dict::ZalRecord, S_P_C3) + 8);

// The pledges added up by the back end (the server sends only the sums). Nothing when it
// cannot (the flat files), when a test watches the pass, or when a sum runs past the
// largest amount a pass keeps in kopecks (no pawnshop's day does): the pass then reads
// the pledges itself. True with the back end's answer in `s` otherwise.
bool summedByBackEnd(FileManager& fm, DayTotals& t, int32_t today, storage::Status& s) {
    if (g_every != 0) return false;
    std::vector<int64_t> sums;
    s = fm.File->sumKopecks(pledgeSumTerms(today), sums);
    if (s.code == storage::kUnsupportedFunction) return false;
    if (!s.ok()) return true;
    constexpr int64_t kLargest = 9'000'000'000'000'000;  // 9e13 roubles, as money keeps them
    for (int64_t k : sums)
        if (k >= kLargest || k <= -kLargest) return false;
    addPledgeSums(t, sums);
    return true;
}

}  // namespace

bool addPledges(DayTotals& t, int32_t today) {
    FileManager* fm = Access::ZAL;
    if (!fm || fm->UseFile(kUseRecord) != Level::Benign) return false;
    // Physical order visits every slot once; a key order could meet a pledge twice
    // when another station changes its key during the pass. Of each pledge only the
    // fields the rules read are copied.
    // They all lie in the date taken in and from S_VID to the end of the record: two
    // copies take them (the bytes between are of fields addPledge does not read).
    constexpr std::size_t kTail = offsetof(dict::ZalRecord, S_VID);
    constexpr std::size_t kData = offsetof(dict::ZalRecord, DATA);
    dict::ZalRecord z;
    auto* into = reinterpret_cast<uint8_t*>(&z);
    uint32_t read = 0;
    storage::Status s;
    if (!summedByBackEnd(*fm, t, today, s))
        s = fm->File->scan(
            [&](const uint8_t* record) {
                std::memcpy(into + kData, record + kData, sizeof(int32_t));
                std::memcpy(into + kTail, record + kTail, sizeof z - kTail);
                addPledge(t, z, today);
                if (g_every != 0 && ++read % g_every == 0) g_observer(read);
            },
            pledgeFieldsRead());
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
