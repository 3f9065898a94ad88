#include "csv.h"

#include <cstdio>

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
    if (fields.size() == 1 && fields[0].empty()) return "\"\"\n";
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        line += csvField(fields[i]);
    }
    return line + "\n";
}

void CsvReader::skipLine() {
    while (pos_ < in_.size() && in_[pos_] != '\n') ++pos_;
    if (pos_ < in_.size()) {
        ++pos_;
        ++nextLine_;
    }
}

CsvReader::Result CsvReader::next(std::vector<std::string>& fields, std::string& error) {
    fields.clear();
    if (pos_ >= in_.size()) return Result::End;
    line_ = nextLine_;
    std::string cur;
    auto fail = [&](const char* what) {
        column_ = fields.size() + 1;
        error = what;
        skipLine();
        return Result::Error;
    };
    for (;;) {
        // At the start of a field.
        if (pos_ < in_.size() && in_[pos_] == '"') {
            const long opened = nextLine_;
            ++pos_;
            for (;;) {
                if (pos_ >= in_.size()) {
                    line_ = opened;
                    column_ = fields.size() + 1;
                    error = "a quote that is not closed";
                    return Result::Error;
                }
                const char c = in_[pos_++];
                if (c == '\0') return fail("a NUL byte");
                if (c == '"') {
                    if (pos_ < in_.size() && in_[pos_] == '"') {
                        cur += '"';
                        ++pos_;
                        continue;
                    }
                    break;
                }
                if (c == '\n') ++nextLine_;
                cur += c;
            }
            // Right after the closing quote: a comma or the end of the line.
            if (pos_ < in_.size() && in_[pos_] == '\r' &&
                (pos_ + 1 == in_.size() || in_[pos_ + 1] == '\n'))
                ++pos_;
            if (pos_ < in_.size() && in_[pos_] != ',' && in_[pos_] != '\n')
                return fail("text after a closing quote");
        } else {
            while (pos_ < in_.size() && in_[pos_] != ',' && in_[pos_] != '\n') {
                const char c = in_[pos_];
                if (c == '\0') return fail("a NUL byte");
                if (c == '"') return fail("a quote inside a field that does not start with one");
                cur += c;
                ++pos_;
            }
            if (!cur.empty() && cur.back() == '\r' && (pos_ >= in_.size() || in_[pos_] == '\n'))
                cur.pop_back();
        }
        fields.push_back(std::move(cur));
        cur.clear();
        if (pos_ >= in_.size()) return Result::Record;
        if (in_[pos_++] == '\n') {
            ++nextLine_;
            return Result::Record;
        }
    }
}

namespace {

// Length of the UTF-8 sequence at s[i] (0 when it is not a valid one).
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    return n;
}

}  // namespace

std::string excerpt(std::string_view s, std::size_t max) {
    std::string out;
    std::size_t i = 0;
    for (; i < s.size() && i < max;) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t n = utf8Length(s, i);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
            ++i;
        } else {
            if (i + n > max) break;
            out.append(s.substr(i, n));
            i += n;
        }
    }
    if (i < s.size()) out += "... (" + std::to_string(s.size()) + " bytes)";
    return out;
}

}  // namespace kw::tool
