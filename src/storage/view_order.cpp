// Order texts of views: parsing, printing, the order of a key.
#include "storage/view.h"
#include "storage/view_util.h"

namespace kw::storage {

using namespace viewutil;

bool parseOrder(std::string_view text, const TableDecl& table, std::vector<OrderPart>& out,
                std::string& error) {
    out.clear();
    error.clear();
    text = trim(text);
    if (text.empty()) return true;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        std::string_view part = trim(text.substr(start, comma - start));
        OrderPart p;
        if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
            p.descending = part.front() == '-';
            part = trim(part.substr(1));
        }
        const std::string upper = upperAscii(part);
        if (upper.size() > 7 && upper.compare(0, 6, "UPPER(") == 0 && upper.back() == ')') {
            p.nocase = true;
            part = trim(part.substr(6, part.size() - 7));
        }
        if (part.empty()) {
            error = "empty part in the order '" + std::string(text) + "'";
            return false;
        }
        p.field = table.fieldNumber(std::string(part));
        if (p.field == 0 || table.field(p.field).type == FieldType::Group) {
            error = "no field '" + std::string(part) + "' in " + table.label;
            return false;
        }
        if (!isString(table.field(p.field).type)) p.nocase = false;
        out.push_back(p);
        start = comma + 1;
    }
    return true;
}

std::string orderText(const TableDecl& table, const std::vector<OrderPart>& order) {
    std::string s;
    for (const OrderPart& p : order) {
        if (p.field < 1 || p.field > static_cast<int>(table.fields.size())) continue;
        if (!s.empty()) s += ',';
        s += p.descending ? '-' : '+';
        const std::string name = table.label + ":" + table.field(p.field).name;
        s += p.nocase ? "UPPER(" + name + ")" : name;
    }
    return s;
}

std::vector<OrderPart> keyOrder(const TableDecl& table, int key) {
    std::vector<OrderPart> out;
    if (key < 1 || key > static_cast<int>(table.keys.size())) return out;
    const KeyDecl& k = table.keys[static_cast<std::size_t>(key - 1)];
    for (int f : k.components) {
        if (f < 1 || f > static_cast<int>(table.fields.size())) continue;
        out.push_back({f, false, k.nocase && isString(table.field(f).type)});
    }
    return out;
}

}  // namespace kw::storage
