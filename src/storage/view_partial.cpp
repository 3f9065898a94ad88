// The choice of a partial key: a view in a key's order whose filter lets through only
// records that a partial key of that key keeps reads the partial key instead. Both hold
// the same entries for those records, in the same order, so the view shows the same
// records; it only passes over fewer that its filter would refuse.
#include <cmath>

#include "storage/view.h"

namespace kw::storage {

namespace {

// True when "field op value" can hold only for a field value at most `atMost` (the field
// holds whole numbers).
bool allowsOnlyUpTo(expr::Compare op, double value, uint8_t atMost) {
    if (std::isnan(value)) return false;
    switch (op) {
        case expr::Compare::Eq:
        case expr::Compare::Le:
            return value <= atMost;
        case expr::Compare::Lt:
            return value <= atMost + 1.0;
        default:
            return false;
    }
}

}  // namespace

void View::choosePartialKey() {
    readKey_ = key_;
    if (mode_ != Mode::Key || !filter_ || conditions_.empty()) return;
    for (std::size_t p = 0; p < decl_.partialKeys.size(); ++p) {
        const PartialKeyDecl& part = decl_.partialKeys[p];
        if (part.key != key_) continue;
        for (const auto& c : conditions_) {
            if (c.tag != part.field || c.upper) continue;
            const expr::Value v = filter_->evaluate(c);
            if (v.isText || !allowsOnlyUpTo(c.op, v.number, part.atMost)) continue;
            readKey_ = static_cast<int>(decl_.keys.size() + p + 1);
            return;
        }
    }
}

}  // namespace kw::storage
