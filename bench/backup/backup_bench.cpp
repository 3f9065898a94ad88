// A backup of a pawnshop with 1,000,000 pledges (and 100,000 journal entries) beside a
// plain copy of the same files:
//   BackupBesideCp  each iteration first copies the tables' data and key files with
//                   cp(1) into a new folder and syncs every copy and the folder (the
//                   syncing a backup does), then takes a backup (kw::backup::take:
//                   tables held, files copied, hashed, counted and summed, manifest
//                   written); the copies are removed between iterations, untimed.
//                   Reported: the backup's time, cp_ms, ratio = the median of each
//                   iteration's backup / cp (the two ran back to back, so on a shared
//                   machine under the same load), cpu_ms (the backup's CPU time: its
//                   hashing runs beside its copying), and the load average as the label.
//                   Goal: ratio at most 2.
// The data set is built once with the driver's bulk mode (KW_BENCH_DIR chooses where;
// default the temporary directory) and used again by later runs; both sides read it
// from the page cache.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "../common/bench_util.h"
#include "dictionary/day.h"
#include "dictionary/kbp.h"
#include "dictionary/klm.h"
#include "dictionary/tables.h"
#include "dictionary/zal.h"
#include "framework/data/backup.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "storage/file.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kPledges = 1000000;
constexpr int kEntries = 100000;
const int32_t kToday = kw::date::fromYmd(2025, 12, 8);

std::string root() {
    const char* d = std::getenv("KW_BENCH_DIR");
    return d ? d : (fs::temp_directory_path() / "kestrowd-bench").string();
}

std::string dataDir() {
    return root() + "/backup-" + std::to_string(kPledges);
}
std::string copiesDir() {
    return root() + "/backup-copies-" + std::to_string(::getpid());
}

void buildData() {
    std::mt19937 rng(7);
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
        KLM.DATA = kToday - i / 100;
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

// The files a backup copies: every data and key file (not the journals).
std::vector<std::string> tableFiles() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dataDir())) {
        const std::string ext = e.path().extension().string();
        if (e.is_regular_file() && ext != ".LOG" && ext != ".LGC") out.push_back(e.path().string());
    }
    return out;
}

void syncPath(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) std::abort();
    ::close(fd);
}

// cp of the files into a new folder, each copy and the folder synced; milliseconds.
double plainCopyMs(const std::vector<std::string>& files, const std::string& to) {
    std::string cmd = "cp";
    for (const auto& f : files) cmd += " '" + f + "'";
    cmd += " '" + to + "'";
    const auto t0 = Clock::now();
    fs::create_directories(to);
    if (std::system(cmd.c_str()) != 0) std::abort();
    for (const auto& f : files) syncPath(to + "/" + fs::path(f).filename().string());
    syncPath(to);
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void readThrough(const std::vector<std::string>& files) {
    static std::vector<char> buf(1 << 20);
    for (const auto& f : files) {
        const int fd = ::open(f.c_str(), O_RDONLY);
        while (fd >= 0 && ::read(fd, buf.data(), buf.size()) > 0) {
        }
        if (fd >= 0) ::close(fd);
    }
}

void BackupBesideCp(benchmark::State& state) {
    fs::create_directories(dataDir());
    fs::current_path(dataDir());
    kwbench::onThread(1, buildData);
    const std::vector<std::string> files = tableFiles();
    readThrough(files);  // both sides read from the page cache
    double backup = 0, plain = 0;
    std::vector<double> ratios;
    uint64_t bytes = 0;
    int64_t n = 0;
    kwbench::CpuTimer cpu;
    for (auto _ : state) {
        const std::string copies = copiesDir();
        fs::remove_all(copies);
        const double cp = plainCopyMs(files, copies + "/cp");
        plain += cp;
        kw::backup::Result r;
        cpu.start();
        const auto t0 = Clock::now();
        kwbench::onThread(1, [&] { r = kw::backup::take(copies + "/backups"); });
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        cpu.stop();
        fs::remove_all(copies);
        if (!r.ok) {
            state.SkipWithError(r.problem.c_str());
            break;
        }
        state.SetIterationTime(ms / 1000);
        backup += ms;
        ratios.push_back(ms / cp);
        bytes = r.bytes;
        ++n;
    }
    cpu.report(state);
    double load[1] = {0};
    if (::getloadavg(load, 1) == 1) state.SetLabel("load " + std::to_string(load[0]).substr(0, 4));
    if (n > 0) {
        state.counters["cp_ms"] = plain / static_cast<double>(n);
        std::sort(ratios.begin(), ratios.end());
        state.counters["ratio"] = ratios[ratios.size() / 2];
        state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    }
}
BENCHMARK(BackupBesideCp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace

BENCHMARK_MAIN();
