#include "framework/window/fuzzy_class.h"

#include <string>
#include <vector>

#include "runtime/codepage.h"

namespace kw {

namespace {

// Letters and digits of CP1251: ASCII ones, and 0xA8/0xB8 (Ё, ё), 0xC0..0xFF (А..я).
bool isWordChar(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           c == 0xA8 || c == 0xB8 || c >= 0xC0;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && !isWordChar(static_cast<unsigned char>(s[i]))) ++i;
        std::size_t start = i;
        while (i < s.size() && isWordChar(static_cast<unsigned char>(s[i]))) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

}  // namespace

void FuzzyClass::Init() {
    noCase_ = 0;
    wordOnly_ = 0;
}

bool FuzzyClass::SetOption(int option, int value) {
    switch (option) {
        case NoCase:
            noCase_ = value ? 1 : 0;
            return true;
        case WordOnly:
            wordOnly_ = value ? 1 : 0;
            return true;
        default:
            return false;
    }
}

int FuzzyClass::GetOption(int option) const {
    switch (option) {
        case NoCase:
            return noCase_;
        case WordOnly:
            return wordOnly_;
        default:
            return 0;
    }
}

uint8_t FuzzyClass::Match(std::string_view query, std::string_view text) const {
    std::string q(query), t(text);
    if (noCase_) {
        q = cp::upper(q);
        t = cp::upper(t);
    }
    const auto wanted = words(q);
    if (wanted.empty()) return 0;
    const auto have = words(t);
    std::size_t found = 0;
    for (auto w : wanted) {
        bool hit = false;
        if (wordOnly_) {
            for (auto h : have)
                if (h == w) {
                    hit = true;
                    break;
                }
        } else {
            hit = t.find(w) != std::string::npos;
        }
        if (hit) ++found;
    }
    return static_cast<uint8_t>(found * 100 / wanted.size());
}

void FuzzyClass::Kill() {
    Init();
}

}  // namespace kw
