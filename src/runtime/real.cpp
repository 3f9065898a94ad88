#include "runtime/real.h"

#include <charconv>
#include <cmath>
#include <string>

namespace kw::real {

bool equal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return false;
    if (a == b) return true;
    const double d = a - b;
    if (!std::isfinite(d)) return false;  // an infinite operand, or an overflow
    const int ed = std::ilogb(d);
    const int ea = a == 0 ? 0 : std::ilogb(a);  // zero counts with the exponent of 1
    const int eb = b == 0 ? 0 : std::ilogb(b);
    return ea - ed > 50 || eb - ed > 50;
}

bool isZero(double x) {
    return equal(x, 0.0);
}

// The decimal a person sees is the shortest text that reads back as the same double
// (std::to_chars without a precision). Rounding that text, digit by digit, gives
// 1.005 -> 1.01 where the binary value 1.00499999999999989... would give 1.00.
double round(double x, int places) {
    if (!std::isfinite(x) || x == 0) return x;
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific);
    if (res.ec != std::errc()) return x;
    // buf holds d[.ddd]e±XX: collect the digits and the decimal exponent of the first.
    std::string digits;
    const char* p = buf;
    for (; p < res.ptr && *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    if (p == res.ptr) return x;
    int exp10 = 0;
    const char* e = p + 1;
    if (e < res.ptr && *e == '+') ++e;
    if (std::from_chars(e, res.ptr, exp10).ec != std::errc()) return x;
    // Digits kept: those above 10^-places.
    const long keep = static_cast<long>(exp10) + 1 + places;
    if (keep >= static_cast<long>(digits.size())) return x;  // nothing below the place
    const bool negative = x < 0;
    if (keep < 0) return 0.0;
    std::string kept = digits.substr(0, static_cast<std::size_t>(keep));
    if (digits[static_cast<std::size_t>(keep)] >= '5') {  // half and above: away from zero
        long i = keep - 1;
        for (; i >= 0 && kept[i] == '9'; --i) kept[i] = '0';
        if (i >= 0)
            ++kept[i];
        else
            kept.insert(kept.begin(), '1');
    }
    if (kept.empty()) return 0.0;
    const std::string text = kept + "e" + std::to_string(-places);
    double r = 0;
    const auto back = std::from_chars(text.data(), text.data() + text.size(), r);
    if (back.ec != std::errc()) return x;  // overflow past the largest double
    return negative ? -r : r;
}

}  // namespace kw::real
