// ZAL_TABR: the pledges forfeited for sale: still open, and more than 30 days past the
// end of the term and of every prolongation period (a zero date is day 0, always far
// enough in the past). The main menu runs it on a procedure thread of its own, so it
// works on record buffers of its own.
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_TABR() {
    kw::pledges::runPledgeList(
        {.name = "ZAL_TABR",
         .title = kw::W("Передача заложенной вещи на реализацию"),
         .filter = "((today()-zal:data_k)>30  and  (today()-zal:data_p12)>30 and "
                   "(today()-zal:data_p22)>30 and (today()-zal:data_p32)>30 and zal:sost<4)",
         .prolongations = 3,
         .form = UPDATEZALR});
}
