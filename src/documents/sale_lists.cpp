// What the notary's and the auction's lists (PR_NOT, PR_LOT) share: the item's
// description, plain numbers and the passport line.
#include <cstdio>

#include "dictionary/zal.h"
#include "documents/sale_reports.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"

namespace kw::documents {

std::string plainNumber(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string itemDescription() {
    std::string s = W("проба ") + std::to_string(ZAL.PROB) + W(" вес ") + plainNumber(ZAL.VEC) +
                    " " + ZAL.OP_IZ.clip();
    if (s.size() > 100) s.resize(100);
    return s;
}

std::string passportLine(std::string_view passport) {
    return W("пасп. ") + clip(passport);
}

}  // namespace kw::documents
