// CONV_S: the amount in words (S_R spelled into S1 to S3) for the pledge ticket.
#include "shell/conv_s.h"

#include <cmath>

#include "runtime/codepage.h"
#include "runtime/picture.h"
#include "shell/globals.h"

namespace kw::shell {

namespace {

constexpr std::size_t kMaxWords = 30;
constexpr std::size_t kLineRoom = 60;  // a line and its next word stay shorter than this

struct Tables {
    std::vector<std::string> hundreds, masculine, feminine, tens, roubles, thousands, millions,
        billions;
    std::string kopeck1, kopeck2, kopeck5, minus;
};

std::vector<std::string> words(std::initializer_list<const char*> utf8) {
    std::vector<std::string> out;
    for (const char* w : utf8) out.push_back(W(w));
    return out;
}

const Tables& tables() {
    static const Tables t = [] {
        Tables t;
        t.hundreds = words({"сто", "двести", "триста", "четыреста", "пятьсот", "шестьсот",
                            "семьсот", "восемьсот", "девятьсот"});
        t.masculine =
            words({"один",        "два",        "три",          "четыре",       "пять",
                   "шесть",       "семь",       "восемь",       "девять",       "десять",
                   "одиннадцать", "двенадцать", "тринадцать",   "четырнадцать", "пятнадцать",
                   "шестнадцать", "семнадцать", "восемнадцать", "девятнадцать", "двадцать"});
        t.feminine = t.masculine;
        t.feminine[0] = W("одна");
        t.feminine[1] = W("две");
        t.tens = words({"десять", "двадцать", "тридцать", "сорок", "пятьдесят", "шестьдесят",
                        "семьдесят", "восемьдесят", "девяносто"});
        t.roubles = words({"рубль", "рубля", "рублей"});
        t.thousands = words({"тысяча", "тысячи", "тысяч"});
        t.millions = words({"миллион", "миллиона", "миллионов"});
        t.billions = words({"миллиард", "миллиарда", "миллиардов"});
        t.kopeck1 = W("копейка");
        t.kopeck2 = W("копейки");
        t.kopeck5 = W("копеек");
        t.minus = W("минус");
        return t;
    }();
    return t;
}

int formOf(int v) {
    if (v == 1) return 1;
    if (v >= 2 && v <= 4) return 2;
    return 3;  // 0 and 5 to 20
}

// The digit at the reading position, -1 past the end or on a non-digit.
int digitAt(const WordsState& s, std::size_t at) {
    if (at >= s.digits.size()) return -1;
    const char c = s.digits[at];
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

void append(WordsState& s, const std::string& word) {
    if (s.words.size() < kMaxWords) s.words.push_back(" " + word);
}

void countWord(WordsState& s) {
    ++s.groupWords;
    ++s.allWords;
}

// Entry v (1..20) of the masculine or feminine table.
const std::string& unitWord(const WordsState& s, int v) {
    const auto& table = s.feminine ? tables().feminine : tables().masculine;
    return table[static_cast<std::size_t>(v - 1)];
}

const std::string& formWord(const std::vector<std::string>& forms, int form) {
    return forms[static_cast<std::size_t>(std::clamp(form, 1, 3) - 1)];
}

// A group of `count` digits (1 to 3) with its group word (nullptr: the roubles).
void group(WordsState& s, int count, const std::vector<std::string>* groupForms) {
    s.unitsWritten = false;
    s.groupWords = 0;
    if (count == 3) PR_COT(s);
    if (count >= 2) PR_DEC(s);
    if (!s.unitsWritten) PR_EDN(s);
    if (groupForms) {
        if (s.groupWords > 0) {
            append(s, formWord(*groupForms, s.form));
            s.groupWords = 0;
        }
    } else if (s.groupWords > 0) {
        append(s, formWord(tables().roubles, s.form));
    } else if (s.allWords > 0) {
        append(s, tables().roubles[2]);
    }
}

std::string kopeckWord(int kopecks) {
    const int last = kopecks % 10;
    if (kopecks >= 11 && kopecks <= 14) return tables().kopeck5;
    if (last == 1) return tables().kopeck1;
    if (last >= 2 && last <= 4) return tables().kopeck2;
    return tables().kopeck5;
}

}  // namespace

void PR_COT(WordsState& s) {
    const int d = digitAt(s, s.pos);
    if (d >= 1) {
        append(s, tables().hundreds[static_cast<std::size_t>(d - 1)]);
        countWord(s);
    }
    ++s.pos;
}

void PR_DEC(WordsState& s) {
    const int d1 = digitAt(s, s.pos), d2 = digitAt(s, s.pos + 1);
    const int v = d1 < 0 || d2 < 0 ? 0 : d1 * 10 + d2;
    if (v == 0) {
        s.form = 3;
        s.unitsWritten = true;
        s.pos += 2;
    } else if (v <= 20) {
        append(s, unitWord(s, v));
        s.unitsWritten = true;
        countWord(s);
        s.form = formOf(v);
        s.pos += 2;
    } else {
        append(s, tables().tens[static_cast<std::size_t>(d1 - 1)]);
        countWord(s);
        ++s.pos;
    }
}

void PR_EDN(WordsState& s) {
    const int d = digitAt(s, s.pos);
    if (d <= 0) {
        s.form = 3;
    } else {
        append(s, unitWord(s, d));
        countWord(s);
        s.form = formOf(d);
    }
    ++s.pos;
}

}  // namespace kw::shell

std::string CONV_S() {
    using namespace kw::shell;
    S1.clear();
    S2.clear();
    S3.clear();
    const double amount = S_R;
    // Twelve rouble digits at most: the rendering "N_15.2" holds no more.
    if (!std::isfinite(amount) || std::fabs(std::round(std::fabs(amount) * 100) / 100) >= 1e12)
        return std::string();
    std::string shown = kw::picture::format(std::fabs(amount), "n_15.2");
    shown.erase(0, shown.find_first_not_of(' '));
    const std::size_t point = shown.find('.');
    if (point == std::string::npos || point + 3 > shown.size()) return std::string();

    WordsState s;
    s.digits = shown.substr(0, point);
    if (s.digits == "0") s.digits.clear();  // no rouble digits: no rouble words
    if (amount < 0 && std::round(std::fabs(amount) * 100) != 0)
        s.words.push_back(" " + tables().minus);
    const int n = static_cast<int>(s.digits.size());
    const std::vector<std::string>* groupWords[] = {&tables().billions, &tables().millions,
                                                    &tables().thousands, nullptr};
    if (n > 0) {
        const int groups = (n + 2) / 3;  // 1 to 4
        int count = n % 3 == 0 ? 3 : n % 3;
        for (int g = 4 - groups; g < 4; ++g) {
            s.feminine = g == 2;
            group(s, count, groupWords[g]);
            count = 3;
        }
        s.feminine = false;
    }
    const std::string kop = shown.substr(point + 1, 2);
    const int kopecks = (kop[0] - '0') * 10 + (kop[1] - '0');
    if (s.words.size() < kMaxWords) s.words.push_back(" " + kop + " " + kopeckWord(kopecks));

    std::string lines[3];
    std::size_t line = 0;
    for (const std::string& w : s.words) {
        while (line < 3 && lines[line].size() + w.size() >= kLineRoom) ++line;
        if (line >= 3) break;
        lines[line] += w;
    }
    static const std::string lower = kw::W("одтчпшсв"), upper = kw::W("ОДТЧПШСВ");
    for (std::string& l : lines)
        if (!l.empty() && l[0] == ' ') l.erase(0, 1);
    if (!lines[0].empty()) {
        const std::size_t k = lower.find(lines[0][0]);
        if (k != std::string::npos) lines[0][0] = upper[k];
    }
    S1.assign(lines[0]);
    S2.assign(lines[1]);
    S3.assign(lines[2]);
    return S1.clip();
}
