// Money in whole kopecks. Every amount that changes hands is rounded to kopecks when it
// is computed, half away from zero on the decimal figure a person sees (real::round),
// and sums and differences of such amounts are taken in whole kopecks, so that printed
// lines always add up and no binary residue builds up in a total or a balance. Rates,
// prices per gram and weights are not money and keep their full precision.
#pragma once

#include <cstdint>

namespace kw::money {

// The amount in whole kopecks (0 for a value that is not finite).
int64_t kopecks(double roubles);
// The kopecks as roubles (the double nearest to the decimal amount).
double roubles(int64_t kopecks);
// The amount rounded to whole kopecks.
double round(double roubles);
// a + b and a - b, each taken to kopecks first, exact in kopecks.
double add(double a, double b);
double sub(double a, double b);

}  // namespace kw::money
