#include "dictionary/kbp.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
#define KW_BAND(N)                                                                \
    KW_FIELD(R, S##N##1, "n_15.2b", "От"), KW_FIELD(R, S##N##2, "n_15.2b", "До"), \
        KW_FIELD(R, PS##N, "n_9.6b", "Процент")
#define KW_PROLONGATION(N)                                               \
    KW_FIELD(R, P##N##N, "n_4.2b", ""), KW_FIELD(R, P##N, "n_4.2b", ""), \
        KW_FIELD(R, SD##N, "n3b", ""), KW_FIELD(R, SW##N, "n_10.2b", "")

storage::TableDecl make() {
    using R = KbpRecord;
    auto t = detail::makeTable("KBP", "kbp", sizeof(R), [] { return static_cast<void*>(&KBP); });
    t.fields = {
        KW_FIELD(R, NAME, "s60", ""),
        KW_FIELD(R, ADR, "s80", "Адрес"),
        KW_FIELD(R, TEL, "s60", "Телефоны"),
        KW_FIELD(R, FIO_N, "s30", "ФИО нотариуса"),
        KW_FIELD(R, N_LIZ, "s14", "Номер лицензии"),
        KW_FIELD(R, N_PROZ, "n_5.2b", "%% за услуги"),
        KW_FIELD(R, KDZ, "n_4b", "Кол-во дней хранения"),
        KW_FIELD(R, PRO_S, "n_3b", "Процент для расчета ссуды"),
        KW_FIELD(R, PDX, "n_9.6b", "Процент за день хранения"),
        KW_BAND(1),
        KW_BAND(2),
        KW_BAND(3),
        KW_BAND(4),
        KW_BAND(5),
        KW_FIELD(R, S_NAD, "s60", "Примечание по умолчанию"),
        KW_FIELD(R, SW, "n_10.2b", "Сумма(<=)"),
        KW_FIELD(R, SD, "n3b", "кол-во дней(<=)"),
        KW_FIELD(R, P0, "n1b", "Повышающий коэффициент %% за просрочку"),
        KW_PROLONGATION(1),
        KW_PROLONGATION(2),
        KW_PROLONGATION(3),
        KW_FIELD(R, S_N, "n_14b", "Начальный номер билета"),
        KW_FIELD(R, KAS_N, "n-_12.2b", "Начальный остаток в кассе"),
        KW_FIELD(R, KAS_R, "n_15.2", "Расход"),
        KW_FIELD(R, KAS_P, "n_15.2", "Приход"),
    };
    return t;
}
#undef KW_BAND
#undef KW_PROLONGATION
}  // namespace

const storage::TableDecl& kbpTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
