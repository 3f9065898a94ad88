// The summary order over a large pledge file.
//
// OrderToPreview: ZAL of 1,000,000 pledges, 10,000 of them with an event in November
// 2025 (issued, prolonged, redeemed or handed over for sale in it, a quarter each), the
// rest issued and closed in 2023 and 2024. OR_M is open with the period typed; the
// clock runs from "Печать" until the "Report Preview" window waits for the user; goal
// under 10 s. Meanwhile a sampler reads the progress window's "% Complete" every few
// milliseconds: percent_steps is how many different figures it saw (the thermometer
// moved), last_percent the last one. rows and pages are what the preview got; the
// run is an error when the tickets printed are not exactly the 10,000 pledges of the
// data set with an event in the period, or the issue count printed is not the 2,500
// issued in it.
//
// The data set is built once per run with the driver's bulk import in a temporary
// directory (KW_BENCH_DIR chooses where; KW_BENCH_KEEP keeps it).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "../common/bench_util.h"
#include "dictionary/tables.h"
#include "documents/order_reports.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/report/report_manager.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_report.h"
#include "runtime/script/script_windows.h"
#include "shell/globals.h"
#include "storage/file.h"

namespace {

using kwbench::addOne;
using kwbench::onThread;

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using kw::W;
using kw::script::Drive;
using kw::script::WindowDriver;

constexpr int kRecords = 1000000;
constexpr int kInPeriodEvery = 100;  // 10,000 pledges with a November event
const int32_t kD1 = kw::date::fromYmd(2025, 11, 1);
const int32_t kD2 = kw::date::fromYmd(2025, 11, 30);

void createEmpty(const kw::storage::TableDecl& t) {
    kw::storage::File f(t);
    if (!f.create().ok()) std::abort();
}

// A pledge of ticket t: loan by the ticket, 30-day term; every kInPeriodEvery-th has
// one event in November (by turns issue, prolongation, redemption, sale), the others
// were issued in 2023-2024 and redeemed a month later.
kw::dict::ZalRecord pledge(int32_t t) {
    kw::dict::ZalRecord z;
    z.N_KV = t;
    z.FIO = W("Клиент");
    z.OP_IZ = W("Кольцо");
    z.MET = 1;
    z.PROB = 585;
    z.VEC = 3.5;
    z.S_CCYD = 1000 + t % 9000;
    z.S_OZEN = 2 * z.S_CCYD;
    z.S_P_S = z.S_CCYD * 0.15;
    z.S_P_X = z.S_OZEN * 0.03;
    z.S_VID = z.S_CCYD - z.S_P_S - z.S_P_X;
    const int32_t early = kw::date::fromYmd(2023, 1, 1) + t % 700;
    const int kind = t % kInPeriodEvery == 0 ? (t / kInPeriodEvery) % 4 : -1;
    z.DATA = kind == 0 ? kD1 + t % 30 : kind < 0 ? early : kw::date::fromYmd(2025, 10, 1);
    z.DATA_K = z.DATA + 30;
    auto redeem = [&](int32_t on) {
        z.DATA_PRW = on;
        z.S_P_CW = z.S_P_S;
        z.S_P_XW = z.S_P_X;
        z.S_W = z.S_VID + z.S_P_CW + z.S_P_XW;
        z.SOST = 4;
    };
    switch (kind) {
        case -1:
            redeem(z.DATA + 30);
            break;
        case 0:
            z.SOST = 0;
            break;
        case 1:
            z.DATA_PR1 = kD1 + 5;
            z.DATA_P11 = z.DATA_PR1;
            z.DATA_P12 = z.DATA_PR1 + 30;
            z.S_P_C1 = z.S_P_S;
            z.S_P_X1 = z.S_P_X;
            z.S_ST1 = 10;
            z.SOST = 1;
            break;
        case 2:
            redeem(kD1 + 10);
            break;
        case 3:
            z.DATA_R = kD1 + 12;
            z.S_R = z.S_CCYD * 1.2;
            z.SOST = 5;
            break;
    }
    return z;
}

std::string g_dir;
bool g_built = false;

void buildDataSet() {
    g_dir = kwbench::freshDataDir("orders");
    std::fprintf(stderr, "building %d pledges in %s ...\n", kRecords, g_dir.c_str());
    const auto t0 = Clock::now();
    onThread(60, [] {
        kw::dict::KbpRecord k;
        k.NAME = W("Ломбард");
        addOne(kw::dict::kbpTable(), k);
        kw::dict::SecRecord s;
        s.K_POL = 6;
        s.FIO = W("Кузнецов П.А.");
        addOne(kw::dict::secTable(), s);
        createEmpty(kw::dict::metTable());
        createEmpty(kw::dict::kamTable());
        kw::storage::File f(kw::dict::zalTable());
        if (!f.create().ok() || !f.open().ok()) std::abort();
        f.setDurable(false);  // bulk import: one sync at the end
        for (int32_t t = 1; t <= kRecords; ++t) {
            ZAL = pledge(t);
            if (!f.add().ok()) std::abort();
        }
        f.setDurable(true);
        if (!f.close().ok()) std::abort();
    });
    g_built = true;
    std::fprintf(stderr, "built in %.1f s\n",
                 std::chrono::duration<double>(Clock::now() - t0).count());
}

void startProgram() {
    static bool started = false;
    if (started) return;
    started = true;
    buildDataSet();
    static kw::script::DriverMessageBox boxes;
    kw::msgbox::install(&boxes);
    kw::script::installScriptWindows();
    kw::script::installScriptReport();
    GlobalErrors.Init();
    DctInit();
    KOD = 6;
    kw::script::setTimeout(120s);
}

// The figure of the progress window's "% Complete", -1 when it is not open.
int progressShown() {
    for (const WindowDriver& w : kw::script::windows())
        if (w.title() == W("Подготовка печати")) {
            const std::string s = w.shown(kw::kProgressPctText);
            return s.empty() ? 0 : std::atoi(s.c_str());
        }
    return -1;
}

// The tickets the order printed. The ticket is the leftmost column: its right edge is the
// leftmost vertical rule of the page (the rules between the columns), so a ticket is a
// text of digits only that ends left of that rule; nothing else stands there but labels.
// Taken from the pages as drawn, wherever fitting the sheet into its printable area put
// them.
std::vector<int32_t> ticketsOf(const kw::report::Document& d) {
    std::vector<int32_t> tickets;
    for (const auto& p : d.pages) {
        float rule = -1;
        for (const auto& i : p.items)
            if (i.kind == kw::report::ItemKind::Line && i.width == 0 && i.height > 0 &&
                (rule < 0 || i.x < rule))
                rule = i.x;
        if (rule < 0) continue;
        for (const auto& i : p.items)
            if (i.kind == kw::report::ItemKind::Text && i.x < rule && !i.text.empty() &&
                i.text.find_first_not_of("0123456789") == std::string::npos)
                tickets.push_back(std::atoi(i.text.c_str()));
    }
    return tickets;
}

// Whether pledge `t` of the data set has an event in the period: the pledges the order
// lists.
bool inPeriod(int32_t t) {
    const kw::dict::ZalRecord z = pledge(t);
    for (const int32_t on : {z.DATA, z.DATA_PR1, z.DATA_PR2, z.DATA_PR3, z.DATA_PRW, z.DATA_R})
        if (on >= kD1 && on <= kD2) return true;
    return false;
}

// "" when the order printed every pledge of the period once and no other; else what
// differs.
std::string checkRows(const std::vector<int32_t>& printed) {
    static const std::vector<int32_t> expected = [] {
        std::vector<int32_t> v;
        for (int32_t t = 1; t <= kRecords; ++t)
            if (inPeriod(t)) v.push_back(t);
        return v;
    }();
    std::vector<int32_t> got = printed;
    std::sort(got.begin(), got.end());
    if (got == expected) return "";
    std::vector<int32_t> missing, extra;
    std::set_difference(expected.begin(), expected.end(), got.begin(), got.end(),
                        std::back_inserter(missing));
    std::set_difference(got.begin(), got.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    return "rows: " + std::to_string(got.size()) + " of " + std::to_string(expected.size()) +
           ", missing " + std::to_string(missing.size()) +
           (missing.empty() ? "" : " (first " + std::to_string(missing[0]) + ")") +
           ", not in the period or twice " + std::to_string(extra.size()) +
           (extra.empty() ? "" : " (first " + std::to_string(extra[0]) + ")");
}

// The figure printed after "Выдано ссуд:".
std::string issuedShown(const kw::report::Document& d) {
    const std::string label = W("Выдано ссуд:");
    for (const auto& p : d.pages)
        for (const auto& i : p.items)
            if (i.text == label)
                for (const auto& v : p.items)
                    if (v.y == i.y && v.x > i.x && v.x < i.x + 25 && &v != &i) return v.text;
    return "";
}

void OrderToPreview(benchmark::State& state) {
    startProgram();
    std::string error;
    int steps = 0, last = 0, rows = 0, pages = 0;
    for (auto _ : state) {
        const int thread = kw::proc::start([] { OR_M(); });
        WindowDriver w = kw::script::waitWindow(W("Подготовка и печать сводного ордера"), 60s);
        if (!w || w.type("D1", "01.11.2025") != Drive::Ok ||
            w.type("D2", "30.11.2025") != Drive::Ok) {
            error = "the order's window did not take the period";
            break;
        }
        kw::report::setLastDocument(nullptr);
        std::atomic<bool> sampling{true};
        std::set<int> seen;
        std::thread sampler([&] {
            while (sampling) {
                const int p = progressShown();
                if (p >= 0) {
                    seen.insert(p);
                    last = p;
                }
                std::this_thread::sleep_for(2ms);
            }
        });
        const auto t0 = Clock::now();
        const Drive pressed = w.press(W("Печать"));
        WindowDriver preview = kw::script::waitWindow("Report Preview", 120s);
        const bool ready = preview && preview.settle() == Drive::Ok;
        const auto t1 = Clock::now();
        sampling = false;
        sampler.join();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        steps = static_cast<int>(seen.size());
        if (pressed != Drive::Ok && pressed != Drive::Timeout)
            error = kw::script::describe(pressed);
        if (!ready) error = "no preview came";
        if (const auto doc = kw::report::lastDocument()) {
            const std::vector<int32_t> tickets = ticketsOf(*doc);
            rows = static_cast<int>(tickets.size());
            pages = static_cast<int>(doc->pages.size());
            if (const std::string wrong = checkRows(tickets); !wrong.empty()) error = wrong;
            if (issuedShown(*doc) != "2500")
                error = "issued shown: " + kw::cp::toUtf8(issuedShown(*doc));
        }
        // The period window takes OK only once the preview has closed and the order's
        // procedure waits for the user again; then OR_M ends.
        if (preview && (preview.press("Exit") != Drive::Ok || !preview.waitClosed(60s)))
            error = "the preview did not close";
        if (error.empty() && (w.settle() != Drive::Ok || w.press("OK") != Drive::Ok))
            error = "the period window did not take OK";
        if (!kw::proc::wait(thread, 60s) && error.empty()) error = "OR_M did not end";
        if (!error.empty()) break;
    }
    state.counters["percent_steps"] = steps;
    state.counters["last_percent"] = last;
    state.counters["rows"] = rows;
    state.counters["pages"] = pages;
    if (!error.empty()) state.SkipWithError(error.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RegisterBenchmark("OrderToPreview", OrderToPreview)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Whatever a failed iteration left open is closed, so that the process ends.
    for (int i = 0; i < 100 && kw::proc::running() > 0; ++i) {
        for (const WindowDriver& w : kw::script::windows())
            kw::ui::postEvent(w.model(), kw::ui::Event{kw::ui::ev::CloseDown});
        std::this_thread::sleep_for(50ms);
    }
    if (g_built && std::getenv("KW_BENCH_KEEP") == nullptr) {
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::error_code ec;
        std::filesystem::remove_all(g_dir, ec);
    }
    return 0;
}
