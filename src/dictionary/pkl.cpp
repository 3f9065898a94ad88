#include "dictionary/pkl.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = PklRecord;
    auto t = detail::makeTable("PKL", "pkl", sizeof(R), [] { return static_cast<void*>(&PKL); });
    t.fields = {
        KW_FIELD(R, FIO, "s60", "Ф И О"),
        KW_FIELD(R, ADR, "s60", "Адрес"),
        KW_FIELD(R, PAS, "s60", "Паспорт"),
    };
    t.keys = {detail::makeKey("KEY_1", "PKL:key_1", {1}, true)};
    return t;
}
}  // namespace

const storage::TableDecl& pklTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
