// Pictures: parsing, formatting and reading typed text back.
//
// Choices made here (the callers rely on them):
//  - Numbers are rounded half away from zero in decimal to the picture's places. A
//    value whose rounded text is zero shows as blanks under 'b' and never with a minus.
//  - Typed numbers may carry a leading '-' (only for pictures with '-'; otherwise the
//    text is BadText), '.' or ',' as decimal point, and in pictures with digit groups
//    the groups separated by single blanks ("1 234 567.50"). Digits beyond the
//    picture's places are BadText unless they are zeros. More than 15 significant
//    digits (more than a REAL holds exactly) or a value that would not fit the width
//    is TooWide.
//  - Typed dates: d.m.yyyy or d.m.yy with '.', '/' or '-' between the parts, or the
//    digits alone as ddmmyy or ddmmyyyy. A two-digit year falls into the hundred years
//    from 79 years before to 20 years after the current year.
//  - Typed times: h:mm or h:mm:ss (or hhmm / hhmmss).
//  - Pattern pictures: the value's digits fill the digit positions from the right; a
//    leading zero shows blank under '<' and '0' under '#', and after the first shown
//    digit every position shows its digit. A value with more digits than positions, or a
//    negative one, shows as '#'. Typed text must repeat the literal characters with
//    digits (or blanks before them) in the digit positions; the digits alone are
//    accepted too.
#include "runtime/picture.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/real.h"

namespace kw::picture {
namespace {

constexpr int kMaxWidth = 255;          // numbers, dates, times, patterns
constexpr int kMaxStringWidth = 65535;  // s pictures
constexpr int kMaxPlaces = 15;
constexpr int kMaxDigits = 15;  // significant digits a REAL holds exactly
constexpr int kDateWidth = 10;  // dd.mm.yyyy
constexpr int kTimeWidth = 8;   // hh:mm:ss
constexpr int64_t kDayHundredths = 24 * 60 * 60 * 100;

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Reads an unsigned decimal number at s[i] of at most `limit`; false when there is
// no digit or the number exceeds the limit.
bool readNumber(std::string_view s, std::size_t& i, int limit, int& out) {
    const std::size_t start = i;
    long v = 0;
    while (i < s.size() && isDigit(s[i])) {
        v = v * 10 + (s[i] - '0');
        if (v > limit) return false;
        ++i;
    }
    out = static_cast<int>(v);
    return i > start;
}

bool readBlankFlag(std::string_view s, std::size_t& i) {
    if (i < s.size() && lowerAscii(s[i]) == 'b') {
        ++i;
        return true;
    }
    return false;
}

Picture parseNumber(std::string_view s, Picture p) {
    std::size_t i = 1;
    if (i < s.size() && s[i] == '-') {
        p.minus = true;
        ++i;
    }
    if (i < s.size() && s[i] == '_') {
        p.grouping = false;
        ++i;
    }
    if (!readNumber(s, i, kMaxWidth, p.width) || p.width < 1) return Picture{};
    if (i < s.size() && s[i] == '.') {
        ++i;
        if (!readNumber(s, i, kMaxPlaces, p.places)) return Picture{};
        // Room for at least one integer digit and the point.
        if (p.places > 0 && p.width < p.places + 2) return Picture{};
    }
    p.blankZero = readBlankFlag(s, i);
    if (i != s.size()) return Picture{};
    p.kind = Kind::Number;
    return p;
}

// Dates and times: the letter, the style number, an optional 'b'.
Picture parseDateTime(std::string_view s, Picture p, Kind kind) {
    std::size_t i = 1;
    int style = 0;
    if (!readNumber(s, i, 99, style)) return Picture{};
    p.blankZero = readBlankFlag(s, i);
    if (i != s.size()) return Picture{};
    if (kind == Kind::Date && style != 6 && style != 17) return Picture{};
    if (kind == Kind::Time && style != 8) return Picture{};
    p.kind = kind;
    p.width = kind == Kind::Date ? kDateWidth : kTimeWidth;
    return p;
}

Picture parseString(std::string_view s, Picture p) {
    std::size_t i = 1;
    if (!readNumber(s, i, kMaxStringWidth, p.width) || p.width < 1 || i != s.size())
        return Picture{};
    p.kind = Kind::String;
    return p;
}

Picture parsePattern(std::string_view s, Picture p) {
    if (s.size() < 3 || lowerAscii(s.back()) != 'p') return Picture{};
    p.pattern = std::string(s.substr(1, s.size() - 2));
    if (p.pattern.size() > static_cast<std::size_t>(kMaxWidth)) return Picture{};
    p.width = static_cast<int>(p.pattern.size());
    p.kind = Kind::Pattern;
    return p;
}

std::string fill(int width, char c) {
    return std::string(static_cast<std::size_t>(width), c);
}

std::string rightAlign(const std::string& s, int width) {
    return fill(width - static_cast<int>(s.size()), ' ') + s;
}

// The text of a number under the picture; false when it does not fit the width.
bool numberText(double value, const Picture& pic, std::string& out) {
    if (!std::isfinite(value)) return false;
    const double r = real::round(value, pic.places);
    if (r == 0 && pic.blankZero) {
        out = fill(pic.width, ' ');
        return true;
    }
    // The shortest text that reads back as r (232.49, not 232.49000000000001), with
    // zeros added up to the places. Rounded to the places, it has no more decimals.
    char buf[400];  // the largest double has 309 integer digits
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(r), std::chars_format::fixed);
    if (res.ec != std::errc()) return false;
    std::string digits(buf, static_cast<std::size_t>(res.ptr - buf));
    std::size_t point = digits.find('.');
    const std::size_t decimals = point == std::string::npos ? 0 : digits.size() - point - 1;
    if (decimals > static_cast<std::size_t>(pic.places)) {
        res = std::to_chars(buf, buf + sizeof buf, std::fabs(r), std::chars_format::fixed,
                            pic.places);
        if (res.ec != std::errc()) return false;
        digits.assign(buf, static_cast<std::size_t>(res.ptr - buf));
    } else if (pic.places > 0) {
        if (point == std::string::npos) digits += '.';
        digits.append(static_cast<std::size_t>(pic.places) - decimals, '0');
    }
    point = digits.find('.');
    const std::string_view whole = std::string_view(digits).substr(0, point);
    if (whole.size() > static_cast<std::size_t>(pic.width)) return false;

    std::string s;
    if (r < 0) s += '-';
    for (std::size_t k = 0; k < whole.size(); ++k) {
        if (pic.grouping && k > 0 && (whole.size() - k) % 3 == 0) s += ' ';
        s += whole[k];
    }
    if (point != std::string::npos) s += digits.substr(point);
    if (s.size() > static_cast<std::size_t>(pic.width)) return false;
    out = rightAlign(s, pic.width);
    return true;
}

std::string formatNumber(double value, const Picture& pic) {
    std::string s;
    return numberText(value, pic, s) ? s : fill(pic.width, '#');
}

std::string twoDigits(int v) {
    char b[3] = {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10), 0};
    return b;
}

// A whole number from a REAL that must hold one (day numbers, times); false when it
// is out of the LONG range.
bool toLong(double value, int64_t& out) {
    if (!std::isfinite(value) || value < -2147483648.0 || value > 2147483647.0) return false;
    out = std::llround(value);
    return true;
}

std::string formatDate(double value, const Picture& pic) {
    int64_t day = 0;
    if (!toLong(value, day)) return fill(pic.width, '#');
    if (day == 0) return fill(pic.width, ' ');
    const date::Ymd d = date::toYmd(static_cast<int32_t>(day));
    if (d.year == 0) return fill(pic.width, '#');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year);
    return buf;
}

std::string formatTime(double value, const Picture& pic) {
    int64_t t = 0;
    if (!toLong(value, t)) return fill(pic.width, '#');
    if (t == 0) return fill(pic.width, ' ');
    if (t < 1 || t > kDayHundredths) return fill(pic.width, '#');
    const int64_t sec = (t - 1) / 100;
    return twoDigits(static_cast<int>(sec / 3600)) + ":" +
           twoDigits(static_cast<int>(sec / 60 % 60)) + ":" + twoDigits(static_cast<int>(sec % 60));
}

bool isDigitPosition(char c) {
    return c == '<' || c == '#';
}

std::string formatPattern(double value, const Picture& pic) {
    if (!std::isfinite(value)) return fill(pic.width, '#');
    const double r = real::round(value, 0);
    if (r < 0 || r >= 1e18) return fill(pic.width, '#');
    const auto n = static_cast<uint64_t>(r);
    const std::string digits = n == 0 ? std::string() : std::to_string(n);
    std::size_t positions = 0;
    for (char c : pic.pattern) positions += isDigitPosition(c);
    if (digits.size() > positions) return fill(pic.width, '#');

    // Left to right: the value's digits fill the last positions, zeros the others. A
    // leading zero shows blank in a '<' position; once a digit (or a zero under '#')
    // has shown, every later position shows its digit.
    std::string out = pic.pattern;
    std::size_t pos = 0;
    bool leading = true;
    for (char& c : out) {
        if (!isDigitPosition(c)) continue;
        const std::size_t fromRight = positions - pos++;
        const char d = fromRight <= digits.size() ? digits[digits.size() - fromRight] : '0';
        if (leading && d == '0' && c == '<') {
            c = ' ';
        } else {
            c = d;
            leading = false;
        }
    }
    return out;
}

// ---- Reading typed text ----

Parsed result(ParseResult r, double value = 0) {
    Parsed p;
    p.result = r;
    p.value = value;
    return p;
}

// Splits "1 234 567" into its digits, checking the groups of three; false on a
// misplaced blank.
bool groupedDigits(std::string_view s, bool grouping, std::string& digits) {
    std::size_t groupLen = 0, groups = 0;
    for (std::size_t k = 0; k < s.size(); ++k) {
        const char c = s[k];
        if (isDigit(c)) {
            digits += c;
            ++groupLen;
            continue;
        }
        // A single blank between digit groups: the group before it must be complete.
        if (!grouping || c != ' ' || groupLen == 0 || k + 1 >= s.size() || !isDigit(s[k + 1]))
            return false;
        if (groupLen > 3 || (groups > 0 && groupLen != 3)) return false;
        ++groups;
        groupLen = 0;
    }
    return groups == 0 || groupLen == 3;
}

Parsed deformatNumber(std::string_view text, const Picture& pic) {
    std::string_view s = trim(text);
    if (s.empty()) return result(ParseResult::Empty);
    bool negative = false;
    if (s.front() == '-' || s.front() == '+') {
        negative = s.front() == '-';
        s = trim(s.substr(1));
    }
    const std::size_t point = s.find_first_of(".,");
    std::string whole, frac;
    if (!groupedDigits(s.substr(0, point), pic.grouping, whole))
        return result(ParseResult::BadText);
    if (point != std::string_view::npos) {
        for (char c : s.substr(point + 1)) {
            if (!isDigit(c)) return result(ParseResult::BadText);
            frac += c;
        }
    }
    if (whole.empty() && frac.empty()) return result(ParseResult::BadText);
    if (negative && !pic.minus) return result(ParseResult::BadText);
    // Decimals beyond the picture's places must be zeros.
    while (frac.size() > static_cast<std::size_t>(pic.places) && frac.back() == '0')
        frac.pop_back();
    if (frac.size() > static_cast<std::size_t>(pic.places)) return result(ParseResult::BadText);

    std::string all = whole + frac;
    const std::size_t first = all.find_first_not_of('0');
    if (first == std::string::npos) return result(ParseResult::Ok, 0);
    std::size_t last = all.find_last_not_of('0');
    if (last < whole.size()) last = whole.size() - 1;  // zeros of the whole part count
    if (last - first + 1 > static_cast<std::size_t>(kMaxDigits))
        return result(ParseResult::TooWide);

    const std::string number =
        (negative ? "-" : "") + (whole.empty() ? "0" : whole) + "." + frac + "0";
    double v = 0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), v);
    if (res.ec != std::errc()) return result(ParseResult::TooWide);
    std::string shown;
    if (!numberText(v, pic, shown)) return result(ParseResult::TooWide);
    return result(ParseResult::Ok, v);
}

int currentYear() {
    const date::Ymd t = date::toYmd(clock::today());
    return t.year != 0 ? t.year : 2000;
}

int fullYear(int yy) {
    const int now = currentYear();
    int y = now / 100 * 100 + yy;
    if (y > now + 20) y -= 100;
    if (y <= now - 80) y += 100;
    return y;
}

// Splits text into runs of digits separated by single separator characters.
bool dateParts(std::string_view s, std::string_view separators, std::string (&parts)[3],
               int& count) {
    count = 0;
    std::string cur;
    for (std::size_t k = 0; k <= s.size(); ++k) {
        if (k < s.size() && isDigit(s[k])) {
            cur += s[k];
            continue;
        }
        if (k < s.size() && separators.find(s[k]) == std::string_view::npos) return false;
        if (cur.empty() || count == 3) return false;
        parts[count++] = cur;
        cur.clear();
    }
    return true;
}

int toInt(const std::string& digits) {
    int v = 0;
    for (char c : digits) v = v * 10 + (c - '0');
    return v;
}

Parsed deformatDate(std::string_view text) {
    const std::string_view s = trim(text);
    if (s.empty()) return result(ParseResult::Empty);
    std::string parts[3];
    int count = 0;
    if (s.find_first_not_of("0123456789") == std::string_view::npos) {
        if (s.size() != 6 && s.size() != 8) return result(ParseResult::BadText);
        parts[0] = std::string(s.substr(0, 2));
        parts[1] = std::string(s.substr(2, 2));
        parts[2] = std::string(s.substr(4));
    } else if (!dateParts(s, "./-", parts, count) || count != 3) {
        return result(ParseResult::BadText);
    }
    if (parts[0].size() > 2 || parts[1].size() > 2) return result(ParseResult::BadText);
    int year = 0;
    if (parts[2].size() == 2)
        year = fullYear(toInt(parts[2]));
    else if (parts[2].size() == 4)
        year = toInt(parts[2]);
    else
        return result(ParseResult::BadText);
    const int32_t day = date::fromYmd(year, toInt(parts[1]), toInt(parts[0]));
    if (day == 0) return result(ParseResult::BadText);
    return result(ParseResult::Ok, day);
}

Parsed deformatTime(std::string_view text) {
    const std::string_view s = trim(text);
    if (s.empty()) return result(ParseResult::Empty);
    std::string parts[3];
    int count = 0;
    if (s.find_first_not_of("0123456789") == std::string_view::npos) {
        if (s.size() != 4 && s.size() != 6) return result(ParseResult::BadText);
        for (std::size_t k = 0; k < s.size() / 2; ++k)
            parts[count++] = std::string(s.substr(2 * k, 2));
    } else if (!dateParts(s, ":", parts, count) || count < 2) {
        return result(ParseResult::BadText);
    }
    for (int k = 0; k < count; ++k)
        if (parts[k].size() > 2) return result(ParseResult::BadText);
    const int h = toInt(parts[0]), m = toInt(parts[1]), sec = count == 3 ? toInt(parts[2]) : 0;
    if (h > 23 || m > 59 || sec > 59) return result(ParseResult::BadText);
    return result(ParseResult::Ok, ((h * 60 + m) * 60 + sec) * 100 + 1);
}

Parsed deformatString(std::string_view text, const Picture& pic) {
    std::string_view s = text;
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    Parsed p = result(s.empty() ? ParseResult::Empty : ParseResult::Ok);
    if (s.size() > static_cast<std::size_t>(pic.width)) return result(ParseResult::TooWide);
    p.text = std::string(s);
    return p;
}

Parsed deformatPattern(std::string_view text, const Picture& pic) {
    if (trim(text).empty()) return result(ParseResult::Empty);
    std::size_t positions = 0;
    for (char c : pic.pattern) positions += isDigitPosition(c);

    // The text laid over the pattern, position by position.
    std::string_view t = text;
    while (t.size() > pic.pattern.size() && t.back() == ' ') t.remove_suffix(1);
    bool matches = t.size() <= pic.pattern.size();
    std::string digits;
    bool gap = false;  // a blank after digits
    for (std::size_t k = 0; matches && k < pic.pattern.size(); ++k) {
        const char pc = pic.pattern[k];
        const char tc = k < t.size() ? t[k] : ' ';
        if (!isDigitPosition(pc)) {
            matches = tc == pc;
        } else if (isDigit(tc)) {
            matches = !gap;
            digits += tc;
        } else if (tc == ' ') {
            gap = gap || !digits.empty();
        } else {
            matches = false;
        }
    }
    if (!matches) {
        // The digits alone.
        const std::string_view s = trim(text);
        if (s.find_first_not_of("0123456789") != std::string_view::npos)
            return result(ParseResult::BadText);
        digits = std::string(s);
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return result(digits.empty() ? ParseResult::Empty : ParseResult::Ok, 0);
    digits.erase(0, first);
    if (digits.size() > positions) return result(ParseResult::TooWide);
    if (digits.size() > static_cast<std::size_t>(kMaxDigits)) return result(ParseResult::TooWide);
    uint64_t v = 0;
    for (char c : digits) v = v * 10 + static_cast<uint64_t>(c - '0');
    return result(ParseResult::Ok, static_cast<double>(v));
}

}  // namespace

Picture parse(std::string_view pic) {
    Picture p;
    p.text = std::string(pic);
    std::string_view s = pic;
    if (!s.empty() && s.front() == '@') s.remove_prefix(1);
    if (s.empty()) return p;
    Picture r;
    switch (lowerAscii(s.front())) {
        case 'n':
            r = parseNumber(s, p);
            break;
        case 'd':
            r = parseDateTime(s, p, Kind::Date);
            break;
        case 't':
            r = parseDateTime(s, p, Kind::Time);
            break;
        case 's':
            r = parseString(s, p);
            break;
        case 'p':
            r = parsePattern(s, p);
            break;
        default:
            break;
    }
    r.text = p.text;
    return r;
}

std::string format(double value, const Picture& pic) {
    switch (pic.kind) {
        case Kind::Number:
            return formatNumber(value, pic);
        case Kind::Date:
            return formatDate(value, pic);
        case Kind::Time:
            return formatTime(value, pic);
        case Kind::Pattern:
            return formatPattern(value, pic);
        case Kind::String: {
            char buf[64];
            const auto res = std::to_chars(buf, buf + sizeof buf, value);
            return formatString(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)),
                                pic.text);
        }
        case Kind::Invalid:
            break;
    }
    return std::string();
}

std::string format(double value, std::string_view pic) {
    return format(value, parse(pic));
}

std::string formatString(std::string_view value, std::string_view picText) {
    const Picture pic = parse(picText);
    if (pic.kind == Kind::Invalid) return std::string();
    if (pic.kind != Kind::String) {
        // A text shown with a number, date or time picture: read it as that kind.
        const Parsed p = deformat(value, pic);
        return p.ok() ? format(p.value, pic) : fill(pic.width, '#');
    }
    std::string s(value.substr(0, static_cast<std::size_t>(pic.width)));
    s.resize(static_cast<std::size_t>(pic.width), ' ');
    return s;
}

Parsed deformat(std::string_view text, const Picture& pic) {
    switch (pic.kind) {
        case Kind::Number:
            return deformatNumber(text, pic);
        case Kind::Date:
            return deformatDate(text);
        case Kind::Time:
            return deformatTime(text);
        case Kind::String:
            return deformatString(text, pic);
        case Kind::Pattern:
            return deformatPattern(text, pic);
        case Kind::Invalid:
            break;
    }
    return result(ParseResult::BadPicture);
}

Parsed deformat(std::string_view text, std::string_view pic) {
    return deformat(text, parse(pic));
}

std::string describe(ParseResult r) {
    switch (r) {
        case ParseResult::Ok:
        case ParseResult::Empty:
            return std::string();
        case ParseResult::BadText:
            return W("Введено недопустимое значение");
        case ParseResult::TooWide:
            return W("Значение не помещается в поле");
        case ParseResult::BadPicture:
            return W("Неверный шаблон поля");
    }
    return std::string();
}

std::string explain(std::string_view text, const Picture& pic) {
    const ParseResult r = deformat(text, pic).result;
    if (r == ParseResult::Ok || r == ParseResult::Empty) return std::string();
    std::string typed(text);
    while (!typed.empty() && typed.back() == ' ') typed.pop_back();
    while (!typed.empty() && typed.front() == ' ') typed.erase(0, 1);
    // Short enough for a form's message line of 40 characters with the text typed.
    if (r == ParseResult::TooWide) return W("Не помещается в поле: ") + typed;
    switch (pic.kind) {
        case Kind::Number:
            if (!pic.minus && !typed.empty() && typed[0] == '-')
                return W("Нужно число больше нуля: ") + typed;
            return W("Нужно число, введено: ") + typed;
        case Kind::Date:
            return W("Нет такой даты: ") + typed;
        case Kind::Time:
            return W("Нет такого времени: ") + typed;
        case Kind::Pattern:
            return W("Не по образцу поля: ") + typed;
        default:
            return describe(r);
    }
}

}  // namespace kw::picture
