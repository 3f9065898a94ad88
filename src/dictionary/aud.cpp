#include "dictionary/aud.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = AudRecord;
    auto t = detail::makeTable("AUD", "aud", sizeof(R), [] { return static_cast<void*>(&AUD); });
    t.fields = {
        KW_FIELD(R, N, "n_9", "№"),
        KW_DATE(R, DATA, "D6", "Дата"),
        KW_FIELD(R, TIME, "T8", "Время"),
        KW_FIELD(R, KOD, "n3", "Код"),
        KW_FIELD(R, FIO, "s30", "Пользователь"),
        KW_FIELD(R, HOST, "s20", "Касса"),
        KW_FIELD(R, TAB, "s3", "Таблица"),
        KW_FIELD(R, KEY, "s20", "Запись"),
        KW_FIELD(R, KIND, "n3", "Вид"),
        KW_FIELD(R, TEXT, "s1000", "Изменения"),
        KW_FIELD(R, HASH, "s64", ""),
    };
    t.keys = {detail::makeKey("KEY_1", "AUD:key_1", {1}, false),
              detail::makeKey("KEY_2", "AUD:key_2", {2, 1}, false)};
    return t;
}
}  // namespace

const storage::TableDecl& audTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
