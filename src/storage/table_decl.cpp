#include "storage/table_decl.h"

#include "runtime/codepage.h"

namespace kw::storage {

int TableDecl::fieldNumber(const std::string& name) const {
    std::string n = cp::upper(name);
    auto colon = n.find(':');
    if (colon != std::string::npos) {
        if (n.substr(0, colon) != cp::upper(label)) return 0;
        n = n.substr(colon + 1);
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == n) return static_cast<int>(i + 1);
    return 0;
}

}  // namespace kw::storage
