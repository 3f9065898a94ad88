#include "scenario.h"

namespace kw::scenario {

bool splitLine(const std::string& line, std::vector<std::string>& words, std::string& why) {
    words.clear();
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            std::string word;
            ++i;
            bool closed = false;
            while (i < n) {
                const char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < n && (line[i] == '"' || line[i] == '\\'))
                    word += line[i++];
                else
                    word += d;
            }
            if (!closed) {
                why = "a quoted text is not closed";
                return false;
            }
            words.push_back(word);
        } else {
            std::string word;
            while (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
            words.push_back(word);
        }
    }
    return true;
}

Script parse(std::istream& in) {
    Script s;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);  // a byte-order mark
        std::vector<std::string> words;
        std::string why;
        if (!splitLine(line, words, why)) {
            if (s.error.empty()) s.error = "line " + std::to_string(number) + ": " + why;
            continue;
        }
        if (words.empty()) continue;
        Step step;
        step.line = number;
        step.text = line;
        while (!step.text.empty() && (step.text.back() == ' ' || step.text.back() == '\r'))
            step.text.pop_back();
        step.command = words.front();
        step.args.assign(words.begin() + 1, words.end());
        s.steps.push_back(std::move(step));
    }
    return s;
}

}  // namespace kw::scenario
