#include "runtime/binding.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/real.h"
#include "runtime/unaligned.h"

namespace kw::ui {

namespace {

using picture::Kind;
using picture::ParseResult;

std::string clipRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string clipLeft(std::string s) {
    std::size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(i);
}

std::string upperName(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (c == '.') c = ':';
    }
    return r;
}

using unaligned::load;
using unaligned::store;

// Packed BCD of `size` bytes: 2*size-1 digits, sign in the last nibble (0xD/0xB negative).
double loadDecimal(const unsigned char* b, std::size_t size, int places) {
    const int digits = static_cast<int>(2 * size) - 1;
    double v = 0;
    for (int i = 0; i < digits; ++i) {
        const unsigned d = i % 2 == 0 ? b[i / 2] >> 4 : b[i / 2] & 0x0F;
        if (d > 9) return 0;  // bad bytes read as zero
        v = v * 10 + d;
    }
    v /= std::pow(10.0, places);
    const unsigned s = b[size - 1] & 0x0F;
    return s == 0xD || s == 0xB ? -v : v;
}

bool storeDecimal(unsigned char* b, std::size_t size, int places, double v) {
    const int digits = static_cast<int>(2 * size) - 1;
    double scaled = std::round(std::fabs(real::round(v, places)) * std::pow(10.0, places));
    if (scaled >= std::pow(10.0, digits)) return false;
    auto units = static_cast<uint64_t>(scaled);
    std::memset(b, 0, size);
    b[size - 1] = v < 0 && units != 0 ? 0x0D : 0x0C;
    for (int i = digits - 1; i >= 0; --i) {
        const auto d = static_cast<unsigned char>(units % 10);
        units /= 10;
        b[i / 2] = static_cast<unsigned char>(b[i / 2] | (i % 2 == 0 ? d << 4 : d));
    }
    return true;
}

template <typename T>
bool storeInteger(void* p, double v) {
    if (!std::isfinite(v)) return false;
    const double t = std::trunc(v);
    if (t < static_cast<double>(std::numeric_limits<T>::min()) ||
        t > static_cast<double>(std::numeric_limits<T>::max()))
        return false;
    store<T>(p, static_cast<T>(t));
    return true;
}

std::string plainNumber(double v) {
    if (v == 0) return "0";
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, static_cast<std::size_t>(res.ptr - buf));
}

}  // namespace

bool isTextType(ValueType t) {
    return t == ValueType::String || t == ValueType::CString || t == ValueType::PString;
}

double Value::asNumber() const {
    if (!isText) return number;
    std::string s = clipLeft(clipRight(text));
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    return res.ec == std::errc() && res.ptr == s.data() + s.size() ? v : 0;
}

std::string Value::asText() const {
    return isText ? text : plainNumber(number);
}

std::string formatValue(const Value& v, const picture::Picture& pic) {
    switch (pic.kind) {
        case Kind::Invalid:
            return clipRight(v.asText());
        case Kind::String:
            return clipRight(picture::formatString(v.asText(), pic.text));
        default:
            break;
    }
    const std::string s =
        v.isText ? picture::formatString(v.text, pic.text) : picture::format(v.number, pic);
    return clipLeft(clipRight(s));
}

ParsedValue parseValue(std::string_view text, const picture::Picture& pic, bool wantText) {
    ParsedValue r;
    if (pic.kind == Kind::Invalid) {
        // No picture: a text is taken as typed, a number must be a plain number.
        if (wantText) {
            r.value = Value(clipRight(std::string(text)));
            return r;
        }
        const std::string s = clipLeft(clipRight(std::string(text)));
        if (s.empty()) {
            r.result = ParseResult::Empty;
            r.value = Value(0.0);
            return r;
        }
        double v = 0;
        const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
        if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
            r.result = ParseResult::BadText;
            return r;
        }
        r.value = Value(v);
        return r;
    }
    const picture::Parsed p = picture::deformat(text, pic);
    r.result = p.result;
    if (!p.ok()) return r;
    if (pic.kind == Kind::String) {
        if (wantText) {
            r.value = Value(p.text);
        } else {
            // A number shown with a string picture: the text must be a plain number.
            return parseValue(p.text, picture::Picture{}, false);
        }
    } else {
        r.value = wantText
                      ? Value(p.result == ParseResult::Empty ? std::string() : plainNumber(p.value))
                      : Value(p.value);
    }
    return r;
}

Binding Binding::at(void* address, ValueType type, std::size_t size, int places) {
    Binding b;
    b.address_ = address;
    b.type_ = address ? type : ValueType::None;
    b.size_ = size;
    b.places_ = places;
    return b;
}

Binding Binding::field(BufferFn buffer, std::size_t offset, ValueType type, std::size_t size,
                       int places) {
    Binding b;
    b.buffer_ = buffer;
    b.offset_ = offset;
    b.type_ = buffer ? type : ValueType::None;
    b.size_ = size;
    b.places_ = places;
    return b;
}

bool Binding::hasName(std::string_view n) const {
    return !name_.empty() && upperName(n) == upperName(name_);
}

void* Binding::address() const {
    if (address_) return address_;
    if (!buffer_) return nullptr;
    void* base = buffer_();
    return base ? static_cast<char*>(base) + offset_ : nullptr;
}

Value Binding::get() const {
    const void* p = bound() ? address() : nullptr;
    if (!p || size_ == 0) return Value();
    const auto* b = static_cast<const unsigned char*>(p);
    switch (type_) {
        case ValueType::Byte:
            return Value(static_cast<double>(b[0]));
        case ValueType::Short:
            return size_ >= 2 ? Value(static_cast<double>(load<int16_t>(p))) : Value();
        case ValueType::UShort:
            return size_ >= 2 ? Value(static_cast<double>(load<uint16_t>(p))) : Value();
        case ValueType::Date:
        case ValueType::Time:
        case ValueType::Long:
            return size_ >= 4 ? Value(static_cast<double>(load<int32_t>(p))) : Value();
        case ValueType::ULong:
            return size_ >= 4 ? Value(static_cast<double>(load<uint32_t>(p))) : Value();
        case ValueType::SReal:
            return size_ >= 4 ? Value(static_cast<double>(load<float>(p))) : Value();
        case ValueType::Real:
            return size_ >= 8 ? Value(load<double>(p)) : Value();
        case ValueType::Decimal:
        case ValueType::PDecimal:
            return size_ <= 8 ? Value(loadDecimal(b, size_, places_)) : Value();
        case ValueType::String:
            return Value(std::string(static_cast<const char*>(p), size_));
        case ValueType::CString: {
            const auto* c = static_cast<const char*>(p);
            return Value(std::string(c, strnlen(c, size_)));
        }
        case ValueType::PString: {
            const std::size_t n = b[0] < size_ ? b[0] : size_ - 1;
            return Value(std::string(static_cast<const char*>(p) + 1, n));
        }
        case ValueType::None:
            break;
    }
    return Value();
}

bool Binding::set(const Value& v) const {
    void* p = bound() ? address() : nullptr;
    if (!p || size_ == 0) return false;
    const Value old = get();
    if (isText()) {
        std::string t = v.asText();
        if (clipRight(t) == clipRight(old.text)) return true;
        const std::size_t room = type_ == ValueType::String ? size_ : size_ - 1;
        if (clipRight(t).size() > room) return false;
        t = clipRight(t);
        char* c = static_cast<char*>(p);
        if (type_ == ValueType::String) {
            std::memset(c, ' ', size_);
            std::memcpy(c, t.data(), t.size());
        } else if (type_ == ValueType::CString) {
            std::memset(c, 0, size_);
            std::memcpy(c, t.data(), t.size());
        } else {
            std::memset(c, 0, size_);
            c[0] = static_cast<char>(t.size());
            std::memcpy(c + 1, t.data(), t.size());
        }
        return true;
    }
    const double n = v.asNumber();
    if (!std::isfinite(n)) return false;
    if (n == old.number) return true;
    switch (type_) {
        case ValueType::Byte:
            return storeInteger<uint8_t>(p, n);
        case ValueType::Short:
            return size_ >= 2 && storeInteger<int16_t>(p, n);
        case ValueType::UShort:
            return size_ >= 2 && storeInteger<uint16_t>(p, n);
        case ValueType::Date:
        case ValueType::Time:
        case ValueType::Long:
            return size_ >= 4 && storeInteger<int32_t>(p, n);
        case ValueType::ULong:
            return size_ >= 4 && storeInteger<uint32_t>(p, n);
        case ValueType::SReal:
            if (size_ < 4 || std::fabs(n) > std::numeric_limits<float>::max()) return false;
            store<float>(p, static_cast<float>(n));
            return true;
        case ValueType::Real:
            if (size_ < 8) return false;
            store<double>(p, n);
            return true;
        case ValueType::Decimal:
        case ValueType::PDecimal:
            return size_ <= 8 && storeDecimal(static_cast<unsigned char*>(p), size_, places_, n);
        default:
            break;
    }
    return false;
}

ParseResult Binding::setText(std::string_view typed, const picture::Picture& pic) const {
    const ParsedValue pv = parseValue(typed, pic, isText());
    if (!pv.ok()) return pv.result;
    return set(pv.value) ? pv.result : ParseResult::TooWide;
}

}  // namespace kw::ui
