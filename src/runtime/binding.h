// Use variables of controls. A Binding names where a control's value lives: a global or
// a local at a fixed address, or a field of a THREAD record buffer, reached through the
// buffer function of its table plus the field's offset. The address of a record field
// is resolved on every access for the calling thread, so a binding must be read and
// written on the procedure thread that owns the window (the window engine does so).
//
// Values are read and written as bytes (memcpy): a binding never dereferences a
// possibly unaligned member of a packed record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/decimal.h"
#include "runtime/fixed_string.h"
#include "runtime/picture.h"

namespace kw::ui {

// Storage types; the numbers are those of the dictionary's field descriptors, so a
// descriptor's type converts by static_cast.
enum class ValueType : uint8_t {
    None = 0,
    Byte = 1,
    Short = 2,
    UShort = 3,
    Date = 4,  // held here as a 32-bit day number
    Time = 5,  // held here as a 32-bit time (hundredths since midnight, +1)
    Long = 6,
    ULong = 7,
    SReal = 8,
    Real = 9,
    Decimal = 10,
    PDecimal = 11,  // same packed form as Decimal
    String = 18,    // fixed width, blank padded
    CString = 19,   // NUL terminated within its size
    PString = 20,   // length byte, then the text
};

bool isTextType(ValueType t);

// A value on its way between a variable and the screen: a number or a CP1251 text.
struct Value {
    bool isText = false;
    double number = 0;
    std::string text;

    Value() = default;
    Value(double n) : number(n) {}  // NOLINT: numbers convert as in the language
    Value(int n) : number(n) {}     // NOLINT
    Value(std::string s) : isText(true), text(std::move(s)) {}  // NOLINT
    Value(const char* s) : isText(true), text(s) {}             // NOLINT

    // The value as a number (a text is read as a plain decimal number, 0 when it is none).
    double asNumber() const;
    // The value as text (a number in its shortest plain form: 12, 12.5, -0.25).
    std::string asText() const;
};

// How a value shows: formatted by the picture, then with trailing blanks clipped and,
// for every picture but a string one, leading blanks too (alignment is the control's
// business). Without a picture (kind Invalid) a number shows in its plain form.
std::string formatValue(const Value& v, const picture::Picture& pic);

// Reads typed text with a picture into a value of the wanted kind (text or number).
struct ParsedValue {
    picture::ParseResult result = picture::ParseResult::Ok;
    Value value;
    bool ok() const {
        return result == picture::ParseResult::Ok || result == picture::ParseResult::Empty;
    }
};
ParsedValue parseValue(std::string_view text, const picture::Picture& pic, bool wantText);

class Binding {
  public:
    using BufferFn = void* (*)();

    Binding() = default;  // no variable

    // A variable at a fixed address (global, static, or a local that outlives the window).
    static Binding at(void* address, ValueType type, std::size_t size, int places = 0);
    // A field of the calling thread's record buffer: buffer() + offset.
    static Binding field(BufferFn buffer, std::size_t offset, ValueType type, std::size_t size,
                         int places = 0);

    static Binding of(uint8_t& v) { return at(&v, ValueType::Byte, 1); }
    static Binding of(int16_t& v) { return at(&v, ValueType::Short, 2); }
    static Binding of(uint16_t& v) { return at(&v, ValueType::UShort, 2); }
    static Binding of(int32_t& v) { return at(&v, ValueType::Long, 4); }
    static Binding of(uint32_t& v) { return at(&v, ValueType::ULong, 4); }
    static Binding of(float& v) { return at(&v, ValueType::SReal, 4); }
    static Binding of(double& v) { return at(&v, ValueType::Real, 8); }
    template <std::size_t N>
    static Binding of(FixedString<N>& s) {
        return at(s.data, ValueType::String, N);
    }
    template <std::size_t B, int P>
    static Binding of(Decimal<B, P>& d) {
        return at(d.bytes, ValueType::Decimal, B, P);
    }

    // The name tests and messages use for the variable ("KOD", "ZAL:S_CCYD").
    Binding& named(std::string name) {
        name_ = std::move(name);
        return *this;
    }
    const std::string& name() const { return name_; }
    // True when `n` names this variable: letter case ignored, ':' and '.' alike.
    bool hasName(std::string_view n) const;

    bool bound() const {
        return type_ != ValueType::None && (address_ != nullptr || buffer_ != nullptr);
    }
    ValueType type() const { return type_; }
    std::size_t size() const { return size_; }
    bool isText() const { return isTextType(type_); }

    // The variable's value (an empty value when unbound).
    Value get() const;
    // Stores a value; false when unbound or when the value does not fit the type (a
    // number out of range, a text too long for it). A value equal to the one held is
    // not written, so the bytes of an unchanged variable stay as they were.
    bool set(const Value& v) const;

    // get/set through a picture.
    std::string text(const picture::Picture& pic) const { return formatValue(get(), pic); }
    picture::ParseResult setText(std::string_view typed, const picture::Picture& pic) const;

  private:
    void* address() const;

    void* address_ = nullptr;
    BufferFn buffer_ = nullptr;
    std::size_t offset_ = 0;
    ValueType type_ = ValueType::None;
    std::size_t size_ = 0;
    int places_ = 0;
    std::string name_;
};

}  // namespace kw::ui
