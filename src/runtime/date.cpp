// Day numbers: a proleptic Gregorian day count shifted so that 28.12.1800 is day 0.
#include "runtime/date.h"

namespace kw::date {
namespace {

constexpr int kFirstYear = 1801;
constexpr int kLastYear = 9999;

// Days since 1.3.0000 of a civil date (the month is counted from March so that the
// leap day falls at the end of the counting year).
constexpr int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = y / 400;  // y >= 0 for every year we accept
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

constexpr int64_t kEpoch = daysFromCivil(1800, 12, 28);
constexpr int32_t kLastDay = static_cast<int32_t>(daysFromCivil(kLastYear, 12, 31) - kEpoch);

static_assert(daysFromCivil(1801, 1, 1) - kEpoch == 4);
static_assert(daysFromCivil(2000, 1, 1) - kEpoch == 72687);

}  // namespace

bool isLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

bool valid(int year, int month, int day) {
    return year >= kFirstYear && year <= kLastYear && day >= 1 && day <= daysInMonth(year, month);
}

int32_t fromYmd(int year, int month, int day) {
    if (!valid(year, month, day)) return 0;
    return static_cast<int32_t>(daysFromCivil(year, month, day) - kEpoch);
}

Ymd toYmd(int32_t day) {
    if (day < kFirstDay || day > kLastDay) return {};
    const int64_t z = day + kEpoch;
    const int64_t era = z / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    Ymd r;
    r.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    r.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    r.year = static_cast<int>(yoe + era * 400 + (r.month <= 2));
    return r;
}

}  // namespace kw::date
