// ZAL_SP: the pledges in the state asked for in SPR (SP_IND 0 to 5), or, for 6, the
// overdue ones: still open and past the end of the term and of every prolongation.
// Any other value shows nothing; a cancelled pledge (state 6) fails both branches.
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

void ZAL_SP() {
    kw::pledges::runPledgeList(
        {.name = "ZAL_SP",
         .title = kw::W("Справка по состоянию ссуд"),
         .filter = "((zal:sost=sp_ind and sp_ind<=5) or (sp_ind=6 and today()>zal:data_k and "
                   "today()>zal:data_p12 and today() >zal:data_p22 and today() > "
                   "zal:data_p32 and zal:sost<4))",
         .kind = kw::pledges::ListKind::Inquiry,
         .prolongations = 3,
         .outcome = true});
}
