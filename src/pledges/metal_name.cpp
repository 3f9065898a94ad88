#include "pledges/metal_name.h"

#include "dictionary/reference.h"
#include "framework/data/dct_init.h"

namespace kw::pledges {

FixedString<10> metalName(uint8_t code) {
    FixedString<10> name;
    MET.KOD = code;
    if (Access::MET && Access::MET->TryFetch(dict::metTable().keys[0]) == Level::Benign)
        name = MET.NAME;
    return name;
}

}  // namespace kw::pledges
