// ZAL_TAB1: the list of the first prolongation: the pledges still in their first term (state 0).
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TAB1() {
    kw::pledges::runPledgeList(
        {"ZAL_TAB1", kw::W("Первый перезалог"), 1, "(zal:sost=0)", kw::pledges::ListKind::Operation, 0, false, UPDATEZAL1});
}
