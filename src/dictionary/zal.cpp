#include "dictionary/zal.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
// The eight fields of prolongation N, in record order.
#define KW_PROLONGATION(N, ORDINAL)                                              \
    KW_DATE(R, DATA_PR##N, "D6", "Дата прихода клиента"),                        \
        KW_FIELD(R, S_ST##N, "n_10.2b", "Штраф за просрочку выкупа"),            \
        KW_DATE(R, DATA_P##N##1, "D6", "Дата начала " ORDINAL "-го перезалога"), \
        KW_FIELD(R, KOL_D##N, "n3b", "Кол-во дней"),                             \
        KW_DATE(R, DATA_P##N##2, "D6", "Дата окончания"),                        \
        KW_FIELD(R, S_P_C##N, "n_10.2b", "Сумма %% по ссуде"),                   \
        KW_FIELD(R, S_P_X##N, "n_10.2b", "Сумма %% по хранению"),                \
        KW_FIELD(R, S_POL##N, "n_10.2b", "Получить с клиента")

storage::TableDecl make() {
    using R = ZalRecord;
    auto t = detail::makeTable("ZAL", "zal", sizeof(R), [] { return static_cast<void*>(&ZAL); });
    t.fields = {
        KW_FIELD(R, OPER, "", ""),
        KW_DATE(R, DATA, "D6", "Дата приема вещи"),
        KW_FIELD(R, FIO, "s60", "ФИО"),
        KW_FIELD(R, ADR, "s60", "Адрес"),
        KW_FIELD(R, PAS, "s60", "Паспорт"),
        KW_FIELD(R, N_KV, "n_14", "Номер квитанции"),
        KW_FIELD(R, MET, "", "Вид металла"),
        KW_FIELD(R, PROB, "n_3b", "Проба"),
        KW_FIELD(R, Z1G, "n_8.2b", "Цена за грамм"),
        KW_FIELD(R, OP_IZ, "s80", "Описание изделия"),
        KW_FIELD(R, VEC, "n_11.6b", "Вес общий"),
        KW_FIELD(R, KAM, "", "Камень"),
        KW_FIELD(R, VEC_K, "n10.6b", "Вес камня"),
        KW_FIELD(R, Z1K, "n_11.6b", "Цена за карат"),
        KW_FIELD(R, VEC_CH, "n_10.6b", "Вес чистый"),
        KW_FIELD(R, OZ_K, "n_15.2b", "Оценка камня"),
        KW_FIELD(R, PRIM, "s80", "Примечание"),
        KW_FIELD(R, KOL_D, "n_7b", "Количество дней"),
        KW_FIELD(R, S_OZEN, "n_15.2b", ""),
        KW_FIELD(R, S_CCYD, "n_15.2b", "Сумма ссуды"),
        KW_FIELD(R, PROZ_CC, "n_6.2b", "Корректирующий процент по ссуде"),
        KW_DATE(R, DATA_K, "D6", "Дата истечения срока"),
        KW_FIELD(R, P_CC_D, "n_10.6b", "Процент по ссуде за день"),
        KW_FIELD(R, P_XR_D, "n_9.6b", "Процент за хранение за день"),
        KW_FIELD(R, S_P_S, "n_15.2b", "Сумма по проценту за ссуду"),
        KW_FIELD(R, S_P_X, "n_15.2b", "Сумма по проценту за хранение"),
        KW_FIELD(R, S_VID, "n_15.2b", "ИТОГО к выдаче"),
        KW_FIELD(R, DATA_PO, "", ""),
        KW_FIELD(R, S_ST0, "", ""),
        KW_FIELD(R, S_DW, "", ""),
        KW_FIELD(R, S_OT, "", ""),
        KW_PROLONGATION(1, "1"),
        KW_PROLONGATION(2, "2"),
        KW_PROLONGATION(3, "3"),
        KW_DATE(R, DATA_PRW, "D6", ""),
        KW_FIELD(R, S_STW, "n_10.2b", ""),
        KW_FIELD(R, S_P_CW, "n_10.2b", ""),
        KW_FIELD(R, S_P_XW, "n_10.2b", ""),
        KW_FIELD(R, S_W, "n_10.2b", ""),
        KW_DATE(R, DATA_R, "D6", "Дата передачи"),
        KW_FIELD(R, D_PROR, "", ""),
        KW_FIELD(R, S_STR, "n_10.2b", "Сумма штрафов"),
        KW_FIELD(R, S_P_CR, "n_10.2b", ""),
        KW_FIELD(R, S_P_XR, "n_10.2b", ""),
        KW_FIELD(R, S_R, "n_10.2b", "Оценка цены реализации"),
        KW_FIELD(R, SOST, "n3", ""),
    };
    t.keys = {
        detail::makeKey("KEY_1", "ZAL:key_1", {6}, true),
        detail::makeKey("KEY_2", "ZAL:key_2", {2, 6}, true),
        detail::makeKey("KEY_3", "ZAL:key_3", {22}, true),
    };
    // KEY_1 once more for the open pledges only (issued or prolonged, states 0 to 3): the
    // operation lists read these few among every pledge ever made.
    t.partialKeys = {{1, t.fieldNumber("SOST"), 3}};
    return t;
}
#undef KW_PROLONGATION
}  // namespace

const storage::TableDecl& zalTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
