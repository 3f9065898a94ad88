// One fuzz input for filter expressions, shared by the libFuzzer target and the corpus
// replay test. The input is the expression text. The function parses it against a few
// record fields (under the prefixes T, ZAL, PRB and KLM) and variables, evaluates it and checks
// what must hold for any text:
//   - a text that does not parse has a message and a position within the text (or just
//     past it), evaluates to 0 and yields no conditions;
//   - a text that parses evaluates to the same value every time, also through a copy,
//     and test() agrees with the truth of that value;
//   - every condition names a tagged field and its value side can be evaluated.
// Returns false when one of these does not hold.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/expression.h"

namespace kw::fuzz {

namespace detail {

#pragma pack(push, 1)
struct FuzzRecord {
    int32_t DATA = 73000;
    char FIO[20] = {'I', 'v', 'a', 'n', 'o', 'v', ' ', ' ', ' ', ' ',
                    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    uint8_t SOST = 3;
    double SUM = 1234.5;
    unsigned char KDZ[3] = {0x12, 0x34, 0x5C};
};
#pragma pack(pop)

inline const FuzzRecord g_record{};
inline int32_t g_d1 = 72000;

class FuzzNames : public expr::Resolver {
  public:
    bool resolve(std::string_view name, expr::Source& out) const override {
        std::string n(name);
        for (char& c : n)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        // Fields under the prefixes of the program's filters; the names of its dates
        // share one field.
        for (const char* prefix : {"T:", "ZAL:", "PRB:", "KLM:"}) {
            const std::size_t len = std::strlen(prefix);
            if (n.compare(0, len, prefix) == 0) {
                n = n.substr(len);
                if (n.compare(0, 4, "DATA") == 0) n = "DATA";
                if (n == "MET" || n == "KOD") n = "SOST";
                n = "." + n;
                break;
            }
        }
        auto rec = [] { return static_cast<const void*>(&g_record); };
        using T = expr::ValueType;
        if (n == ".DATA")
            out = expr::Source::field(rec, offsetof(FuzzRecord, DATA), T::Long, 4, 0, 1);
        else if (n == ".FIO")
            out = expr::Source::field(rec, offsetof(FuzzRecord, FIO), T::String, 20, 0, 2);
        else if (n == ".SOST")
            out = expr::Source::field(rec, offsetof(FuzzRecord, SOST), T::Byte, 1, 0, 3);
        else if (n == ".SUM")
            out = expr::Source::field(rec, offsetof(FuzzRecord, SUM), T::Real, 8, 0, 4);
        else if (n == ".KDZ")
            out = expr::Source::field(rec, offsetof(FuzzRecord, KDZ), T::Decimal, 3, 2, 5);
        else if (n == "D1" || n == "D2" || n == "D_PRR" || n == "SP_IND")
            out = expr::Source::variable(ui::Binding::of(g_d1));
        else if (n == "NAME" || n == "NAME_P")
            out = expr::Source::computed([] { return expr::Value(std::string("van")); });
        else
            return false;
        return true;
    }
};

inline bool sameValue(const expr::Value& a, const expr::Value& b) {
    if (a.isText != b.isText) return false;
    if (a.isText) return a.text == b.text;
    return a.number == b.number || (std::isnan(a.number) && std::isnan(b.number));
}

}  // namespace detail

inline bool expressionOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const detail::FuzzNames names;
    const expr::Expression e = expr::Expression::parse(text, names);
    if (!e.ok()) {
        const int pos = e.errorPosition();
        return !e.error().empty() && pos >= 1 && static_cast<std::size_t>(pos) <= size + 1 &&
               e.evaluate().number == 0 && !e.evaluate().isText && !e.test() &&
               e.conditions().empty();
    }
    if (e.text() != text || !e.error().empty()) return false;
    const expr::Value first = e.evaluate();
    const expr::Value second = e.evaluate();
    if (!detail::sameValue(first, second)) return false;
    if (e.test() != expr::truth(first)) return false;
    const expr::Expression copy = e;
    if (!detail::sameValue(copy.evaluate(), first)) return false;
    for (const auto& c : e.conditions()) {
        if (c.tag < 1 || c.tag > 5) return false;
        const expr::Value v = e.evaluate(c);
        if (!detail::sameValue(v, e.evaluate(c))) return false;
    }
    return true;
}

}  // namespace kw::fuzz
