// UPDATEZAL3: the third prolongation of a pledge (state 2 to 3).
#include "pledges/pledge_procedures.h"
#include "pledges/prolongation_form.h"

void UPDATEZAL3() {
    kw::pledges::runProlongation(3);
}
