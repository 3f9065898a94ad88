// libFuzzer target: the data-file driver over arbitrary table files (open, read in every
// order, key traversal, check). Built only with -DKESTROWD_FUZZ=ON (clang).
#include <cstddef>
#include <cstdint>

#include "../tests/storage/datafile_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kw::storage::fuzzing::runDataFile(data, size);
    return 0;
}
