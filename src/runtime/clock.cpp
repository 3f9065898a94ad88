#include "runtime/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

#include "runtime/date.h"

namespace kw::clock {
namespace {

std::atomic<int32_t> g_fixedToday{0};

bool localNow(std::tm& tm, long& hundredths) {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    hundredths =
        static_cast<long>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000 / 10);
    return localtime_r(&t, &tm) != nullptr;
}

}  // namespace

int32_t today() {
    const int32_t fixed = g_fixedToday.load(std::memory_order_relaxed);
    if (fixed != 0) return fixed;
    std::tm tm{};
    long cs = 0;
    if (!localNow(tm, cs)) return 0;
    return date::fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

int32_t clockTime() {
    std::tm tm{};
    long cs = 0;
    if (!localNow(tm, cs)) return 0;
    const int sec = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second counts as :59
    return ((tm.tm_hour * 60 + tm.tm_min) * 60 + sec) * 100 + static_cast<int32_t>(cs) + 1;
}

void setToday(int32_t day) {
    g_fixedToday.store(day, std::memory_order_relaxed);
}

}  // namespace kw::clock
