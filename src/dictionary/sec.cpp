#include "dictionary/sec.h"

#include "dictionary/decl_builder.h"

namespace kw::dict {

namespace {
storage::TableDecl make() {
    using R = SecRecord;
    auto t = detail::makeTable("SEC", "Sec", sizeof(R), [] { return static_cast<void*>(&SEC); });
    t.owner = "QORVAL";
    t.encrypt = true;
    t.fields = {
        KW_FIELD(R, K_POL, "", "Код пользователя"),
        KW_FIELD(R, FIO, "s25", ""),
        KW_FIELD(R, DOL, "", ""),
        KW_FIELD(R, PAROL, "", "Пароль"),
        KW_FIELD(R, OP1, "", ""),
        KW_FIELD(R, OP2, "", ""),
        KW_FIELD(R, OP3, "", ""),
        KW_FIELD(R, OP4, "", ""),
        KW_FIELD(R, OP5, "", ""),
        KW_FIELD(R, OP6, "", ""),
        KW_FIELD(R, OP7, "", ""),
        KW_FIELD(R, OP8, "", ""),
        KW_FIELD(R, OP9, "", ""),
        KW_FIELD(R, OP10, "", ""),
    };
    t.keys = {
        detail::makeKey("SEC_KEY", "Sec:SEC_KEY", {1}, false),
        detail::makeKey("PAROL_KEY", "Sec:PAROL_KEY", {4}, false),
    };
    return t;
}
}  // namespace

const storage::TableDecl& secTable() {
    static const storage::TableDecl t = make();
    return t;
}

}  // namespace kw::dict
