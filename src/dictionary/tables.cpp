#include "dictionary/tables.h"

#include <cctype>

namespace kw::dict {

const std::vector<const storage::TableDecl*>& allTables() {
    static const std::vector<const storage::TableDecl*> all = {
        &secTable(), &dayTable(), &klmTable(), &filTable(), &izdTable(), &zalTable(), &metTable(),
        &prbTable(), &kamTable(), &kbpTable(), &pklTable(), &pskTable(), &audTable(), &prmTable(),
    };
    return all;
}

const storage::TableDecl& table(std::string_view label) {
    static const storage::TableDecl none;
    for (const auto* t : allTables()) {
        if (t->label.size() != label.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < label.size() && same; ++i)
            same = std::toupper(static_cast<unsigned char>(label[i])) ==
                   static_cast<unsigned char>(t->label[i]);
        if (same) return *t;
    }
    return none;
}

}  // namespace kw::dict
