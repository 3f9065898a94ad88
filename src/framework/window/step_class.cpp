// The step classes of the browse's thumb.
#include "framework/window/step_class.h"

#include <algorithm>
#include <cmath>

#include "runtime/codepage.h"

namespace kw {

uint8_t StepClass::percentileOf(double v, double lo, double hi) const {
    if (lo == hi) return 50;
    if (lo > hi) std::swap(lo, hi);
    double x = std::round((v - lo) * 100.0 / (hi - lo));
    x = std::clamp(x, 0.0, 100.0);
    if (Controls & step::Descending) x = 100 - x;
    return x == 0 ? 1 : static_cast<uint8_t>(x);
}

double StepClass::valueAt(uint8_t p, double lo, double hi) const {
    if (lo > hi) std::swap(lo, hi);
    double q = std::min<double>(p, 100);
    if (Controls & step::Descending) q = 100 - q;
    return lo + (hi - lo) * q / 100.0;
}

// ------------------------------------------------------------------ long

uint8_t StepLongClass::GetPercentile(const ui::Value& Value) {
    return percentileOf(Value.asNumber(), Low, High);
}

ui::Value StepLongClass::GetValue(uint8_t Percentile) {
    return std::round(valueAt(Percentile, Low, High));
}

void StepLongClass::SetLimit(const ui::Value& LowValue, const ui::Value& HighValue) {
    auto toLong = [](double v) {
        return static_cast<int32_t>(std::clamp(std::round(v), -2147483648.0, 2147483647.0));
    };
    Low = toLong(LowValue.asNumber());
    High = toLong(HighValue.asNumber());
}

// ------------------------------------------------------------------ real

uint8_t StepRealClass::GetPercentile(const ui::Value& Value) {
    return percentileOf(Value.asNumber(), Low, High);
}

ui::Value StepRealClass::GetValue(uint8_t Percentile) {
    return valueAt(Percentile, Low, High);
}

void StepRealClass::SetLimit(const ui::Value& LowValue, const ui::Value& HighValue) {
    Low = LowValue.asNumber();
    High = HighValue.asNumber();
}

// ------------------------------------------------------------------ string

double StepStringClass::Hash(const std::string& Text) const {
    const std::string t = (Controls & step::CaseSensitive) ? Text : cp::upper(Text);
    double n = 0;
    for (int i = 0; i < kHashLength; ++i) {
        const unsigned char c =
            i < static_cast<int>(t.size()) ? static_cast<unsigned char>(t[i]) : 0;
        n = n * 256 + c;
    }
    return n;
}

std::string StepStringClass::Unhash(double Number) const {
    double n = std::clamp(std::floor(Number), 0.0, std::pow(256.0, kHashLength) - 1);
    std::string t(kHashLength, '\0');
    for (int i = kHashLength - 1; i >= 0; --i) {
        const double d = std::fmod(n, 256.0);
        t[static_cast<std::size_t>(i)] = static_cast<char>(static_cast<unsigned char>(d));
        n = (n - d) / 256.0;
    }
    while (!t.empty() && (t.back() == '\0' || t.back() == ' ')) t.pop_back();
    std::replace(t.begin(), t.end(), '\0', ' ');
    return t;
}

uint8_t StepStringClass::GetPercentile(const ui::Value& Value) {
    return percentileOf(Hash(Value.asText()), Low, High);
}

ui::Value StepStringClass::GetValue(uint8_t Percentile) {
    return Unhash(valueAt(Percentile, Low, High));
}

void StepStringClass::SetLimit(const ui::Value& LowValue, const ui::Value& HighValue) {
    Low = Hash(LowValue.asText());
    High = Hash(HighValue.asText());
}

}  // namespace kw
