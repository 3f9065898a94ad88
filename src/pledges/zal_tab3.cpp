// ZAL_TAB3: the list of the third prolongation: the pledges prolonged twice (state 2).
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TAB3() {
    kw::pledges::runPledgeList({.name = "ZAL_TAB3",
                                .title = kw::W("Третий перезалог"),
                                .filter = "(zal:sost=2)",
                                .prolongations = 2,
                                .form = UPDATEZAL3});
}
