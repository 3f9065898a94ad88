// Dates as serial day numbers: day 0 is 28.12.1800, day 4 is 1.1.1801, day 72687 is
// 1.1.2000. Valid for the years 1801 to 9999; 0 stands for "no date".
#pragma once

#include <cstdint>

namespace kw::date {

struct Ymd {
    int year = 0, month = 0, day = 0;
};

constexpr int32_t kFirstDay = 4;  // 1.1.1801

bool isLeap(int year);
int daysInMonth(int year, int month);
bool valid(int year, int month, int day);  // a real date in 1801..9999
// Day number of a date; 0 when the date is not valid.
int32_t fromYmd(int year, int month, int day);
// Date of a day number; {0,0,0} when it is outside 1.1.1801..31.12.9999.
Ymd toYmd(int32_t day);

}  // namespace kw::date
