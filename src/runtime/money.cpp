#include "runtime/money.h"

#include <cmath>

#include "runtime/real.h"

namespace kw::money {

namespace {
// Beyond this a double no longer holds every kopeck; no amount of a pawnshop comes near.
constexpr double kLargest = 9.0e13;
}  // namespace

int64_t kopecks(double x) {
    if (!std::isfinite(x)) return 0;
    if (std::fabs(x) > kLargest) x = std::copysign(kLargest, x);
    return std::llround(real::round(x, 2) * 100);
}

double roubles(int64_t k) {
    return static_cast<double>(k) / 100;
}

double round(double x) {
    return roubles(kopecks(x));
}

double add(double a, double b) {
    return roubles(kopecks(a) + kopecks(b));
}

double sub(double a, double b) {
    return roubles(kopecks(a) - kopecks(b));
}

}  // namespace kw::money
