// Building blocks for the table declarations: a field descriptor is derived from the
// record struct itself (offset, size and type code from the member), so the descriptor
// and the record can never disagree. Used by the dictionary's own sources only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>

#include "runtime/decimal.h"
#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict::detail {

template <class T>
struct FieldTypeOf;
template <>
struct FieldTypeOf<uint8_t> {
    static constexpr storage::FieldType type = storage::FieldType::Byte;
    static constexpr uint8_t places = 0;
};
template <>
struct FieldTypeOf<int16_t> {
    static constexpr storage::FieldType type = storage::FieldType::Short;
    static constexpr uint8_t places = 0;
};
template <>
struct FieldTypeOf<int32_t> {
    static constexpr storage::FieldType type = storage::FieldType::Long;
    static constexpr uint8_t places = 0;
};
template <>
struct FieldTypeOf<double> {
    static constexpr storage::FieldType type = storage::FieldType::Real;
    static constexpr uint8_t places = 0;
};
template <std::size_t N>
struct FieldTypeOf<FixedString<N>> {
    static constexpr storage::FieldType type = storage::FieldType::String;
    static constexpr uint8_t places = 0;
};
template <std::size_t Bytes, int Places>
struct FieldTypeOf<Decimal<Bytes, Places>> {
    static constexpr storage::FieldType type = storage::FieldType::Decimal;
    static constexpr uint8_t places = static_cast<uint8_t>(Places);
};

template <class T>
storage::FieldDecl makeField(const char* name, std::size_t offset, const char* picture,
                             const char* prompt, bool isDate) {
    storage::FieldDecl f;
    f.name = name;
    f.type = FieldTypeOf<T>::type;
    f.offset = static_cast<uint16_t>(offset);
    f.size = static_cast<uint16_t>(sizeof(T));
    f.places = FieldTypeOf<T>::places;
    f.isDate = isDate;
    f.picture = picture;
    f.prompt = prompt;
    return f;
}

// A key as every key of the dictionary is: ascending, NOCASE and OPT.
storage::KeyDecl makeKey(const char* name, const char* description,
                         std::initializer_list<int> components, bool dup);

// A table with the attributes every table has (CREATE, RECLAIM, THREAD, OEM) and its
// label as disk name.
storage::TableDecl makeTable(const char* label, const char* messageName, std::size_t recordSize,
                             void* (*buffer)());

}  // namespace kw::dict::detail

// A field of record type R: KW_FIELD(ZalRecord, S_CCYD, "n_15.2b", "Сумма ссуды").
#define KW_FIELD(R, F, PICTURE, PROMPT) \
    ::kw::dict::detail::makeField<decltype(R::F)>(#F, offsetof(R, F), PICTURE, PROMPT, false)
// A LONG field that holds a day number.
#define KW_DATE(R, F, PICTURE, PROMPT)                                                          \
    ::kw::dict::detail::makeField<                                                              \
        std::enable_if_t<std::is_same_v<decltype(R::F), int32_t>, int32_t>>(#F, offsetof(R, F), \
                                                                            PICTURE, PROMPT, true)
