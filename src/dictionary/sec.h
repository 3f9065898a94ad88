// SEC: the users of the program, one record per operator. The file is enciphered under
// its owner password.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct SecRecord {
    uint8_t K_POL = 0;  // user code typed at login
    FixedString<25> FIO;
    FixedString<25> DOL;
    FixedString<10> PAROL;
    uint8_t OP1 = 0;
    uint8_t OP2 = 0;
    uint8_t OP3 = 0;
    uint8_t OP4 = 0;
    uint8_t OP5 = 0;
    uint8_t OP6 = 0;
    uint8_t OP7 = 0;
    uint8_t OP8 = 0;
    uint8_t OP9 = 0;
    uint8_t OP10 = 0;
};
#pragma pack(pop)

static_assert(sizeof(SecRecord) == 71);
static_assert(offsetof(SecRecord, PAROL) == 51);
static_assert(offsetof(SecRecord, OP10) == 70);

const storage::TableDecl& secTable();

}  // namespace kw::dict

// The calling procedure thread's SEC record.
inline thread_local kw::dict::SecRecord SEC;
