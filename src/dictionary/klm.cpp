#include "dictionary/klm.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = KlmRecord;
    auto t = detail::makeTable("KLM", "klm", sizeof(R), [] { return static_cast<void*>(&KLM); });
    t.fields = {
        KW_DATE(R, DATA, "D6", "Дата"),
        KW_FIELD(R, FIO, "s30", "Ф И О"),
        KW_FIELD(R, PRI, "n_10.2b", "Приход"),
        KW_FIELD(R, RAS, "n_10.2b", "Расход"),
        KW_FIELD(R, NAME, "s30", "Наименование операции"),
    };
    t.keys = {detail::makeKey("KEY_1", "Klm:key_1", {1}, true)};
    return t;
}
}  // namespace

const storage::TableDecl& klmTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
