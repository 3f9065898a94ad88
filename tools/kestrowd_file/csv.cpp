#include "csv.h"

namespace kw::tool {

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        line += csvField(fields[i]);
    }
    return line + "\n";
}

bool readCsvRecord(std::istream& in, std::vector<std::string>& fields) {
    fields.clear();
    std::string cur;
    bool quoted = false, any = false;
    int c;
    while ((c = in.get()) != EOF) {
        any = true;
        if (quoted) {
            if (c == '"') {
                if (in.peek() == '"') {
                    in.get();
                    cur += '"';
                } else {
                    quoted = false;
                }
            } else {
                cur += static_cast<char>(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(cur);
            cur.clear();
        } else if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            fields.push_back(cur);
            return true;
        } else {
            cur += static_cast<char>(c);
        }
    }
    if (!any) return false;
    if (!cur.empty() && cur.back() == '\r') cur.pop_back();
    fields.push_back(cur);
    return true;
}

}  // namespace kw::tool
