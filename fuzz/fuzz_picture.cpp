// libFuzzer target: picture texts and typed texts (see picture_entry.h).
#include <cstddef>
#include <cstdint>

#include "picture_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!kw::fuzz::pictureOneInput(data, size)) __builtin_trap();
    return 0;
}
