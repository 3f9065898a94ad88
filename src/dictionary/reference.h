// The reference tables of the appraisal: MET (metals), PRB (price per gram by metal
// and fineness), KAM (stones).
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw::dict {

#pragma pack(push, 1)
struct MetRecord {
    uint8_t KOD = 0;
    FixedString<10> NAME;
};

struct PrbRecord {
    uint8_t KOD = 0;   // metal code
    int16_t PROB = 0;  // fineness
    double ZEN = 0;    // price per gram
};

struct KamRecord {
    uint8_t KOD = 0;
    FixedString<15> NAME;
    double ZEN = 0;  // price per carat
};
#pragma pack(pop)

static_assert(sizeof(MetRecord) == 11);
static_assert(sizeof(PrbRecord) == 11);
static_assert(offsetof(PrbRecord, ZEN) == 3);
static_assert(sizeof(KamRecord) == 24);
static_assert(offsetof(KamRecord, ZEN) == 16);

const storage::TableDecl& metTable();
const storage::TableDecl& prbTable();
const storage::TableDecl& kamTable();

}  // namespace kw::dict

inline thread_local kw::dict::MetRecord MET;
inline thread_local kw::dict::PrbRecord PRB;
inline thread_local kw::dict::KamRecord KAM;
