// The name of a metal as the price lists and forms show it beside its code.
#pragma once

#include <cstdint>

#include "runtime/fixed_string.h"

namespace kw::pledges {

// MET:NAME of metal `code` (the first MET record of that code in MET:KEY_1 order);
// blank when there is none. Reads MET into the calling thread's record buffer; MET
// must be open.
FixedString<10> metalName(uint8_t code);

}  // namespace kw::pledges
