#include "dictionary/day.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = DayRecord;
    auto t = detail::makeTable("DAY", "day", sizeof(R), [] { return static_cast<void*>(&DAY); });
    t.fields = {
        KW_DATE(R, DATA, "D6", "Дата"),
        KW_FIELD(R, OBO, "n_15.2", "В обороте руб."),
        KW_FIELD(R, KAS, "n_15.2", "В кассе руб."),
        KW_FIELD(R, PRIB, "n-_10.2", "Прибыль за день"),
        KW_FIELD(R, KAS_N, "n_15.2", "Вх.ост.по кассе"),
    };
    t.keys = {detail::makeKey("KEY_1", "DAY:key_1", {1}, false)};
    return t;
}
}  // namespace

const storage::TableDecl& dayTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
