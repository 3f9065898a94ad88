#include "storage/record_codec.h"

#include <cstring>

#include "runtime/codepage.h"

namespace kw::storage {

namespace {

void putBigEndianSigned(uint8_t* out, int64_t v, unsigned width) {
    uint64_t u = static_cast<uint64_t>(v);
    for (unsigned i = 0; i < width; ++i) out[width - 1 - i] = static_cast<uint8_t>(u >> (8 * i));
    out[0] ^= 0x80;
}

int64_t decodeDecimal(const uint8_t* p, unsigned len) {
    int64_t v = 0;
    const unsigned digits = 2 * len - 1;
    for (unsigned i = 0; i < digits; ++i) {
        unsigned b = p[i / 2];
        unsigned d = (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
        v = v * 10 + (d > 9 ? 9 : d);
    }
    const unsigned sign = p[len - 1] & 0x0F;
    return (sign == 0xD || sign == 0xB) ? -v : v;
}

bool isStringType(FieldType t) {
    return t == FieldType::String || t == FieldType::CString || t == FieldType::PString;
}

}  // namespace

KeyShape::KeyShape(const TableDecl& table, const KeyDecl& key) {
    dup = key.dup;
    nocase = key.nocase;
    opt = key.opt;
    for (int n : key.components) {
        if (n < 1 || n > static_cast<int>(table.fields.size())) continue;
        const FieldDecl& f = table.field(n);
        comps.push_back({f.type, f.offset, f.size});
        length = static_cast<uint16_t>(length + f.size);
    }
}

KeyShape::KeyShape(const TableDecl& table, const PartialKeyDecl& partial) {
    if (partial.key >= 1 && partial.key <= static_cast<int>(table.keys.size()))
        *this = KeyShape(table, table.keys[static_cast<std::size_t>(partial.key - 1)]);
    if (partial.field >= 1 && partial.field <= static_cast<int>(table.fields.size())) {
        onlyOffset = table.field(partial.field).offset;
        onlyAtMost = partial.atMost;
    }
}

void KeyShape::value(const uint8_t* rec, uint8_t* out) const {
    for (const Comp& c : comps) {
        const uint8_t* p = rec + c.offset;
        switch (c.type) {
            case FieldType::Short:
            case FieldType::Long:
                if (c.length == 2) {
                    int16_t v;
                    std::memcpy(&v, p, 2);
                    putBigEndianSigned(out, v, 2);
                } else if (c.length == 4) {
                    int32_t v;
                    std::memcpy(&v, p, 4);
                    putBigEndianSigned(out, v, 4);
                } else {
                    std::memcpy(out, p, c.length);
                }
                break;
            case FieldType::Real:
                if (c.length == 8) {
                    double d;
                    std::memcpy(&d, p, 8);
                    if (d == 0) d = 0;  // -0 orders as 0
                    uint64_t u;
                    std::memcpy(&u, &d, 8);
                    u = (u >> 63) ? ~u : (u | (uint64_t{1} << 63));
                    for (int i = 0; i < 8; ++i) out[7 - i] = static_cast<uint8_t>(u >> (8 * i));
                } else {
                    std::memcpy(out, p, c.length);
                }
                break;
            case FieldType::Decimal:
                if (c.length >= 1 && c.length <= 8)
                    putBigEndianSigned(out, decodeDecimal(p, c.length), c.length);
                else
                    std::memcpy(out, p, c.length);
                break;
            default:
                if (nocase && isStringType(c.type)) {
                    for (unsigned i = 0; i < c.length; ++i) out[i] = cp::upper(p[i]);
                } else {
                    std::memcpy(out, p, c.length);
                }
                break;
        }
        out += c.length;
    }
}

bool KeyShape::omitted(const uint8_t* rec) const {
    if (onlyOffset >= 0 && rec[onlyOffset] > onlyAtMost) return true;
    if (!opt) return false;
    for (const Comp& c : comps) {
        const uint8_t* p = rec + c.offset;
        if (isStringType(c.type)) {
            for (unsigned i = 0; i < c.length; ++i)
                if (p[i] != ' ' && p[i] != 0) return false;
        } else if (c.type == FieldType::Real && c.length == 8) {
            double d;
            std::memcpy(&d, p, 8);
            if (d != 0) return false;
        } else if (c.type == FieldType::Decimal && c.length >= 1 && c.length <= 8) {
            if (decodeDecimal(p, c.length) != 0) return false;
        } else {
            for (unsigned i = 0; i < c.length; ++i)
                if (p[i] != 0) return false;
        }
    }
    return true;
}

StringFields::StringFields(const TableDecl& table) {
    for (const auto& f : table.fields)
        if (isStringType(f.type) && f.offset + f.size <= table.recordSize)
            spans.emplace_back(f.offset, f.size);
    for (std::size_t i = 1; i < spans.size(); ++i)
        ascending_ = ascending_ && spans[i].first >= spans[i - 1].first + spans[i - 1].second;
}

namespace {

struct Tables {
    uint8_t toOem[256], toAnsi[256];
    Tables() {
        for (int c = 0; c < 256; ++c) {
            toOem[c] = cp::ansiToOem(static_cast<unsigned char>(c));
            toAnsi[c] = cp::oemToAnsi(static_cast<unsigned char>(c));
        }
    }
};
const Tables& tables() {
    static const Tables t;
    return t;
}

// Both code pages agree below 0x80 (blanks, digits, Latin): eight such bytes at a time
// are passed over, the others go through the table.
void convert(uint8_t* p, std::size_t n, const uint8_t* table) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if ((w & 0x8080808080808080ull) == 0) continue;
        for (std::size_t k = i; k < i + 8; ++k) p[k] = table[p[k]];
    }
    for (; i < n; ++i) p[i] = table[p[i]];
}

}  // namespace

void StringFields::toOem(uint8_t* rec) const {
    const uint8_t* t = tables().toOem;
    for (auto [off, len] : spans) convert(rec + off, len, t);
}

void StringFields::toAnsi(uint8_t* rec) const {
    const uint8_t* t = tables().toAnsi;
    for (auto [off, len] : spans) convert(rec + off, len, t);
}

}  // namespace kw::storage
