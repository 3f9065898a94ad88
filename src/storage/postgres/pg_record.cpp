#include "storage/postgres/pg_record.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/unaligned.h"
#include "storage/byte_order.h"

namespace kw::storage::pg {

namespace {

using unaligned::load;
using unaligned::store;

bool wholeNumber(const std::string& text, long long lo, long long hi, long long& v) {
    errno = 0;
    char* end = nullptr;
    v = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0' && !text.empty() && v >= lo && v <= hi;
}

// Packed decimal digits (sign in the last nibble: 0xD or 0xB negative) as a number.
std::string decimalText(const FieldDecl& f, const uint8_t* p) {
    const int digits = 2 * f.size - 1;
    std::string s;
    for (int i = 0; i < digits; ++i) {
        const unsigned d = i % 2 == 0 ? p[i / 2] >> 4 : p[i / 2] & 0x0F;
        s += static_cast<char>('0' + (d > 9 ? 0 : d));
    }
    if (f.places > 0) s = s.substr(0, s.size() - f.places) + "." + s.substr(s.size() - f.places);
    const unsigned sign = p[f.size - 1] & 0x0F;
    return (sign == 0xD || sign == 0xB ? "-" : "") + s;
}

bool setDecimal(const FieldDecl& f, uint8_t* p, const std::string& text) {
    const int digits = 2 * f.size - 1;
    std::string whole = text, frac;
    bool negative = false;
    if (!whole.empty() && whole[0] == '-') negative = true, whole.erase(0, 1);
    if (const auto dot = whole.find('.'); dot != std::string::npos)
        frac = whole.substr(dot + 1), whole.resize(dot);
    if (frac.size() > f.places) return false;
    frac.append(f.places - frac.size(), '0');
    std::string all = whole + frac;
    if (static_cast<int>(all.size()) > digits) return false;
    all = std::string(static_cast<std::size_t>(digits) - all.size(), '0') + all;
    std::memset(p, 0, f.size);
    for (int i = 0; i < digits; ++i) {
        if (all[i] < '0' || all[i] > '9') return false;
        const unsigned d = static_cast<unsigned>(all[i] - '0');
        p[i / 2] = static_cast<uint8_t>(p[i / 2] | (i % 2 == 0 ? d << 4 : d));
    }
    p[f.size - 1] = static_cast<uint8_t>(p[f.size - 1] | (negative ? 0x0D : 0x0C));
    return true;
}

// A big-endian whole number of `n` bytes (the server's binary form of smallint, integer,
// date and the bits of double precision).
uint64_t bigEndian(const char* p, int n) {
    return be::get(reinterpret_cast<const uint8_t*>(p), n);
}

}  // namespace

std::vector<const FieldDecl*> columns(const TableDecl& t) {
    std::vector<const FieldDecl*> out;
    for (const auto& f : t.fields)
        if (f.type != FieldType::Group) out.push_back(&f);
    return out;
}

std::string dateText(int32_t day) {
    const auto d = date::toYmd(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    return text;
}

std::optional<std::string> fieldValue(const FieldDecl& f, const uint8_t* record) {
    const uint8_t* p = record + f.offset;
    switch (f.type) {
        case FieldType::Byte:
            return std::to_string(p[0]);
        case FieldType::Short:
            return std::to_string(load<int16_t>(p));
        case FieldType::Long: {
            const int32_t v = load<int32_t>(p);
            if (!f.isDate) return std::to_string(v);
            if (v == 0) return std::nullopt;
            return dateText(v);
        }
        case FieldType::Real: {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", load<double>(p));
            return std::string(text);
        }
        case FieldType::Decimal:
            return decimalText(f, p);
        case FieldType::String: {
            std::size_t n = f.size;
            while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
            return cp::toUtf8(std::string_view(reinterpret_cast<const char*>(p), n));
        }
        default:
            return std::nullopt;
    }
}

bool setField(const FieldDecl& f, uint8_t* record, const std::string& text, bool null) {
    uint8_t* p = record + f.offset;
    long long v = 0;
    switch (f.type) {
        case FieldType::Byte:
            if (!wholeNumber(text, 0, 255, v)) return false;
            p[0] = static_cast<uint8_t>(v);
            return true;
        case FieldType::Short:
            if (!wholeNumber(text, INT16_MIN, INT16_MAX, v)) return false;
            store<int16_t>(p, static_cast<int16_t>(v));
            return true;
        case FieldType::Long: {
            if (f.isDate) {
                int y = 0, m = 0, d = 0;
                if (null) {
                    store<int32_t>(p, 0);
                    return true;
                }
                if (std::sscanf(text.c_str(), "%d-%d-%d", &y, &m, &d) != 3 || !date::valid(y, m, d))
                    return false;
                store<int32_t>(p, date::fromYmd(y, m, d));
                return true;
            }
            if (!wholeNumber(text, INT32_MIN, INT32_MAX, v)) return false;
            store<int32_t>(p, static_cast<int32_t>(v));
            return true;
        }
        case FieldType::Real: {
            errno = 0;
            char* end = nullptr;
            const double d = std::strtod(text.c_str(), &end);
            if (errno == ERANGE || !end || *end != '\0' || text.empty()) return false;
            store<double>(p, d);
            return true;
        }
        case FieldType::Decimal:
            return setDecimal(f, p, text);
        case FieldType::String: {
            const std::string s = cp::fromUtf8(text);
            if (s.size() > f.size) return false;
            std::memset(p, ' ', f.size);
            std::memcpy(p, s.data(), s.size());
            return true;
        }
        default:
            return false;
    }
}

bool setFieldBinary(const FieldDecl& f, uint8_t* record, const char* value, int length, bool null) {
    uint8_t* p = record + f.offset;
    // The server's day 0 is 1.1.2000.
    static const int32_t k2000 = date::fromYmd(2000, 1, 1), kLast = date::fromYmd(9999, 12, 31);
    switch (f.type) {
        case FieldType::Byte:
        case FieldType::Short: {
            if (null || length != 2) return false;
            const auto v = static_cast<int16_t>(bigEndian(value, 2));
            if (f.type == FieldType::Short) return store<int16_t>(p, v), true;
            if (v < 0 || v > 255) return false;
            p[0] = static_cast<uint8_t>(v);
            return true;
        }
        case FieldType::Long: {
            if (f.isDate && null) return store<int32_t>(p, 0), true;
            if (null || length != 4) return false;
            const auto v = static_cast<int32_t>(bigEndian(value, 4));
            if (!f.isDate) return store<int32_t>(p, v), true;
            // Outside 1801..9999 (the server's infinities too) no day number stands for it.
            const int64_t day = int64_t{v} + k2000;
            if (day < date::kFirstDay || day > kLast) return false;
            store<int32_t>(p, static_cast<int32_t>(day));
            return true;
        }
        case FieldType::Real: {
            if (null || length != 8) return false;
            const uint64_t bits = bigEndian(value, 8);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            store<double>(p, d);
            return true;
        }
        case FieldType::Decimal:
        case FieldType::String:
            // Asked for as text, whose binary form is its UTF-8 bytes.
            return setField(f, record, null ? std::string() : std::string(value, length), null);
        default:
            return false;
    }
}

}  // namespace kw::storage::pg
