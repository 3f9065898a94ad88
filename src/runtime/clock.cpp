#include "runtime/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

#include "runtime/date.h"

namespace kw::clock {
namespace {

std::atomic<int32_t> g_fixedToday{0};
std::atomic<bool> g_manual{false};
std::atomic<int64_t> g_manualTicks{0};

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

int64_t ticks() {
    if (g_manual.load(std::memory_order_acquire))
        return g_manualTicks.load(std::memory_order_acquire);
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void setManualTicks(bool on) {
    if (on) {
        // Starts where the system's clock stands, so timers set before keep their place.
        using namespace std::chrono;
        g_manualTicks.store(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    g_manual.store(on, std::memory_order_release);
}

bool manualTicks() {
    return g_manual.load(std::memory_order_acquire);
}

void advanceTicks(int64_t ms) {
    if (ms > 0) g_manualTicks.fetch_add(ms, std::memory_order_acq_rel);
}

void advanceTicksTo(int64_t ms) {
    if (!g_manual.load(std::memory_order_acquire)) return;
    int64_t now = g_manualTicks.load(std::memory_order_acquire);
    while (now < ms && !g_manualTicks.compare_exchange_weak(now, ms, std::memory_order_acq_rel)) {
    }
}

}  // namespace kw::clock
