// The cash desk's two timed paths over a data set of a busy pawnshop's years:
//   ClosingPass   the day closing as the operator runs it: ZAC_D started on a procedure
//                 thread of its own, which opens ZAL, KLM, DAY and KBP, passes once over
//                 a ZAL of 1,000,000 pledges in file order (a fresh map of ZAL.DAT every
//                 time) and over the day's entries of a KLM of 100,000, reads the
//                 settings and today's DAY record and shows its window; the clock stops
//                 when the window has closed again and the procedure has ended (its
//                 tables closed). Each iteration also reads ZAL.DAT once plainly (read(2)
//                 in 1 MiB pieces, no decoding) and reports it beside the closing:
//                 plain_read_ms, and ratio = closing / read. Goals: ratio under 1.5,
//                 closing under 150 ms. cpu_ms: the process's CPU time in the closing (on
//                 a shared machine it tells the work from the wait for a core). On a
//                 server the server adds the pledges up (goal: under 1 s).
//   ClosingPassAgain  the pass alone, twenty times over the tables kept open (the pages
//                 of ZAL.DAT already mapped): what the pass's own work costs. First the
//                 server's sums are compared with a pass over every row: equal to the
//                 kopeck, or the benchmark fails.
//   KasTabOpen    KAS_TAB opened on the scripted back end over a range of 10,000
//                 journal entries, until its first page and the range's totals show.
//                 Goal: under 20 ms.
// The files are built once with the driver's bulk mode (KW_BENCH_DIR chooses where;
// default the temporary directory) and used again by later runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "../common/bench_util.h"
#include "cashdesk/cashdesk.h"
#include "cashdesk/day_texts.h"
#include "cashdesk/day_totals.h"
#include "cashdesk/settings_record.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_message_box.h"
#include "runtime/script/script_windows.h"
#include "shell/day_state.h"
#include "shell/globals.h"
#include "storage/file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPledges = 1000000;
constexpr int kEntries = 100000;
constexpr int kEntriesPerDay = 100;  // so 100 days hold 10,000 entries
const int32_t kToday = kw::date::fromYmd(2025, 12, 8);

std::string dataDir() {
    const char* d = std::getenv("KW_BENCH_DIR");
    const std::string root =
        d ? d : (std::filesystem::temp_directory_path() / "kestrowd-bench").string();
    const std::string on = kwbench::serverConninfo() ? "server-" : "";
    return root + "/cashdesk-" + on + std::to_string(kPledges);
}

// Pledges of four years, every state, a few events on "today".
void buildData() {
    std::mt19937 rng(11);
    const std::string fio = kw::W("Иванов Иван Иванович"),
                      adr = kw::W("г. Вологда, ул. Мира, д. 12");
    kwbench::buildTable(kw::dict::zalTable(), kPledges, [&](int i) {
        ZAL = kw::dict::ZalRecord{};
        ZAL.N_KV = i + 1;
        ZAL.FIO = fio;
        ZAL.ADR = adr;
        ZAL.OP_IZ = kw::W("Кольцо золотое");
        ZAL.SOST = static_cast<uint8_t>(rng() % 7);
        ZAL.DATA = kToday - static_cast<int32_t>(rng() % 1460);
        ZAL.DATA_K = ZAL.DATA + 30;
        ZAL.S_VID = (rng() % 1000000) / 100.0;
        if (ZAL.SOST >= 1) ZAL.DATA_PR1 = ZAL.DATA + 30, ZAL.S_P_C1 = 12.5, ZAL.S_P_X1 = 3;
        if (ZAL.SOST == 4) ZAL.DATA_PRW = ZAL.DATA + 40, ZAL.S_W = ZAL.S_VID * 1.1;
    });
    kwbench::buildTable(kw::dict::klmTable(), kEntries, [&](int i) {
        KLM = kw::dict::KlmRecord{};
        KLM.DATA = kToday - i / kEntriesPerDay;
        KLM.FIO = fio;
        KLM.PRI = (rng() % 100000) / 100.0;
        KLM.RAS = (rng() % 100000) / 100.0;
        KLM.NAME = kw::W("Хозрасходы");
    });
    kwbench::buildTable(kw::dict::dayTable(), 1, [&](int) {
        DAY = kw::dict::DayRecord{};
        DAY.DATA = kToday;
        DAY.KAS_N = 100000;
    });
    kwbench::buildTable(kw::dict::kbpTable(), 1, [&](int) {
        KBP = kw::dict::KbpRecord{};
        KBP.KAS_N = 100000;
    });
}

struct World {
    World() {
        std::filesystem::create_directories(dataDir());
        std::filesystem::current_path(dataDir());
        kwbench::chooseBackEnd(dataDir());
        kw::script::installScriptWindows();
        kw::msgbox::install(&boxes);
        kw::clock::setToday(kToday);
        // The window is awaited as long as the slowest back end's pass may take.
        kw::script::setTimeout(std::chrono::seconds(120));
        GlobalErrors.Init();
        DctInit();
        const int n = kw::proc::start(buildData);
        (void)kw::proc::wait(n, std::chrono::hours(1));
    }
    kw::script::ScriptMessageBox boxes;
};

World& world() {
    static World w;
    return w;
}

// 0 on the server, which has no data file to read.
double plainReadMs() {
    if (kwbench::serverConninfo()) return 0;
    static std::vector<char> buf(1 << 20);
    const auto t0 = Clock::now();
    const int fd = ::open("ZAL.DAT", O_RDONLY);
    if (fd < 0) std::abort();
    while (::read(fd, buf.data(), buf.size()) > 0) {
    }
    ::close(fd);
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void ClosingPass(benchmark::State& state) {
    world();
    const std::string title = kw::cashdesk::closeDayTitle();
    double closing = 0, plain = 0;
    int64_t n = 0;
    kwbench::CpuTimer cpu;
    for (auto _ : state) {
        plain += plainReadMs();
        cpu.start();
        const auto t0 = Clock::now();
        const int thread = kw::proc::start(ZAC_D);
        kw::script::WindowDriver w = kw::script::waitWindow(title, std::chrono::seconds(60));
        if (!w || w.settle() != kw::script::Drive::Ok) {
            state.SkipWithError("ZAC_D did not open");
            break;
        }
        kw::ui::postEvent(w.model(), kw::ui::Event{kw::ui::ev::CloseWindow});
        if (!kw::proc::wait(thread, std::chrono::seconds(60))) {
            state.SkipWithError("ZAC_D did not end");
            break;
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        cpu.stop();
        state.SetIterationTime(ms / 1000);
        closing += ms;
        ++n;
    }
    cpu.report(state);
    if (n > 0 && plain > 0) {
        state.counters["plain_read_ms"] = plain / static_cast<double>(n);
        state.counters["ratio"] = closing / plain;
    }
}
BENCHMARK(ClosingPass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void ClosingPassAgain(benchmark::State& state) {
    world();
    double pass = 0, plain = 0, checksum = 0;
    int64_t n = 0;
    // The pass runs on a procedure thread that opened the tables, as ZAC_D's does.
    const int thread = kw::proc::start([&] {
        (void)Relate::ZAL->Open();
        (void)Relate::KLM->Open();
        (void)Relate::DAY->Open();
        (void)Relate::KBP->Open();
        // Where the back end adds the pledges up itself, its totals must be the pass's
        // over every row (forced by watching the pass) to the kopeck.
        kw::cashdesk::DayTotals summed, passed;
        kw::cashdesk::setPassObserver(std::numeric_limits<uint32_t>::max(), [](uint32_t) {});
        const bool rows = kw::cashdesk::addPledges(passed, kToday);
        kw::cashdesk::setPassObserver(0, nullptr);
        if (!rows || !kw::cashdesk::addPledges(summed, kToday) || summed.OBO != passed.OBO ||
            summed.T_RAS != passed.T_RAS || summed.T_PRI != passed.T_PRI ||
            summed.PRIBI != passed.PRIBI)
            state.SkipWithError("the back end's totals are not the pass's");
        for (auto _ : state) {
            plain += plainReadMs();
            const auto t0 = Clock::now();
            kw::cashdesk::DayTotals t;
            const bool ok =
                kw::cashdesk::addPledges(t, kToday) && kw::cashdesk::addJournal(t, kToday);
            (void)kw::cashdesk::readSettings();
            (void)kw::shell::dayState(kToday);
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            if (!ok) state.SkipWithError("the pass failed");
            state.SetIterationTime(ms / 1000);
            pass += ms;
            checksum += t.OBO + t.T_PRI;
            ++n;
        }
        (void)Relate::KBP->Close();
        (void)Relate::DAY->Close();
        (void)Relate::KLM->Close();
        (void)Relate::ZAL->Close();
    });
    (void)kw::proc::wait(thread, std::chrono::hours(1));
    benchmark::DoNotOptimize(checksum);
    if (n > 0 && plain > 0) {
        state.counters["plain_read_ms"] = plain / static_cast<double>(n);
        state.counters["ratio"] = pass / plain;
    }
}
BENCHMARK(ClosingPassAgain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void KasTabOpen(benchmark::State& state) {
    world();
    D1 = kToday - 99;
    D2 = kToday;
    const std::string title = kw::W("Внешние операции по кассе");
    std::string totals;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const int thread = kw::proc::start(KAS_TAB);
        kw::script::WindowDriver w = kw::script::waitWindow(title);
        if (!w || w.settle() != kw::script::Drive::Ok) {
            state.SkipWithError("KAS_TAB did not open");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        totals = w.shown("I_PRI");
        kw::ui::postEvent(w.model(), kw::ui::Event{kw::ui::ev::CloseWindow});
        (void)kw::proc::wait(thread, std::chrono::seconds(10));
    }
    state.SetLabel("receipts of the range " + totals);
}
BENCHMARK(KasTabOpen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

BENCHMARK_MAIN();
