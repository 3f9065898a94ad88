// UPDATEZAL1: the first prolongation of a pledge (state 0 to 1).
#include "pledges/pledge_procedures.h"
#include "pledges/prolongation_form.h"

void UPDATEZAL1() {
    kw::pledges::runProlongation(1);
}
