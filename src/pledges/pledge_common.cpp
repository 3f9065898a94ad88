#include "pledges/pledge_common.h"

#include <cstring>

#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "shell/globals.h"

namespace kw::pledges {

void readSettings() {
    if (Access::KBP && Access::KBP->File && Access::KBP->File->set(0).ok() &&
        Access::KBP->TryNext() == Level::Benign)
        return;
    KBP = dict::KbpRecord{};
}

void fillOperator(FixedString<25>& name) {
    name.clear();
    if (ZAL.OPER == 0) ZAL.OPER = KOD;
    SEC.K_POL = ZAL.OPER;
    if (Access::SEC && Access::SEC->TryFetch(dict::secTable().keys[0]) == Level::Benign)
        name = SEC.FIO;
}

namespace {

// ZAL's buffer, current record and place, given back when the look-up is done. The
// record is not read again: a change written afterwards is still checked against the
// copy first read (a fresh read would hide another desk's change made meanwhile), and
// on a server a read is a round trip at every number looked up.
class KeepZal {
  public:
    KeepZal() : saved_(ZAL), state_(Access::ZAL->File->saveState()) {}
    ~KeepZal() {
        storage::File& f = *Access::ZAL->File;
        (void)f.restoreState(state_);
        f.freeState(state_);
        ZAL = saved_;
    }
    KeepZal(const KeepZal&) = delete;
    KeepZal& operator=(const KeepZal&) = delete;

  private:
    dict::ZalRecord saved_;
    int state_;
};

bool heldByOther(int32_t number, uint32_t self) {
    ZAL.N_KV = number;
    storage::File& f = *Access::ZAL->File;
    if (!f.setFromBuffer(1).ok()) return false;
    while (f.next().ok() && ZAL.N_KV == number)
        if (f.currentRecord() != self) return true;
    return false;
}

}  // namespace

int32_t nextTicketNumber() {
    uint32_t count = 0;
    (void)Access::ZAL->File->records(count);
    KeepZal keep;
    int32_t n = KBP.S_N + static_cast<int32_t>(count) + 1;
    while (heldByOther(n, 0)) ++n;
    return n;
}

bool ticketNumberTaken(bool changing) {
    if (changing) {
        bool taken = false;
        return Access::ZAL->File->duplicate(1, taken).ok() && taken;
    }
    const int32_t number = ZAL.N_KV;
    KeepZal keep;
    return heldByOther(number, 0);
}

FixedString<15> stoneName(uint8_t code) {
    FixedString<15> name;
    KAM.KOD = code;
    if (Access::KAM && Access::KAM->TryFetch(dict::kamTable().keys[0]) == Level::Benign)
        name = KAM.NAME;
    return name;
}

}  // namespace kw::pledges
