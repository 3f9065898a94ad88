#include "runtime/text_metrics.h"

#include <algorithm>
#include <cstdint>

namespace kw::report {

namespace {

constexpr double kPointMm = 25.4 / 72;
constexpr double kUnitsPerEm = 2048;
constexpr char kEllipsis = '\x85';  // "…" in code page 1251

// Advance widths in 1/2048 em of Liberation Sans (metric twin of Arial), by CP1251 byte.
constexpr uint16_t kRegularWidths[256] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    569,  569,  727,  1139, 1139, 1821, 1366, 391,  682,  682,  797,  1196, 569,  682,  569,  569,
    1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 569,  569,  1196, 1196, 1196, 1139,
    2079, 1366, 1366, 1479, 1479, 1366, 1251, 1593, 1479, 569,  1024, 1366, 1139, 1706, 1479, 1593,
    1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933, 1366, 1366, 1251, 569,  569,  569,  961,  1139,
    682,  1139, 1139, 1024, 1139, 1139, 569,  1139, 1139, 455,  455,  1024, 455,  1706, 1139, 1139,
    1139, 1139, 682,  1024, 569,  1139, 1024, 1479, 1024, 1024, 1024, 684,  532,  684,  1196, 748,
    1771, 1109, 455,  747,  682,  2048, 1139, 1139, 1139, 2048, 2165, 682,  2069, 1193, 1749, 1472,
    1139, 455,  455,  682,  682,  717,  1139, 2048, 1139, 2048, 1856, 682,  1664, 896,  1139, 1131,
    569,  1301, 1024, 1024, 1139, 1001, 532,  1139, 1367, 1509, 1472, 1139, 1196, 682,  1509, 569,
    819,  1124, 569,  455,  842,  1180, 1100, 569,  1139, 2197, 1045, 1139, 455,  1366, 1024, 569,
    1366, 1344, 1366, 1109, 1387, 1366, 1891, 1237, 1472, 1472, 1193, 1344, 1706, 1479, 1593, 1472,
    1366, 1479, 1251, 1301, 1557, 1366, 1515, 1365, 1877, 1920, 1621, 1813, 1344, 1472, 2069, 1479,
    1139, 1173, 1088, 747,  1195, 1139, 1370, 939,  1144, 1144, 896,  1195, 1408, 1131, 1139, 1109,
    1139, 1024, 938,  1024, 1685, 1024, 1173, 1067, 1643, 1685, 1280, 1472, 1067, 1045, 1536, 1109,
};
constexpr uint16_t kBoldWidths[256] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    569,  682,  971,  1139, 1139, 1821, 1479, 487,  682,  682,  797,  1196, 569,  682,  569,  569,
    1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 682,  682,  1196, 1196, 1196, 1251,
    1997, 1479, 1479, 1479, 1479, 1366, 1251, 1593, 1479, 569,  1139, 1479, 1251, 1706, 1479, 1593,
    1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933, 1366, 1366, 1251, 682,  569,  682,  1196, 1139,
    682,  1139, 1251, 1139, 1251, 1139, 682,  1251, 1251, 569,  569,  1139, 569,  1821, 1251, 1251,
    1251, 1251, 797,  1139, 682,  1251, 1139, 1593, 1139, 1139, 1024, 797,  573,  797,  1196, 748,
    1813, 1161, 569,  853,  1024, 2048, 1139, 1139, 1139, 2048, 2240, 682,  2176, 1250, 1792, 1472,
    1251, 569,  569,  1024, 1024, 717,  1139, 2048, 1251, 2048, 1984, 682,  1856, 1025, 1251, 1237,
    569,  1274, 1139, 1139, 1139, 997,  573,  1139, 1370, 1509, 1457, 1139, 1196, 682,  1509, 565,
    819,  1124, 569,  569,  915,  1180, 1139, 569,  1139, 2283, 1131, 1139, 569,  1366, 1139, 576,
    1479, 1472, 1479, 1161, 1459, 1366, 1851, 1283, 1472, 1472, 1250, 1437, 1706, 1479, 1593, 1472,
    1366, 1479, 1251, 1274, 1748, 1366, 1496, 1439, 2058, 2087, 1781, 2005, 1472, 1457, 2112, 1472,
    1139, 1265, 1259, 853,  1300, 1139, 1452, 1018, 1259, 1259, 1025, 1301, 1515, 1237, 1251, 1237,
    1251, 1139, 1003, 1139, 1792, 1139, 1259, 1189, 1707, 1728, 1493, 1749, 1259, 1131, 1749, 1195,
};

const uint16_t* widthsOf(const Font& f) {
    return f.weight >= kBold ? kBoldWidths : kRegularWidths;
}

}  // namespace

double emMm(const Font& f, double scale) {
    return f.size * kPointMm * scale;
}

double textWidthMm(const Font& f, std::string_view cp1251, double scale) {
    const uint16_t* w = widthsOf(f);
    double units = 0;
    for (char c : cp1251) units += w[static_cast<unsigned char>(c)];
    return units / kUnitsPerEm * emMm(f, scale);
}

std::string fitToWidth(const Font& f, std::string_view cp1251, double widthMm, double scale) {
    if (widthMm <= 0 || textWidthMm(f, cp1251, scale) <= widthMm) return std::string(cp1251);
    const double room = widthMm - textWidthMm(f, std::string_view(&kEllipsis, 1), scale);
    // The longest start that fits, measured once from the left.
    const uint16_t* w = widthsOf(f);
    const double unitsRoom = room / emMm(f, scale) * kUnitsPerEm;
    double units = 0;
    std::size_t n = 0;
    while (n < cp1251.size() &&
           units + w[static_cast<unsigned char>(cp1251[n])] <= unitsRoom + 1e-9)
        units += w[static_cast<unsigned char>(cp1251[n++])];
    while (n > 0 && cp1251[n - 1] == ' ') --n;
    return std::string(cp1251.substr(0, n)) + kEllipsis;
}

Extent inkOf(const Document& doc, const Drawn& d) {
    if (d.kind != ItemKind::Text) {
        const double half = d.pen / 2;
        return {std::min(d.x, d.x + d.width) - half, std::min(d.y, d.y + d.height) - half,
                std::max(d.x, d.x + d.width) + half, std::max(d.y, d.y + d.height) + half};
    }
    const Font& f = doc.fontOf(d);
    const std::string_view all = d.text;
    const std::size_t first = std::min(all.find_first_not_of(' '), all.size());
    const std::size_t last = all.find_last_not_of(' ');
    const std::string_view letters =
        first < all.size() ? all.substr(first, last + 1 - first) : std::string_view();
    const double whole = textWidthMm(f, all, doc.fontScale), em = emMm(f, doc.fontScale);
    double x0 = d.x;  // where the whole text starts
    if (d.width > 0 && d.align == Align::Right) x0 = d.x + d.width - whole;
    if (d.width > 0 && d.align == Align::Center) x0 = d.x + (d.width - whole) / 2;
    x0 += textWidthMm(f, all.substr(0, first), doc.fontScale);  // blanks leave no ink
    const double wide = textWidthMm(f, letters, doc.fontScale);
    // Ascent 0.905 em above the baseline, capitals 0.729 em high, descenders 0.212 em.
    return {x0, d.y + (0.905 - 0.729) * em, x0 + wide, d.y + (0.905 + 0.212) * em};
}

Extent roomOf(const Document& doc, const Drawn& d) {
    Extent e = inkOf(doc, d);
    if (d.kind == ItemKind::Text && d.width > 0) {
        e.x0 = std::min(e.x0, static_cast<double>(d.x));
        e.x1 = std::max(e.x1, static_cast<double>(d.x + d.width));
    }
    return e;
}

}  // namespace kw::report
