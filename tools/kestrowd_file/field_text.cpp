#include "field_text.h"

#include <algorithm>
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

// A plain decimal ([-+]digits[.digits]) into the packed field: "" or why it does not
// fit. Digits past the field's places must be zeros: nothing is rounded away.
std::string setDecimal(uint8_t* p, unsigned len, unsigned places, const std::string& text) {
    std::size_t i = 0;
    const bool neg = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::string whole, frac;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') whole += text[i++];
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') frac += text[i++];
    }
    if (i != text.size() || (whole.empty() && frac.empty())) return "is not a number";
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (frac.size() > places) {
        if (frac.find_first_not_of('0', places) != std::string::npos)
            return "has more than " + std::to_string(places) + " decimals";
        frac.resize(places);
    }
    frac.resize(places, '0');
    const unsigned digits = 2 * len - 1;
    if (whole.size() + places > digits) return "is too large for the field";
    const std::string all = std::string(digits - whole.size() - places, '0') + whole + frac;
    std::memset(p, 0, len);
    for (unsigned d = 0; d < digits; ++d) {
        const unsigned v = static_cast<unsigned>(all[d] - '0');
        p[d / 2] |= static_cast<uint8_t>(d % 2 == 0 ? v << 4 : v);
    }
    const bool zero = all.find_first_not_of('0') == std::string::npos;
    p[len - 1] = static_cast<uint8_t>((p[len - 1] & 0xF0) | (neg && !zero ? 0xD : 0xC));
    return "";
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
        case FieldType::Byte:
            return std::to_string(p[0]);
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
        case FieldType::Decimal:
            return decimalText(p, f.size, f.places);
        default: {
            std::string s(reinterpret_cast<const char*>(p), f.size);
            while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
            return cp::toUtf8(s);
        }
    }
}

std::string setField(const storage::FieldDecl& f, uint8_t* rec, const std::string& text, bool cut) {
    uint8_t* p = rec + f.offset;
    const std::string t = text.empty() && f.type != FieldType::String ? "0" : text;
    const std::string notInteger = "is not a whole number of the field's range";
    switch (f.type) {
        case FieldType::Byte:
            return parseInt(t, *p) ? "" : notInteger;
        case FieldType::Short: {
            int16_t v;
            if (!parseInt(t, v)) return notInteger;
            std::memcpy(p, &v, 2);
            return "";
        }
        case FieldType::Long: {
            int32_t v;
            if (!parseInt(t, v)) return notInteger;
            std::memcpy(p, &v, 4);
            return "";
        }
        case FieldType::Real: {
            double v = 0;
            auto r = std::from_chars(t.data(), t.data() + t.size(), v);
            if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v))
                return "is not a number";
            std::memcpy(p, &v, 8);
            return "";
        }
        case FieldType::Decimal:
            if (f.size < 1 || f.size > 8) return "is not for a field of this width";
            return setDecimal(p, f.size, f.places, t);
        case FieldType::String: {
            std::string s = cp::fromUtf8(text);
            // The text must come back as it was given: from UTF-8 to the program's code
            // page and on to the file's.
            if (cp::toUtf8(s) != text) return "is not UTF-8 text of code page 1251";
            for (unsigned char c : s)
                if (cp::oemToAnsi(cp::ansiToOem(c)) != c)
                    return "holds " + cp::toUtf8(std::string(1, static_cast<char>(c))) +
                           ", which the file's code page lacks";
            if (s.size() > f.size) {
                if (!cut && s.find_first_not_of(' ', f.size) != std::string::npos)
                    return "is longer than the field (" + std::to_string(s.size()) +
                           " characters, it holds " + std::to_string(f.size) + ")";
                s.resize(f.size);
            }
            std::memset(p, ' ', f.size);
            std::memcpy(p, s.data(), s.size());
            return "";
        }
        default:
            return "is for a field that takes no text";
    }
}

void clearRecord(const storage::TableDecl& t, uint8_t* rec) {
    std::memset(rec, 0, t.recordSize);
    for (const auto& f : t.fields)
        if (f.type == FieldType::String && f.offset + f.size <= t.recordSize)
            std::memset(rec + f.offset, ' ', f.size);
    for (const auto& f : t.fields)
        if (f.type == FieldType::Decimal && f.size >= 1 && f.offset + f.size <= t.recordSize)
            rec[f.offset + f.size - 1] = 0x0C;
}

}  // namespace kw::tool
