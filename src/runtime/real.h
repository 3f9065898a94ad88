// REAL values (IEEE double): the comparison rule and the rounding of money.
#pragma once

namespace kw::real {

// a and b count as equal when a-b is exactly zero or its binary exponent is more than
// 50 below the exponent of a or of b (an operand of zero counts with the exponent of 1).
bool equal(double a, double b);
// |x| below 2^-50.
bool isZero(double x);
// Rounds to `places` decimals, half away from zero, judged on the decimal value a
// person sees (12.125 -> 12.13, 1.005 -> 1.01, 2.675 -> 2.68), not on the binary one.
double round(double x, int places = 2);

}  // namespace kw::real
