#include "framework/data/field_value.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace kw {

using storage::FieldType;

bool FieldRef::valid() const {
    if (!Table || Field < 1 || static_cast<std::size_t>(Field) > Table->fields.size() ||
        !Table->buffer)
        return false;
    const storage::FieldDecl& f = decl();
    return std::size_t{f.offset} + f.size <= Table->recordSize;
}

uint8_t* FieldRef::address() const {
    if (!valid()) return nullptr;
    void* rec = Table->buffer();
    return rec ? static_cast<uint8_t*>(rec) + decl().offset : nullptr;
}

std::string FieldRef::name() const {
    if (!Table || Field < 1 || static_cast<std::size_t>(Field) > Table->fields.size()) return {};
    return Table->label + ":" + decl().name;
}

namespace field {

namespace {

double decodeDecimal(const uint8_t* p, unsigned len, unsigned places) {
    double v = 0;
    const unsigned digits = 2 * len - 1;
    for (unsigned i = 0; i < digits; ++i) {
        const unsigned b = p[i / 2];
        const unsigned d = (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
        v = v * 10 + (d > 9 ? 9 : d);
    }
    for (unsigned i = 0; i < places; ++i) v /= 10;
    const unsigned sign = p[len - 1] & 0x0F;
    return (sign == 0xD || sign == 0xB) ? -v : v;
}

void encodeDecimal(uint8_t* p, unsigned len, unsigned places, double v) {
    const bool negative = v < 0;
    double scaled = std::fabs(v);
    for (unsigned i = 0; i < places; ++i) scaled *= 10;
    scaled = std::round(scaled);
    const unsigned digits = 2 * len - 1;
    std::memset(p, 0, len);
    for (unsigned i = digits; i-- > 0;) {
        const unsigned d = static_cast<unsigned>(std::fmod(scaled, 10.0));
        scaled = std::floor(scaled / 10);
        if (i % 2 == 0)
            p[i / 2] = static_cast<uint8_t>(p[i / 2] | (d << 4));
        else
            p[i / 2] = static_cast<uint8_t>(p[i / 2] | d);
    }
    if (scaled > 0) {  // does not fit: the largest magnitude
        for (unsigned i = 0; i < digits; ++i)
            p[i / 2] = static_cast<uint8_t>(p[i / 2] | (i % 2 == 0 ? 0x90 : 0x09));
    }
    p[len - 1] = static_cast<uint8_t>((p[len - 1] & 0xF0) | (negative ? 0xD : 0xC));
}

template <class T>
void put(uint8_t* p, double v) {
    T x;
    if constexpr (std::is_floating_point_v<T>) {
        x = static_cast<T>(v);
    } else {
        const double lo = static_cast<double>(std::numeric_limits<T>::min());
        const double hi = static_cast<double>(std::numeric_limits<T>::max());
        if (std::isnan(v)) v = 0;
        x = static_cast<T>(v < lo ? lo : v > hi ? hi : std::trunc(v));
    }
    std::memcpy(p, &x, sizeof(T));
}

template <class T>
double get(const uint8_t* p) {
    T x;
    std::memcpy(&x, p, sizeof(T));
    return static_cast<double>(x);
}

}  // namespace

bool isText(FieldType t) {
    return t == FieldType::String || t == FieldType::CString || t == FieldType::PString ||
           t == FieldType::Group;
}

void clear(const FieldRef& f) {
    uint8_t* p = f.address();
    if (!p) return;
    std::memset(p, isText(f.decl().type) ? ' ' : 0, f.decl().size);
}

void setLimit(const FieldRef& f, bool high) {
    uint8_t* p = f.address();
    if (!p) return;
    const storage::FieldDecl& d = f.decl();
    switch (d.type) {
        case FieldType::Byte:
        case FieldType::UShort:
        case FieldType::ULong:
            std::memset(p, high ? 0xFF : 0x00, d.size);
            return;
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::Date:
        case FieldType::Time:
            if (d.size == 2)
                put<int16_t>(p, high ? 32767.0 : -32768.0);
            else if (d.size == 4)
                put<int32_t>(p, high ? 2147483647.0 : -2147483648.0);
            else
                std::memset(p, high ? 0xFF : 0x00, d.size);
            return;
        case FieldType::Real:
            if (d.size == 8)
                put<double>(p, high ? std::numeric_limits<double>::max()
                                    : std::numeric_limits<double>::lowest());
            return;
        case FieldType::SReal:
            if (d.size == 4)
                put<float>(p, high ? std::numeric_limits<float>::max()
                                   : std::numeric_limits<float>::lowest());
            return;
        case FieldType::Decimal:
        case FieldType::PDecimal:
            if (d.size >= 1 && d.size <= 8)
                encodeDecimal(p, d.size, d.places, high ? 1e300 : -1e300);
            return;
        default:
            std::memset(p, high ? 0xFF : 0x00, d.size);
            return;
    }
}

double numberOf(const storage::FieldDecl& d, const uint8_t* p) {
    if (!p) return 0;
    switch (d.type) {
        case FieldType::Byte:
            return p[0];
        case FieldType::Short:
            return d.size == 2 ? get<int16_t>(p) : 0;
        case FieldType::UShort:
            return d.size == 2 ? get<uint16_t>(p) : 0;
        case FieldType::Long:
        case FieldType::Date:
        case FieldType::Time:
            return d.size == 4 ? get<int32_t>(p) : 0;
        case FieldType::ULong:
            return d.size == 4 ? get<uint32_t>(p) : 0;
        case FieldType::Real:
            return d.size == 8 ? get<double>(p) : 0;
        case FieldType::SReal:
            return d.size == 4 ? get<float>(p) : 0;
        case FieldType::Decimal:
        case FieldType::PDecimal:
            return d.size >= 1 && d.size <= 8 ? decodeDecimal(p, d.size, d.places) : 0;
        default:
            return 0;
    }
}

double number(const FieldRef& f) {
    const uint8_t* p = f.address();
    return p ? numberOf(f.decl(), p) : 0;
}

void setNumber(const FieldRef& f, double v) {
    uint8_t* p = f.address();
    if (!p) return;
    const storage::FieldDecl& d = f.decl();
    switch (d.type) {
        case FieldType::Byte:
            put<uint8_t>(p, v);
            return;
        case FieldType::Short:
            if (d.size == 2) put<int16_t>(p, v);
            return;
        case FieldType::UShort:
            if (d.size == 2) put<uint16_t>(p, v);
            return;
        case FieldType::Long:
        case FieldType::Date:
        case FieldType::Time:
            if (d.size == 4) put<int32_t>(p, v);
            return;
        case FieldType::ULong:
            if (d.size == 4) put<uint32_t>(p, v);
            return;
        case FieldType::Real:
            if (d.size == 8) put<double>(p, v);
            return;
        case FieldType::SReal:
            if (d.size == 4) put<float>(p, v);
            return;
        case FieldType::Decimal:
        case FieldType::PDecimal:
            if (d.size >= 1 && d.size <= 8) encodeDecimal(p, d.size, d.places, v);
            return;
        default:
            return;
    }
}

std::string bytes(const FieldRef& f) {
    const uint8_t* p = f.address();
    if (!p) return {};
    return std::string(reinterpret_cast<const char*>(p), f.decl().size);
}

void setBytes(const FieldRef& f, const std::string& saved) {
    uint8_t* p = f.address();
    if (!p || saved.size() != f.decl().size) return;
    std::memcpy(p, saved.data(), saved.size());
}

bool equalBytes(const FieldRef& f, const std::string& saved) {
    return bytes(f) == saved;
}

void assign(const FieldRef& to, const FieldRef& from) {
    uint8_t* dst = to.address();
    const uint8_t* src = from.address();
    if (!dst || !src) return;
    const bool textTo = isText(to.decl().type), textFrom = isText(from.decl().type);
    if (textTo && textFrom) {
        const std::size_t n = std::min<std::size_t>(to.decl().size, from.decl().size);
        std::memmove(dst, src, n);
        std::memset(dst + n, ' ', to.decl().size - n);
    } else if (!textTo && !textFrom) {
        setNumber(to, number(from));
    } else {
        clear(to);
    }
}

bool equal(const FieldRef& a, const FieldRef& b) {
    if (!a.valid() || !b.valid()) return false;
    const bool ta = isText(a.decl().type), tb = isText(b.decl().type);
    if (ta != tb) return false;
    if (!ta) return number(a) == number(b);
    auto clip = [](std::string s) {
        while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
        return s;
    };
    return clip(bytes(a)) == clip(bytes(b));
}

void clearRecord(const storage::TableDecl& table) {
    if (!table.buffer) return;
    void* rec = table.buffer();
    if (!rec) return;
    std::memset(rec, 0, table.recordSize);
    for (std::size_t i = 1; i <= table.fields.size(); ++i) {
        const FieldRef f{&table, static_cast<int>(i)};
        if (f.valid() && isText(f.decl().type) && f.decl().type != FieldType::Group) clear(f);
    }
}

}  // namespace field
}  // namespace kw
