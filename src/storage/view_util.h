// Internals of the view shared by its source files.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/binding.h"
#include "storage/byte_order.h"
#include "storage/file.h"
#include "storage/table_decl.h"

namespace kw::storage::viewutil {

inline bool isString(FieldType t) {
    return t == FieldType::String || t == FieldType::CString || t == FieldType::PString;
}

// Integer fields whose key encoding keeps their order (record_codec.h).
inline bool isBoundable(FieldType t) {
    return t == FieldType::Byte || t == FieldType::Short || t == FieldType::Long;
}

inline void integerLimits(const FieldDecl& f, int64_t& lo, int64_t& hi) {
    switch (f.type) {
        case FieldType::Byte:
            lo = 0, hi = 255;
            break;
        case FieldType::Short:
            lo = -32768, hi = 32767;
            break;
        default:
            lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
            break;
    }
}

inline std::string upperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

inline std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Key and physical positions: the key value, then the record number little-endian (as
// File::position gives them).
inline std::string keyPosition(const uint8_t* value, std::size_t n, uint32_t rec) {
    std::string p;
    if (n > 0) p.assign(reinterpret_cast<const char*>(value), n);
    const char b[4] = {static_cast<char>(rec), static_cast<char>(rec >> 8),
                       static_cast<char>(rec >> 16), static_cast<char>(rec >> 24)};
    p.append(b, 4);
    return p;
}

inline uint32_t littleEndianRecord(const std::string& p) {
    return le::get32(reinterpret_cast<const uint8_t*>(p.data() + p.size() - 4));
}

inline uint32_t bigEndianRecord(const uint8_t* b) {
    return static_cast<uint32_t>(be::get(b, 4));
}

// The pass's filter for the file during one read of a view, taken back after it.
class PassScope {
  public:
    PassScope(File& file, const File::Filter& pass) : file_(file), on_(!pass.empty()) {
        if (on_) file_.filter(pass);
    }
    ~PassScope() {
        if (on_) file_.filter({});
    }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

  private:
    File& file_;
    bool on_;
};

// A field of a record held in `record`, for storing a value into it.
inline ui::Binding fieldIn(std::vector<uint8_t>& record, const FieldDecl& f) {
    return ui::Binding::at(record.data() + f.offset, static_cast<ui::ValueType>(f.type), f.size,
                           f.places);
}

}  // namespace kw::storage::viewutil
