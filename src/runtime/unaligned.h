// A value of type T read from, or written to, any byte of a record or a buffer: the
// fields of the packed records stand at any offset, where a plain pointer access would
// be misaligned.
#pragma once

#include <cstring>

namespace kw::unaligned {

template <class T>
T load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
void store(void* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

}  // namespace kw::unaligned
