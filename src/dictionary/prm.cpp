#include "dictionary/prm.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = PrmRecord;
    auto t = detail::makeTable("PRM", "prm", sizeof(R), [] { return static_cast<void*>(&PRM); });
    t.fields = {
        KW_FIELD(R, BKDIR, "s120", "Папка резервных копий"),
        KW_FIELD(R, BKKEEP, "n3", "Хранить копий"),
    };
    return t;
}
}  // namespace

const storage::TableDecl& prmTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
