#include "rules/notary_charge.h"

#include "runtime/real.h"

namespace kw::documents {

double notaryCharge(double price, double percent) {
    return real::round(price * percent / 100, 2);
}

}  // namespace kw::documents
