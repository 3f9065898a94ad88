// ZAL_TAB1: the list of the first prolongation: the pledges still in their first term (state 0).
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TAB1() {
    kw::pledges::runPledgeList({.name = "ZAL_TAB1",
                                .title = kw::W("Первый перезалог"),
                                .filter = "(zal:sost=0)",
                                .form = UPDATEZAL1});
}
