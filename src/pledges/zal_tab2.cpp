// ZAL_TAB2: the list of the second prolongation: the pledges prolonged once (state 1).
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TAB2() {
    kw::pledges::runPledgeList(
        {"ZAL_TAB2", kw::W("Второй перезалог"), 1, "(zal:sost=1)", kw::pledges::ListKind::Operation, 1, false, UPDATEZAL2});
}
