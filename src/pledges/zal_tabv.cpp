// ZAL_TABV: the list of the redemption: every pledge still open (states 0 to 3).
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TABV() {
    kw::pledges::runPledgeList({.name = "ZAL_TABV",
                                .title = kw::W("Выкуп заложенной вещи"),
                                .filter = "(zal:sost<=3)",
                                .prolongations = 3,
                                .form = UPDATEZALW});
}
