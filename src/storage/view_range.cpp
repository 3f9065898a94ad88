// Ranges of a view: encoding values as key bytes, the given range, and the part of a
// key that the filter's conditions allow.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/real.h"
#include "storage/view.h"
#include "storage/view_util.h"

namespace kw::storage {

using namespace viewutil;

namespace {

// Clamps a double to a range well inside int64 before converting it.
int64_t toInteger(double d) {
    constexpr double kBig = 4.0e18;
    if (d > kBig) return static_cast<int64_t>(kBig);
    if (d < -kBig) return -static_cast<int64_t>(kBig);
    return static_cast<int64_t>(d);
}

// Narrows the whole numbers [lo, hi] to those that satisfy `op d`; false when the
// comparison bounds nothing (not equal).
bool narrow(expr::Compare op, double d, int64_t& lo, int64_t& hi) {
    switch (op) {
        case expr::Compare::Eq:
            lo = std::max(lo, toInteger(std::ceil(d)));
            hi = std::min(hi, toInteger(std::floor(d)));
            return true;
        case expr::Compare::Ge:
            lo = std::max(lo, toInteger(std::ceil(d)));
            return true;
        case expr::Compare::Gt:
            lo = std::max(lo, toInteger(std::floor(d)) + 1);
            return true;
        case expr::Compare::Le:
            hi = std::min(hi, toInteger(std::floor(d)));
            return true;
        case expr::Compare::Lt:
            hi = std::min(hi, toInteger(std::ceil(d)) - 1);
            return true;
        case expr::Compare::Ne:
            return false;
    }
    return false;
}

// The whole number a condition's value stands for, as a comparison with a field of
// whole numbers takes it: a number, or a text that spells one; within a tolerance of a
// whole number, that number. False when the comparison would not be of numbers.
bool wholeValue(const expr::Value& v, double& d) {
    d = v.number;
    if (v.isText) {
        const expr::Value n(v.asNumber());
        if (v.text.find_first_not_of(' ') == std::string::npos || expr::compare(v, n) != 0)
            return false;
        d = n.number;
    }
    if (std::isnan(d)) return false;
    if (const double r = std::round(d); real::equal(d, r)) d = r;
    return true;
}

}  // namespace

// The filter's top-level conditions that a back end can test exactly as the program
// does, with their values of this positioning: fields of whole numbers (dates too)
// compared with a number, and texts compared for equality. A condition on a REAL (whose
// comparison has a tolerance), on upper() of a field or with a value that compares
// otherwise is left to the program alone.
void View::derivePassFilter() {
    pass_ = File::Filter{};
    if (!filter_) return;
    using Op = File::Condition::Op;
    for (const auto& c : conditions_) {
        if (c.upper) continue;
        const FieldDecl& f = decl_.field(c.tag);
        const expr::Value v = filter_->evaluate(c);
        if (f.type == FieldType::String) {
            if (c.op == expr::Compare::Eq && v.isText) pass_.texts.push_back({c.tag, v.text});
            continue;
        }
        double d = 0;
        if (!isBoundable(f.type) || !wholeValue(v, d)) continue;
        if (c.op == expr::Compare::Ne) {
            // Any whole number differs from a fraction.
            if (d == std::round(d)) pass_.when.push_back({c.tag, Op::Ne, toInteger(d)});
            continue;
        }
        int64_t lo, hi, least, most;
        integerLimits(f, least, most);
        lo = least, hi = most;
        if (!narrow(c.op, d, lo, hi)) continue;
        if (lo == hi) {
            pass_.when.push_back({c.tag, Op::Eq, lo});
            continue;
        }
        if (lo > least || lo > hi) pass_.when.push_back({c.tag, Op::Ge, lo});
        if (hi < most || lo > hi) pass_.when.push_back({c.tag, Op::Le, hi});
    }
}

void View::encodeRecord(const std::vector<KeyShape>& shapes, const uint8_t* record,
                        std::vector<uint8_t>& out) {
    std::size_t n = 0;
    for (const KeyShape& s : shapes) n += s.length;
    out.resize(n);
    std::size_t off = 0;
    for (const KeyShape& s : shapes) {
        s.value(record, out.data() + off);
        off += s.length;
    }
}

bool View::encode(const std::vector<KeyShape>& shapes, const std::vector<std::size_t>& ends,
                  const std::vector<expr::Value>& values, uint8_t fill, std::vector<uint8_t>& out) {
    std::vector<uint8_t> record(decl_.recordSize, 0);
    const std::size_t n = std::min({values.size(), ends.size(), order_.size()});
    for (std::size_t i = 0; i < n; ++i)
        if (!fieldIn(record, decl_.field(order_[i].field)).set(values[i])) return false;
    encodeRecord(shapes, record.data(), out);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(n == 0 ? 0 : ends[n - 1]), out.end(), fill);
    return true;
}

bool View::inGivenRange(const uint8_t* record) {
    if (!xranged_) return true;
    encodeRecord(partShapes_, record, orderBytes_);
    return std::memcmp(orderBytes_.data(), xlo_.data(), orderLength_) >= 0 &&
           std::memcmp(orderBytes_.data(), xhi_.data(), orderLength_) <= 0;
}

void View::computeRange() {
    ranged_ = false;
    xranged_ = false;
    emptyRange_ = false;
    derivePassFilter();
    if (mode_ == Mode::Physical) return;
    if (!lowValues_.empty() || !highValues_.empty()) {
        xranged_ = encode(partShapes_, partEnds_, lowValues_, 0x00, xlo_) &&
                   encode(partShapes_, partEnds_, highValues_, 0xFF, xhi_);
        if (xranged_ && std::memcmp(xlo_.data(), xhi_.data(), orderLength_) > 0) emptyRange_ = true;
    }
    if (mode_ != Mode::Key) return;
    lo_.assign(keyLength_, 0x00);
    hi_.assign(keyLength_, 0xFF);
    if (xranged_) {
        // The given range on the fields the key holds.
        std::vector<uint8_t> v;
        if (encode(keyShape_, keyEnds_, lowValues_, 0x00, v)) lo_ = v;
        if (encode(keyShape_, keyEnds_, highValues_, 0xFF, v)) hi_ = v;
        ranged_ = true;
    }
    leaveToKeyRange(deriveKeyRange());
    choosePartialKey();
    if (ranged_ && std::memcmp(lo_.data(), hi_.data(), keyLength_) > 0) emptyRange_ = true;
}

// Narrows lo_/hi_ by the filter's conditions on the key's leading components: equal
// values extend the fixed prefix, the first interval ends it. Gives the number of
// components it bounded.
std::size_t View::deriveKeyRange() {
    if (!filter_ || conditions_.empty()) return 0;
    const KeyDecl& key = decl_.keys[static_cast<std::size_t>(key_ - 1)];
    std::vector<uint8_t> lowRec(decl_.recordSize, 0), highRec(decl_.recordSize, 0);
    std::size_t parts = 0;
    for (std::size_t i = 0; i < key.components.size(); ++i) {
        const int fno = key.components[i];
        const FieldDecl& f = decl_.field(fno);
        const bool text = isString(f.type);
        if (!text && !isBoundable(f.type)) break;
        int64_t lo, hi;
        integerLimits(f, lo, hi);
        bool bounded = false;
        std::string equal;
        for (const auto& c : conditions_) {
            if (c.tag != fno) continue;
            const expr::Value v = filter_->evaluate(c);
            if (text) {
                // Equality only: the key's order of texts need not be the filter's.
                if (c.op != expr::Compare::Eq || !v.isText || (c.upper && !key.nocase) || bounded)
                    continue;
                std::string_view t = v.text;
                while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
                if (t.size() > f.size) {  // no value of the field can equal it
                    emptyRange_ = true;
                    return 0;
                }
                equal.assign(t);
                bounded = true;
                continue;
            }
            if (c.upper) continue;
            double d = v.number;
            if (v.isText) {
                // A text counts when it spells a number (as the comparison takes it).
                const expr::Value n(v.asNumber());
                if (v.text.find_first_not_of(' ') == std::string::npos || expr::compare(v, n) != 0)
                    continue;
                d = n.number;
            }
            if (std::isnan(d)) continue;
            if (const double r = std::round(d); real::equal(d, r)) d = r;
            if (narrow(c.op, d, lo, hi)) bounded = true;
        }
        if (!bounded) break;
        if (text) {
            (void)fieldIn(lowRec, f).set(expr::Value(equal));
            (void)fieldIn(highRec, f).set(expr::Value(equal));
        } else {
            if (lo > hi) {
                emptyRange_ = true;
                return 0;
            }
            (void)fieldIn(lowRec, f).set(expr::Value(static_cast<double>(lo)));
            (void)fieldIn(highRec, f).set(expr::Value(static_cast<double>(hi)));
        }
        parts = i + 1;
        if (!text && lo != hi) break;
    }
    if (parts == 0) return 0;
    const auto cut = static_cast<std::ptrdiff_t>(keyEnds_[parts - 1]);
    std::vector<uint8_t> v;
    encodeRecord(keyShape_, lowRec.data(), v);
    std::fill(v.begin() + cut, v.end(), 0x00);
    if (std::memcmp(v.data(), lo_.data(), keyLength_) > 0) lo_ = v;
    encodeRecord(keyShape_, highRec.data(), v);
    std::fill(v.begin() + cut, v.end(), 0xFF);
    if (std::memcmp(v.data(), hi_.data(), keyLength_) < 0) hi_ = v;
    ranged_ = true;
    return parts;
}

// The conditions on the first `bounded` components of the key read are what its range
// already asks for: the server need not be told them again. A text of a case-blind key
// stays (its range holds every letter case), and so does <> (no range comes of it).
void View::leaveToKeyRange(std::size_t bounded) {
    if (bounded == 0) return;
    const KeyDecl& key = decl_.keys[static_cast<std::size_t>(key_ - 1)];
    const auto first = key.components.begin();
    const auto last = first + static_cast<std::ptrdiff_t>(bounded);
    auto inRange = [&](int field) { return std::find(first, last, field) != last; };
    std::erase_if(pass_.when, [&](const File::Condition& c) {
        return c.op != File::Condition::Op::Ne && inRange(c.field);
    });
    if (!key.nocase)
        std::erase_if(pass_.texts, [&](const File::TextEqual& t) { return inRange(t.field); });
}

}  // namespace kw::storage
