#include "field_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "runtime/codepage.h"

namespace kw::tool {

using storage::FieldType;

namespace {

std::string decimalText(const uint8_t* p, unsigned len, unsigned places) {
    std::string digits;
    for (unsigned i = 0; i < 2 * len - 1; ++i) {
        unsigned d = (i % 2 == 0) ? (p[i / 2] >> 4) : (p[i / 2] & 0x0F);
        digits += static_cast<char>('0' + (d > 9 ? 9 : d));
    }
    const unsigned sign = p[len - 1] & 0x0F;
    while (digits.size() > places + 1 && digits[0] == '0') digits.erase(0, 1);
    if (places && digits.size() > places) {
        const std::size_t cut = digits.size() - places;
        digits = digits.substr(0, cut) + "." + digits.substr(cut);
    }
    const bool zero = digits.find_first_not_of("0.") == std::string::npos;
    return ((sign == 0xD || sign == 0xB) && !zero ? "-" : "") + digits;
}

bool setDecimal(uint8_t* p, unsigned len, unsigned places, const std::string& text) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    const bool neg = v < 0;
    double scaled = std::round(std::fabs(v) * std::pow(10.0, places));
    std::memset(p, 0, len);
    const unsigned digits = 2 * len - 1;
    for (int i = static_cast<int>(digits) - 1; i >= 0; --i) {
        const unsigned d = static_cast<unsigned>(std::fmod(scaled, 10.0));
        scaled = std::floor(scaled / 10.0);
        p[i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? d << 4 : d);
    }
    if (scaled > 0) return false;
    p[len - 1] = static_cast<uint8_t>((p[len - 1] & 0xF0) | (neg ? 0xD : 0xC));
    return true;
}

template <class T>
bool parseInt(const std::string& text, T& out) {
    long long v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
    if (v < static_cast<long long>(std::numeric_limits<T>::min()) ||
        v > static_cast<long long>(std::numeric_limits<T>::max()))
        return false;
    out = static_cast<T>(v);
    return true;
}

}  // namespace

std::string fieldText(const storage::FieldDecl& f, const uint8_t* rec) {
    const uint8_t* p = rec + f.offset;
    switch (f.type) {
        case FieldType::Byte: return std::to_string(p[0]);
        case FieldType::Short: {
            int16_t v;
            std::memcpy(&v, p, 2);
            return std::to_string(v);
        }
        case FieldType::Long: {
            int32_t v;
            std::memcpy(&v, p, 4);
            return std::to_string(v);
        }
        case FieldType::Real: {
            double v;
            std::memcpy(&v, p, 8);
            if (v == 0) return "0";
            char buf[400];
            auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
            return r.ec == std::errc() ? std::string(buf, r.ptr) : "0";
        }
        case FieldType::Decimal: return decimalText(p, f.size, f.places);
        default: {
            std::string s(reinterpret_cast<const char*>(p), f.size);
            while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
            return cp::toUtf8(s);
        }
    }
}

bool setField(const storage::FieldDecl& f, uint8_t* rec, const std::string& text) {
    uint8_t* p = rec + f.offset;
    const std::string t = text.empty() && f.type != FieldType::String ? "0" : text;
    switch (f.type) {
        case FieldType::Byte: return parseInt(t, *p);
        case FieldType::Short: {
            int16_t v;
            if (!parseInt(t, v)) return false;
            std::memcpy(p, &v, 2);
            return true;
        }
        case FieldType::Long: {
            int32_t v;
            if (!parseInt(t, v)) return false;
            std::memcpy(p, &v, 4);
            return true;
        }
        case FieldType::Real: {
            double v = 0;
            auto r = std::from_chars(t.data(), t.data() + t.size(), v);
            if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
            std::memcpy(p, &v, 8);
            return true;
        }
        case FieldType::Decimal: return f.size >= 1 && f.size <= 8 && setDecimal(p, f.size, f.places, t);
        case FieldType::String: {
            const std::string s = cp::fromUtf8(text);
            std::memset(p, ' ', f.size);
            std::memcpy(p, s.data(), std::min<std::size_t>(s.size(), f.size));
            return true;
        }
        default: return false;
    }
}

void clearRecord(const storage::TableDecl& t, uint8_t* rec) {
    std::memset(rec, 0, t.recordSize);
    for (const auto& f : t.fields)
        if (f.type == FieldType::String && f.offset + f.size <= t.recordSize) std::memset(rec + f.offset, ' ', f.size);
    for (const auto& f : t.fields)
        if (f.type == FieldType::Decimal && f.size >= 1 && f.offset + f.size <= t.recordSize)
            rec[f.offset + f.size - 1] = 0x0C;
}

}  // namespace kw::tool
