// The notary's charge on a pledge handed over for sale, as the notary's list prints it.
#pragma once

namespace kw::documents {

// The charge on a sale price at `percent`, to the nearest kopeck (a half kopeck or
// more rounds up).
double notaryCharge(double price, double percent);

}  // namespace kw::documents
