// libFuzzer target: filter-expression texts (see expression_entry.h).
#include <cstddef>
#include <cstdint>

#include "expression_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!kw::fuzz::expressionOneInput(data, size)) __builtin_trap();
    return 0;
}
