// UPDATEZAL2: the second prolongation of a pledge (state 1 to 2).
#include "pledges/pledge_procedures.h"
#include "pledges/prolongation_form.h"

void UPDATEZAL2() {
    kw::pledges::runProlongation(2);
}
