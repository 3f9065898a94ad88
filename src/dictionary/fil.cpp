#include "dictionary/fil.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = FilRecord;
    auto t = detail::makeTable("FIL", "fil", sizeof(R), [] { return static_cast<void*>(&FIL); });
    t.fields = {KW_FIELD(R, KOD, "", "")};
    t.keys = {detail::makeKey("KEY_1", "FIL:key_1", {1}, false)};
    return t;
}
}  // namespace

const storage::TableDecl& filTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
