// The view engine under a browse: a ZAL file of 1,000,000 pledges (tickets added in a
// random order; every second one in state 0; one in 10,000 of metal 9), read in
// ZAL:KEY_1 order through a view with a filter, a page of 20 rows at a time, as the
// browse loads its pages:
//   OpenFirstPage      a new view with "(zal:sost=0)" (half the records match), its
//                      first page;
//   PageDown           the next page: back to the last row's position (read again and
//                      passed over), then 20 rows; 100 pages in a row;
//   PageUp             the same backwards;
//   LastPage           the end of the view, 20 rows backwards;
//   JumpToKey          a locator jump to a random ticket, then a page;
//   RareFilterFirstPage "(zal:met=9)": one record in 10,000, so the first page scans
//                      about 200,000 records;
//   PeriodFilterFirstPage "(zal:data>=d1 and zal:data<=d2)" in ZAL:KEY_2 order: the
//                      filter bounds the part of the key that is read;
//   SortedOrderFirstPage an order no key gives ("+ZAL:SOST,-ZAL:N_KV"): the whole file
//                      is read and sorted, then a page.
// Each reports the records read per step. The goal is under 20 ms per step, except the
// rare filter, whose time is reported.
//
// The file is built once with the driver's bulk mode (KW_BENCH_DIR chooses where;
// default the temporary directory) and used again by later runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "../common/bench_util.h"
#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "storage/file.h"
#include "storage/view.h"

namespace {

using kw::storage::File;
using kw::storage::View;

constexpr int kRecords = 1000000;
constexpr int kPage = 20;

std::string dataDir() {
    const char* d = std::getenv("KW_BENCH_DIR");
    const std::string root =
        d ? d : (std::filesystem::temp_directory_path() / "kestrowd-bench").string();
    const std::string on = kwbench::serverConninfo() ? "server-" : "";
    const std::string dir = root + "/browse-" + on + std::to_string(kRecords);
    std::filesystem::create_directories(dir);
    return dir;
}

int32_t g_d1 = 0, g_d2 = 0;

// The file, opened on the benchmark thread; built when missing or incomplete.
File& zalFile() {
    static std::unique_ptr<File> file;
    if (file) return *file;
    kw::storage::FileOptions o;
    o.directory = dataDir();
    kwbench::chooseBackEnd(o.directory);
    file = std::make_unique<File>(kw::dict::table("ZAL"), o);
    uint32_t count = 0;
    if (file->open().ok() && file->records(count).ok() && count == kRecords) return *file;
    (void)file->close();
    std::filesystem::remove_all(o.directory);
    std::filesystem::create_directories(o.directory);
    kwbench::chooseBackEnd(o.directory);
    if (!file->create().ok() || !file->open().ok()) {
        std::fprintf(stderr, "cannot create the ZAL file in %s\n", o.directory.c_str());
        std::abort();
    }
    std::fprintf(stderr, "building %d pledges in %s ...\n", kRecords, o.directory.c_str());
    std::vector<int32_t> tickets(kRecords);
    std::iota(tickets.begin(), tickets.end(), 1);
    std::shuffle(tickets.begin(), tickets.end(), std::mt19937(7));
    file->setDurable(false);
    const std::string fio = kw::W("Иванов Иван Иванович");
    for (int32_t t : tickets) {
        ZAL = kw::dict::ZalRecord{};
        ZAL.N_KV = t;
        ZAL.DATA = 72000 + t / 300;
        ZAL.DATA_K = ZAL.DATA + 30;
        ZAL.FIO = fio;
        ZAL.SOST = static_cast<uint8_t>(t % 2 == 0 ? 0 : 1 + t % 5);
        ZAL.MET = static_cast<uint8_t>(t % 10000 == 0 ? 9 : 1 + t % 3);
        ZAL.S_VID = t * 1.5;
        if (!file->add().ok()) {
            std::fprintf(stderr, "add failed at ticket %d\n", t);
            std::abort();
        }
    }
    file->setDurable(true);
    return *file;
}

std::unique_ptr<View> openView(const char* order, const char* filter) {
    static kw::expr::Variables vars;
    static bool bound = false;
    if (!bound) {
        vars.bind("D1", kw::ui::Binding::of(g_d1));
        vars.bind("D2", kw::ui::Binding::of(g_d2));
        bound = true;
    }
    auto v = std::make_unique<View>(zalFile());
    if (!v->setOrder(order).ok() || !v->setFilter(filter, &vars).ok()) std::abort();
    return v;
}

// Reads up to kPage rows forwards (or backwards); returns the rows read.
int page(View& v, bool forward, std::string& first, std::string& last) {
    int rows = 0;
    while (rows < kPage && (forward ? v.next() : v.previous()).ok()) {
        if (rows == 0) first = v.position();
        last = v.position();
        ++rows;
    }
    return rows;
}

void OpenFirstPage(benchmark::State& state) {
    zalFile();
    uint64_t reads = 0;
    for (auto _ : state) {
        auto v = openView("+ZAL:N_KV", "(zal:sost=0)");
        std::string first, last;
        if (!v->setStart().ok() || page(*v, true, first, last) != kPage)
            state.SkipWithError("short page");
        reads += v->reads();
    }
    state.counters["reads/step"] =
        static_cast<double>(reads) / static_cast<double>(state.iterations());
}

// Paging as the browse does it: back to the edge row of the page, read it again and
// pass over it, then a page.
void Paging(benchmark::State& state, bool down) {
    auto v = openView("+ZAL:N_KV", "(zal:sost=0)");
    std::string first, edge;  // edge: the row last read in the direction of travel
    if (!(down ? v->setStart() : v->setEnd()).ok()) std::abort();
    page(*v, down, first, edge);
    const uint64_t before = v->reads();
    for (auto _ : state) {
        if (!v->reset(edge).ok() || !(down ? v->next() : v->previous()).ok())
            state.SkipWithError("reset");
        if (page(*v, down, first, edge) != kPage) state.SkipWithError("short page");
    }
    state.counters["reads/step"] =
        static_cast<double>(v->reads() - before) / static_cast<double>(state.iterations());
}
void PageDown(benchmark::State& state) {
    Paging(state, true);
}
void PageUp(benchmark::State& state) {
    Paging(state, false);
}

void LastPage(benchmark::State& state) {
    auto v = openView("+ZAL:N_KV", "(zal:sost=0)");
    for (auto _ : state) {
        std::string first, last;
        if (!v->setEnd().ok() || page(*v, false, first, last) != kPage)
            state.SkipWithError("short page");
    }
    state.counters["reads/step"] =
        static_cast<double>(v->reads()) / static_cast<double>(state.iterations());
}

void JumpToKey(benchmark::State& state) {
    auto v = openView("+ZAL:N_KV", "(zal:sost=0)");
    std::mt19937 rng(11);
    std::uniform_int_distribution<int32_t> ticket(1, kRecords - 100);
    for (auto _ : state) {
        std::string first, last;
        if (!v->setKey({kw::expr::Value(ticket(rng))}).ok() || page(*v, true, first, last) != kPage)
            state.SkipWithError("short page");
    }
    state.counters["reads/step"] =
        static_cast<double>(v->reads()) / static_cast<double>(state.iterations());
}

void RareFilterFirstPage(benchmark::State& state) {
    zalFile();
    uint64_t reads = 0;
    for (auto _ : state) {
        auto v = openView("+ZAL:N_KV", "(zal:met=9)");
        std::string first, last;
        if (!v->setStart().ok() || page(*v, true, first, last) != kPage)
            state.SkipWithError("short page");
        reads += v->reads();
    }
    state.counters["reads/step"] =
        static_cast<double>(reads) / static_cast<double>(state.iterations());
}

void PeriodFilterFirstPage(benchmark::State& state) {
    zalFile();
    g_d1 = 72000 + 2000;
    g_d2 = 72000 + 2010;
    uint64_t reads = 0;
    for (auto _ : state) {
        auto v = openView("+ZAL:DATA,+ZAL:N_KV", "(zal:data>=d1 and zal:data<=d2)");
        std::string first, last;
        if (!v->setStart().ok() || page(*v, true, first, last) != kPage)
            state.SkipWithError("short page");
        reads += v->reads();
    }
    state.counters["reads/step"] =
        static_cast<double>(reads) / static_cast<double>(state.iterations());
}

void SortedOrderFirstPage(benchmark::State& state) {
    zalFile();
    uint64_t reads = 0;
    for (auto _ : state) {
        auto v = openView("+ZAL:SOST,-ZAL:N_KV", "");
        std::string first, last;
        if (!v->setStart().ok() || page(*v, true, first, last) != kPage)
            state.SkipWithError("short page");
        reads += v->reads();
    }
    state.counters["reads/step"] =
        static_cast<double>(reads) / static_cast<double>(state.iterations());
}

BENCHMARK(OpenFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(PageDown)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(PageUp)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(LastPage)->Unit(benchmark::kMillisecond);
BENCHMARK(JumpToKey)->Unit(benchmark::kMillisecond);
BENCHMARK(RareFilterFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(PeriodFilterFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(SortedOrderFirstPage)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
