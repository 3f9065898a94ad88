#include "storage/table_decl.h"

#include <cctype>

namespace kw::storage {

namespace {
std::string upperAscii(const std::string& s) {
    std::string r = s;
    for (auto& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}
}  // namespace

int TableDecl::fieldNumber(const std::string& name) const {
    std::string n = upperAscii(name);
    auto colon = n.find(':');
    if (colon != std::string::npos) {
        if (n.substr(0, colon) != upperAscii(label)) return 0;
        n = n.substr(colon + 1);
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == n) return static_cast<int>(i + 1);
    return 0;
}

}  // namespace kw::storage
