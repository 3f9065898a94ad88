// The audit journal's selection: its view filter, its words on paper, and the lines a
// long entry takes in its column.
#include <string>

#include "documents/audit_report.h"
#include "framework/data/audit.h"
#include "runtime/codepage.h"
#include "runtime/text_metrics.h"

namespace kw::documents {

std::string auditFilter(const AuditSelection& s) {
    std::string f =
        "AUD:DATA >= " + std::to_string(s.from) + " AND AUD:DATA <= " + std::to_string(s.to);
    if (s.ticket > 0) f += " AND AUD:TAB = 'ZAL' AND AUD:KEY = '" + std::to_string(s.ticket) + "'";
    if (s.user >= 0) f += " AND AUD:KOD = " + std::to_string(s.user);
    if (s.kind > 0) f += " AND AUD:KIND = " + std::to_string(s.kind);
    return f;
}

std::string auditSelectionText(const AuditSelection& s) {
    std::string out;
    auto add = [&out](const std::string& part) { out += (out.empty() ? "" : "; ") + part; };
    if (s.ticket > 0) add(W("билет № ") + std::to_string(s.ticket));
    if (s.user >= 0) add(W("пользователь ") + std::to_string(s.user));
    if (s.kind > 0) add(W("вид: ") + W(audit::kindText(s.kind)));
    return out.empty() ? W("все записи") : out;
}

namespace {

// `part` broken at blanks into lines no wider than `widthMm`; a word wider than that
// is broken where it fills the line.
void wrapPart(const report::Font& f, std::string_view part, double widthMm,
              std::vector<std::string>& out) {
    auto fits = [&](std::string_view s) { return report::textWidthMm(f, s) <= widthMm; };
    std::string line;
    std::size_t i = 0;
    while (i < part.size()) {
        const std::size_t blank = part.find(' ', i);
        const std::size_t end = blank == std::string_view::npos ? part.size() : blank;
        std::string_view word = part.substr(i, end - i);
        i = end == part.size() ? end : end + 1;
        const std::string joined =
            line.empty() ? std::string(word) : line + " " + std::string(word);
        if (fits(joined)) {
            line = joined;
            continue;
        }
        if (!line.empty()) out.push_back(line);
        line.clear();
        while (!word.empty() && !fits(word)) {
            std::size_t n = 1;
            while (n < word.size() && fits(word.substr(0, n + 1))) ++n;
            out.emplace_back(word.substr(0, n));
            word.remove_prefix(n);
        }
        line = std::string(word);
    }
    if (!line.empty() || out.empty()) out.push_back(line);
}

}  // namespace

std::vector<std::string> wrapText(const report::Font& f, std::string_view cp1251, double widthMm) {
    while (!cp1251.empty() && (cp1251.back() == ' ' || cp1251.back() == '\0'))
        cp1251.remove_suffix(1);
    std::vector<std::string> lines;
    std::size_t i = 0;
    do {
        const std::size_t sep = cp1251.find("; ", i);
        const std::size_t end = sep == std::string_view::npos ? cp1251.size() : sep + 1;
        wrapPart(f, cp1251.substr(i, end - i), widthMm, lines);
        i = sep == std::string_view::npos ? cp1251.size() : sep + 2;
    } while (i < cp1251.size());
    return lines;
}

}  // namespace kw::documents
