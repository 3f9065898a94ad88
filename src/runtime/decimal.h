// DECIMAL(Bytes, Places): a packed BCD number of exactly Bytes bytes, stored as it lies
// in a record.
//
// Layout: 2*Bytes-1 decimal digits, most significant first, two to a byte (high nibble
// first), and the sign in the low nibble of the last byte; the last Places digits are
// the decimals. Sign nibble: 0xD and 0xB mean negative, any other value positive.
// Positive values are written with 0xC, negative ones with 0xD; a cleared record (all
// zero bytes) therefore reads as 0. A digit nibble above 9 (bad bytes on disk) makes
// the value invalid: valid() says so and toDouble() gives 0 for it.
//
// Example, Decimal<3, 0>: 12345 is 12 34 5C, -7 is 00 00 7D.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "runtime/real.h"

namespace kw {

template <std::size_t Bytes, int Places>
struct Decimal {
    static_assert(Bytes >= 1 && Bytes <= 8, "DECIMAL of 1 to 8 bytes");
    static_assert(Places >= 0 && Places < static_cast<int>(2 * Bytes), "places within the digits");

    static constexpr int kDigits = static_cast<int>(2 * Bytes - 1);

    unsigned char bytes[Bytes];

    Decimal() { set(0, false); }
    Decimal(double v) { assign(v); }  // NOLINT: fields take numbers as the language does

    Decimal& operator=(double v) {
        assign(v);
        return *this;
    }
    operator double() const { return toDouble(); }  // NOLINT

    // The largest magnitude that fits: kDigits nines with Places of them decimals.
    static double maxValue() {
        double m = 0;
        for (int i = 0; i < kDigits; ++i) m = m * 10 + 9;
        return m / scale();
    }

    // Stores v rounded to Places decimals (half away from zero). A value that does not
    // fit stores the largest magnitude of its sign and returns false; NaN stores 0 and
    // returns false.
    bool assign(double v) {
        if (std::isnan(v)) {
            set(0, false);
            return false;
        }
        double scaled = std::fabs(real::round(v, Places)) * scale();
        scaled = std::round(scaled);  // removes the binary residue of the scaling only
        uint64_t limit = 0;
        for (int i = 0; i < kDigits; ++i) limit = limit * 10 + 9;
        bool fits = scaled <= static_cast<double>(limit);
        const uint64_t units = fits ? static_cast<uint64_t>(scaled) : limit;
        set(units, v < 0 && units != 0);
        return fits;
    }

    bool negative() const {
        const unsigned s = bytes[Bytes - 1] & 0x0F;
        return s == 0xD || s == 0xB;
    }
    bool valid() const {
        for (int i = 0; i < kDigits; ++i)
            if (digit(i) > 9) return false;
        return true;
    }
    // The digits as an integer (the value times 10^Places, without sign).
    uint64_t units() const {
        uint64_t u = 0;
        for (int i = 0; i < kDigits; ++i) u = u * 10 + digit(i);
        return u;
    }
    double toDouble() const {
        if (!valid()) return 0;
        const double v = static_cast<double>(units()) / scale();
        return negative() ? -v : v;
    }

  private:
    static double scale() {  // 10^Places, exact
        double s = 1;
        for (int i = 0; i < Places; ++i) s *= 10;
        return s;
    }
    // Digit i counted from the most significant one.
    unsigned digit(int i) const {
        const unsigned char b = bytes[i / 2];
        return i % 2 == 0 ? b >> 4 : b & 0x0F;
    }
    void set(uint64_t units, bool neg) {
        for (std::size_t i = 0; i < Bytes; ++i) bytes[i] = 0;
        bytes[Bytes - 1] = neg ? 0x0D : 0x0C;
        for (int i = kDigits - 1; i >= 0; --i) {
            const unsigned d = static_cast<unsigned>(units % 10);
            units /= 10;
            if (i % 2 == 0)
                bytes[i / 2] = static_cast<unsigned char>(bytes[i / 2] | (d << 4));
            else
                bytes[i / 2] = static_cast<unsigned char>(bytes[i / 2] | d);
        }
    }
};

static_assert(sizeof(Decimal<3, 0>) == 3 && alignof(Decimal<3, 0>) == 1);

}  // namespace kw
