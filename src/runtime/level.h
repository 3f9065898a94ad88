// Result levels: what every framework operation returns to tell its caller how to go
// on. The numbers are stored (message tables, the history) and compared, so they are
// fixed.
#pragma once

#include <cstdint>

namespace kw {

enum class Level : uint8_t {
    Benign = 0,   // success, or the user answered Yes
    User = 1,     // a question for the user (a message's level only)
    Program = 2,  // a programming error; handled as Fatal
    Fatal = 3,    // the program ends
    Cancel = 4,   // the user declined a question (answered No)
    Notify = 5,   // the user was told; the operation failed
};

constexpr uint8_t toByte(Level l) {
    return static_cast<uint8_t>(l);
}

}  // namespace kw
