// ZAL_TAB2: the list of the second prolongation: the pledges prolonged once (state 1).
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TAB2() {
    kw::pledges::runPledgeList({.name = "ZAL_TAB2",
                                .title = kw::W("Второй перезалог"),
                                .filter = "(zal:sost=1)",
                                .prolongations = 1,
                                .form = UPDATEZAL2});
}
