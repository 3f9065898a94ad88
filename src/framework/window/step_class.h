// Step classes: the thumb of a browse's vertical scroll bar. A step class maps the
// value of the sort order's free element (the first key component the user moves
// through) to a thumb position from 1 to 100 and back, between the lowest and the
// highest value the view holds (SetLimit, given by the browse each time it reloads
// from a new sort, range or filter).
#pragma once

#include <cstdint>
#include <string>

#include "runtime/binding.h"

namespace kw {

// Control flags of a step class.
namespace step {
inline constexpr uint8_t AllowAlpha = 1;
inline constexpr uint8_t AllowAlt = 2;
inline constexpr uint8_t AllowNumeric = 4;
inline constexpr uint8_t CaseSensitive = 8;
inline constexpr uint8_t Descending = 16;  // the free element runs from high to low
}  // namespace step

class StepClass {
  public:
    virtual ~StepClass() = default;

    void Init(uint8_t Controls) { this->Controls = Controls; }
    // The thumb position (1..100) of a value; 50 when the limits are equal.
    virtual uint8_t GetPercentile(const ui::Value& Value) = 0;
    // The value at a thumb position (0..100).
    virtual ui::Value GetValue(uint8_t Percentile) = 0;
    // The lowest and the highest value of the free element in the view.
    virtual void SetLimit(const ui::Value& Low, const ui::Value& High) = 0;
    virtual void Kill() {}

    uint8_t Controls = 0;

  protected:
    // The position of v between lo and hi as the contract of GetPercentile says.
    uint8_t percentileOf(double v, double lo, double hi) const;
    // The inverse: the value at position p.
    double valueAt(uint8_t p, double lo, double hi) const;
};

// For whole-number free elements (codes, ticket numbers, dates).
class StepLongClass : public StepClass {
  public:
    uint8_t GetPercentile(const ui::Value& Value) override;
    ui::Value GetValue(uint8_t Percentile) override;
    void SetLimit(const ui::Value& Low, const ui::Value& High) override;

    int32_t Low = 0;
    int32_t High = 0;
};

// For REAL free elements (prices, amounts).
class StepRealClass : public StepClass {
  public:
    uint8_t GetPercentile(const ui::Value& Value) override;
    ui::Value GetValue(uint8_t Percentile) override;
    void SetLimit(const ui::Value& Low, const ui::Value& High) override;

    double Low = 0;
    double High = 0;
};

// For text free elements: a text stands for the number its first kHashLength
// characters make as base-256 digits (upper case unless CaseSensitive), which then
// works like the long variant; a number turns back into the text of those characters.
class StepStringClass : public StepClass {
  public:
    static constexpr int kHashLength = 4;

    uint8_t GetPercentile(const ui::Value& Value) override;
    ui::Value GetValue(uint8_t Percentile) override;
    void SetLimit(const ui::Value& Low, const ui::Value& High) override;

    double Hash(const std::string& Text) const;
    std::string Unhash(double Number) const;

    double Low = 0;
    double High = 0;
};

}  // namespace kw
