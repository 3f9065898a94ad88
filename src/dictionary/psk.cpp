#include "dictionary/psk.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = PskRecord;
    auto t = detail::makeTable("PSK", "psk", sizeof(R), [] { return static_cast<void*>(&PSK); });
    t.fields = {
        KW_DATE(R, DATA, "D6", "Действует с"),
        KW_FIELD(R, LIM, "n_9.3b", "Предел ПСК, % годовых"),
        KW_FIELD(R, BIL, "n1", "Печатать в билете"),
    };
    t.keys = {detail::makeKey("KEY_1", "PSK:key_1", {1}, false)};
    return t;
}
}  // namespace

const storage::TableDecl& pskTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
