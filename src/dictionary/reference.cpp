#include "dictionary/reference.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl makeMet() {
    using R = MetRecord;
    auto t = detail::makeTable("MET", "met", sizeof(R), [] { return static_cast<void*>(&MET); });
    t.fields = {
        KW_FIELD(R, KOD, "n3b", "Код"),
        KW_FIELD(R, NAME, "s10", "Имя"),
    };
    t.keys = {detail::makeKey("KEY_1", "MET:key_1", {1}, true)};
    return t;
}

storage::TableDecl makePrb() {
    using R = PrbRecord;
    auto t = detail::makeTable("PRB", "prb", sizeof(R), [] { return static_cast<void*>(&PRB); });
    t.fields = {
        KW_FIELD(R, KOD, "n3b", "Код"),
        KW_FIELD(R, PROB, "n3b", "Проба"),
        KW_FIELD(R, ZEN, "n_15.2b", "Цена за грамм"),
    };
    t.keys = {detail::makeKey("KEY_1", "PRB:key_1", {1, 2}, true)};
    return t;
}

storage::TableDecl makeKam() {
    using R = KamRecord;
    auto t = detail::makeTable("KAM", "kam", sizeof(R), [] { return static_cast<void*>(&KAM); });
    t.fields = {
        KW_FIELD(R, KOD, "n3b", "Код"),
        KW_FIELD(R, NAME, "s15", "Имя"),
        KW_FIELD(R, ZEN, "n15.2b", "Цена за карат"),
    };
    t.keys = {detail::makeKey("KEY_1", "KAM:key_1", {1}, true)};
    return t;
}
}  // namespace

const storage::TableDecl& metTable() {
    static const storage::TableDecl t = makeMet();
    return t;
}

const storage::TableDecl& prbTable() {
    static const storage::TableDecl t = makePrb();
    return t;
}

const storage::TableDecl& kamTable() {
    static const storage::TableDecl t = makeKam();
    return t;
}

}  // namespace kw::dict
