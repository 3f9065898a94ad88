// ZAL_TABV: the list of the redemption: every pledge still open (states 0 to 3).
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TABV() {
    kw::pledges::runPledgeList(
        {"ZAL_TABV", kw::W("Выкуп заложенной вещи"), 1, "(zal:sost<=3)", kw::pledges::ListKind::Operation, 3, false, UPDATEZALW});
}
