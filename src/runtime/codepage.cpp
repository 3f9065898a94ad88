// Code page tables and conversions.
//
// Both single-byte code pages are described by the Unicode character of each byte
// 0x80..0xFF (0x00..0x7F are ASCII in both and never change). A byte converts to the
// byte of the other code page that holds the same character; where the other code page
// lacks it, the best-fit tables below name the substitute. Every character that both
// code pages hold therefore survives a round trip in either direction.
//
// Best fit, CP1251 -> CP866 (characters CP866 lacks):
//   Ђ ђ -> Д д      Ѓ ѓ -> Г г      Ґ ґ -> Г г      Ќ ќ -> К к      Ћ ћ -> Т т
//   Љ љ -> Л л      Њ њ -> Н н      Џ џ -> Ц ц      Ј ј -> J j      Ѕ ѕ -> S s
//   І і -> I i      ‚ -> ,          „ “ ” « » -> "  ‘ ’ -> '        ‹ -> <   › -> >
//   – — ¬ soft hyphen -> -          † ‡ ± -> +      … -> .          ‰ -> %
//   • -> ∙ (0xF9)   ¦ -> |          € -> E          ™ -> T          © -> c   ® -> r
//   µ -> u          § ¶ and the unassigned 0x98 -> ?
// Letters go to the Russian (or Latin look-alike) letter they are built on, keeping
// their case; punctuation goes to the ASCII sign of the same use; signs with no
// look-alike become '?'.
//
// Best fit, CP866 -> CP1251 (the pseudographics CP1251 lacks):
//   │ ║ -> |        ─ -> -        ═ -> =
//   every corner, tee and cross of single or double lines (┌ ┐ └ ┘ ├ ┤ ┬ ┴ ┼ ╔ ╗ ╚ ╝
//   ╠ ╣ ╦ ╩ ╬ and all mixed single/double forms) -> +
//   ░ ▒ ▓ █ ▄ ▌ ▐ ▀ ■ -> #        ∙ -> · (0xB7)        √ -> v
#include "runtime/codepage.h"

#include <array>
#include <cstdint>

namespace kw::cp {
namespace {

using Table = std::array<char16_t, 128>;

// CP1251 0x80..0xFF. 0x98 is unassigned; it is taken as U+0098 so that every byte
// survives CP1251 -> UTF-8 -> CP1251.
constexpr Table kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// CP866 0x80..0xFF.
constexpr Table kCp866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // F8
};

struct Fit {
    char16_t from;
    unsigned char to;  // byte of the target code page
};

// Substitutes in CP866 for CP1251 characters (see the table at the top).
// clang-format off
constexpr Fit kFitTo866[] = {
    {0x0402, 0x84}, {0x0452, 0xA4},  // Ђ ђ -> Д д
    {0x0403, 0x83}, {0x0453, 0xA3},  // Ѓ ѓ -> Г г
    {0x0490, 0x83}, {0x0491, 0xA3},  // Ґ ґ -> Г г
    {0x040C, 0x8A}, {0x045C, 0xAA},  // Ќ ќ -> К к
    {0x040B, 0x92}, {0x045B, 0xE2},  // Ћ ћ -> Т т
    {0x0409, 0x8B}, {0x0459, 0xAB},  // Љ љ -> Л л
    {0x040A, 0x8D}, {0x045A, 0xAD},  // Њ њ -> Н н
    {0x040F, 0x96}, {0x045F, 0xE6},  // Џ џ -> Ц ц
    {0x0408, 'J'},  {0x0458, 'j'},   {0x0405, 'S'}, {0x0455, 's'},
    {0x0406, 'I'},  {0x0456, 'i'},
    {0x201A, ','},  {0x201E, '"'},   {0x201C, '"'}, {0x201D, '"'},
    {0x00AB, '"'},  {0x00BB, '"'},   {0x2018, '\''}, {0x2019, '\''},
    {0x2039, '<'},  {0x203A, '>'},
    {0x2013, '-'},  {0x2014, '-'},   {0x00AC, '-'}, {0x00AD, '-'},
    {0x2020, '+'},  {0x2021, '+'},   {0x00B1, '+'},
    {0x2026, '.'},  {0x2030, '%'},   {0x2022, 0xF9}, {0x00A6, '|'},
    {0x20AC, 'E'},  {0x2122, 'T'},   {0x00A9, 'c'}, {0x00AE, 'r'},
    {0x00B5, 'u'},
};

// Substitutes in CP1251 for CP866 pseudographics (see the table at the top).
constexpr Fit kFitTo1251[] = {
    {0x2502, '|'}, {0x2551, '|'}, {0x2500, '-'}, {0x2550, '='},
    {0x2591, '#'}, {0x2592, '#'}, {0x2593, '#'}, {0x2588, '#'}, {0x2584, '#'},
    {0x258C, '#'}, {0x2590, '#'}, {0x2580, '#'}, {0x25A0, '#'},
    {0x2219, 0xB7}, {0x221A, 'v'},
};
// clang-format on

constexpr bool isLineJunction(char16_t u) {
    // Box drawing U+2500..U+256C other than the plain lines handled in kFitTo1251.
    return u >= 0x250C && u <= 0x256C && u != 0x2550 && u != 0x2551;
}

template <std::size_t M>
constexpr int findIn(const Table& t, char16_t u, const Fit (&fit)[M], bool junctionsToPlus) {
    for (int i = 0; i < 128; ++i)
        if (t[i] == u) return 0x80 + i;
    for (const Fit& f : fit)
        if (f.from == u) return f.to;
    if (junctionsToPlus && isLineJunction(u)) return '+';
    return '?';
}

using ByteMap = std::array<unsigned char, 256>;

template <std::size_t M>
constexpr ByteMap makeMap(const Table& from, const Table& to, const Fit (&fit)[M], bool plus) {
    ByteMap m{};
    for (int b = 0; b < 128; ++b) m[b] = static_cast<unsigned char>(b);
    for (int b = 0; b < 128; ++b)
        m[0x80 + b] = static_cast<unsigned char>(findIn(to, from[b], fit, plus));
    return m;
}

constexpr ByteMap kAnsiToOem = makeMap(kCp1251, kCp866, kFitTo866, false);
constexpr ByteMap kOemToAnsi = makeMap(kCp866, kCp1251, kFitTo1251, true);

static_assert(kAnsiToOem[0xA8] == 0xF0 && kAnsiToOem[0xB8] == 0xF1 && kAnsiToOem[0xB9] == 0xFC);
static_assert(kOemToAnsi[0xF0] == 0xA8 && kOemToAnsi[0xF1] == 0xB8 && kOemToAnsi[0xFC] == 0xB9);
static_assert(kOemToAnsi[0xC5] == '+' && kOemToAnsi[0xB3] == '|' && kOemToAnsi[0xC4] == '-');

// Upper and lower case of CP1251.
struct CaseMaps {
    ByteMap up{}, low{};
};

constexpr CaseMaps makeCase() {
    CaseMaps c{};
    for (int b = 0; b < 256; ++b) c.up[b] = c.low[b] = static_cast<unsigned char>(b);
    auto pair = [&c](int upper, int lower) {
        c.up[lower] = static_cast<unsigned char>(upper);
        c.low[upper] = static_cast<unsigned char>(lower);
    };
    for (int b = 'A'; b <= 'Z'; ++b) pair(b, b + 32);
    for (int b = 0xC0; b <= 0xDF; ++b) pair(b, b + 32);  // А..Я / а..я
    constexpr int pairs[][2] = {
        {0xA8, 0xB8},  // Ё ё
        {0x80, 0x90},  // Ђ ђ
        {0x81, 0x83},  // Ѓ ѓ
        {0x8A, 0x9A},  // Љ љ
        {0x8C, 0x9C},  // Њ њ
        {0x8D, 0x9D},  // Ќ ќ
        {0x8E, 0x9E},  // Ћ ћ
        {0x8F, 0x9F},  // Џ џ
        {0xA1, 0xA2},  // Ў ў
        {0xA3, 0xBC},  // Ј ј
        {0xA5, 0xB4},  // Ґ ґ
        {0xAA, 0xBA},  // Є є
        {0xAF, 0xBF},  // Ї ї
        {0xB2, 0xB3},  // І і
        {0xBD, 0xBE},  // Ѕ ѕ
    };
    for (const auto& p : pairs) pair(p[0], p[1]);
    return c;
}

constexpr CaseMaps kCase = makeCase();

// Sorted (code point, byte) pairs for UTF-8 -> CP1251.
struct Rev {
    char16_t u;
    unsigned char b;
};
using RevTable = std::array<Rev, 128>;

constexpr RevTable makeReverse() {
    RevTable r{};
    for (int i = 0; i < 128; ++i) r[i] = {kCp1251[i], static_cast<unsigned char>(0x80 + i)};
    for (int i = 1; i < 128; ++i)  // insertion sort, compile time only
        for (int j = i; j > 0 && r[j - 1].u > r[j].u; --j) {
            Rev t = r[j];
            r[j] = r[j - 1];
            r[j - 1] = t;
        }
    return r;
}

constexpr RevTable kReverse = makeReverse();

unsigned char fromCodePoint(char32_t u) {
    if (u < 0x80) return static_cast<unsigned char>(u);
    std::size_t lo = 0, hi = kReverse.size();
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (kReverse[mid].u < u)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < kReverse.size() && kReverse[lo].u == u) return kReverse[lo].b;
    return '?';
}

// Decodes one UTF-8 sequence at s[i]; advances i. Malformed input (a stray
// continuation byte, a truncated or overlong sequence, a surrogate, a value above
// U+10FFFF) gives U+FFFD and consumes one byte.
char32_t decodeUtf8(std::string_view s, std::size_t& i) {
    auto byte = [&s](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    int len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 1) {
        ++i;
        return c;
    }
    if (len == 0 || i + len > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t u = c & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        unsigned char cc = byte(i + k);
        if ((cc & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        u = (u << 6) | (cc & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (u < kMin[len] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += len;
    return u;
}

void appendUtf8(std::string& out, char32_t u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

std::string mapString(std::string_view s, const ByteMap& m) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(m[static_cast<unsigned char>(c)]);
    return out;
}

}  // namespace

unsigned char ansiToOem(unsigned char c) {
    return kAnsiToOem[c];
}
unsigned char oemToAnsi(unsigned char c) {
    return kOemToAnsi[c];
}

void ansiToOem(char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        p[i] = static_cast<char>(kAnsiToOem[static_cast<unsigned char>(p[i])]);
}
void oemToAnsi(char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        p[i] = static_cast<char>(kOemToAnsi[static_cast<unsigned char>(p[i])]);
}
std::string ansiToOem(std::string_view s) {
    return mapString(s, kAnsiToOem);
}
std::string oemToAnsi(std::string_view s) {
    return mapString(s, kOemToAnsi);
}

std::string toUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char ch : cp1251) {
        auto c = static_cast<unsigned char>(ch);
        appendUtf8(out, c < 0x80 ? char32_t(c) : char32_t(kCp1251[c - 0x80]));
    }
    return out;
}

std::string fromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) out += static_cast<char>(fromCodePoint(decodeUtf8(utf8, i)));
    return out;
}

unsigned char upper(unsigned char c) {
    return kCase.up[c];
}
unsigned char lower(unsigned char c) {
    return kCase.low[c];
}
std::string upper(std::string_view s) {
    return mapString(s, kCase.up);
}
std::string lower(std::string_view s) {
    return mapString(s, kCase.low);
}
void upperInPlace(std::string& s) {
    for (char& c : s) c = static_cast<char>(kCase.up[static_cast<unsigned char>(c)]);
}
void lowerInPlace(std::string& s) {
    for (char& c : s) c = static_cast<char>(kCase.low[static_cast<unsigned char>(c)]);
}

int compareNoCase(std::string_view a, std::string_view b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        int x = kCase.up[static_cast<unsigned char>(a[i])];
        int y = kCase.up[static_cast<unsigned char>(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace kw::cp
