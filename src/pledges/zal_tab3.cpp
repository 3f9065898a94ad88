// ZAL_TAB3: the list of the third prolongation: the pledges prolonged twice (state 2).
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TAB3() {
    kw::pledges::runPledgeList(
        {"ZAL_TAB3", kw::W("Третий перезалог"), 1, "(zal:sost=2)", kw::pledges::ListKind::Operation, 2, false, UPDATEZAL3});
}
