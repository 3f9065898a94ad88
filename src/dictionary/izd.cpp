#include "dictionary/izd.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = IzdRecord;
    auto t = detail::makeTable("IZD", "izd", sizeof(R), [] { return static_cast<void*>(&IZD); });
    t.fields = {
        KW_FIELD(R, KOD, "n3", "Код"),
        KW_FIELD(R, NAME, "s80", "Наименование"),
    };
    t.keys = {detail::makeKey("KEY_1", "IZD:key_1", {1}, false)};
    return t;
}
}  // namespace

const storage::TableDecl& izdTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
