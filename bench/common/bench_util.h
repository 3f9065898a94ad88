// What the benchmarks over large data sets share: the threads their files are used on,
// the folder the data set is built in, small tables of one record, and the CPU time of
// the timed parts. Header only: this folder is no benchmark of its own.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "runtime/proc_thread.h"
#include "storage/file.h"
#include "storage/postgres/pg_backend.h"

namespace kwbench {

// Runs `body` on a thread of its own as procedure thread `number` (the files' state is
// per thread) and waits for it.
inline void onThread(int number, const std::function<void()>& body) {
    std::thread t([&] {
        kw::proc::setCurrentThread(number);
        body();
    });
    t.join();
}

// The back end the data set is kept on: the flat files, or with KW_BENCH_CONNINFO set
// the server that connection line names (its tables are made anew by the data set).
inline const char* serverConninfo() {
    const char* c = std::getenv("KW_BENCH_CONNINFO");
    return c && *c ? c : nullptr;
}

inline const char* backEndName() {
    return serverConninfo() ? "server" : "flat";
}

// Makes `dir` a data directory on the server when one is named: its kestrowd.conninfo.
inline void chooseBackEnd(const std::string& dir) {
    const char* conninfo = serverConninfo();
    if (!conninfo) return;
    static const bool registered = [] {
        kw::storage::pg::registerServerBackend();
        return true;
    }();
    (void)registered;
    std::ofstream(std::filesystem::path(dir) / "kestrowd.conninfo") << conninfo << "\n";
    std::fprintf(stderr, "the data set is kept on the server: %s\n", conninfo);
}

// A new empty folder for the data set of benchmark `name` (under KW_BENCH_DIR when
// set, else the temporary folder), made the current directory, on the chosen back end.
inline std::string freshDataDir(const std::string& name) {
    const char* root = std::getenv("KW_BENCH_DIR");
    const std::string dir =
        (std::filesystem::path(root ? root : std::filesystem::temp_directory_path().string()) /
         ("kestrowd-bench-" + name + "-" + std::to_string(::getpid())))
            .string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    chooseBackEnd(dir);
    return dir;
}

// Creates the table's file with the one record `value` (on the caller's thread).
template <typename R>
void addOne(const kw::storage::TableDecl& t, const R& value) {
    kw::storage::File f(t);
    if (!f.create().ok() || !f.open().ok()) std::abort();
    *static_cast<R*>(t.buffer()) = value;
    if (!f.add().ok() || !f.close().ok()) std::abort();
}

// Makes the table hold `count` records, each filled into the table's buffer by
// fill(i), in bulk (no journal); a table that already holds `count` is kept as it is, so
// a data set is built once and used by every later run.
template <class Fill>
void buildTable(const kw::storage::TableDecl& t, int count, Fill fill) {
    kw::storage::File f(t);
    uint32_t have = 0;
    if (f.open().ok() && f.records(have).ok() && have == static_cast<uint32_t>(count)) {
        (void)f.close();
        return;
    }
    (void)f.close();
    if (!f.create().ok() || !f.open().ok()) {
        std::fprintf(stderr, "cannot create %s\n", t.label.c_str());
        std::abort();
    }
    std::fprintf(stderr, "building %d records of %s ...\n", count, t.label.c_str());
    f.setDurable(false);
    for (int i = 0; i < count; ++i) {
        fill(i);
        if (!f.add().ok()) std::abort();
    }
    f.setDurable(true);
    (void)f.close();
}

inline double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Adds up the CPU time of the timed parts; reported per iteration as cpu_ms.
struct CpuTimer {
    double total = 0, from = 0;
    void start() { from = cpuSeconds(); }
    void stop() { total += cpuSeconds() - from; }
    void report(benchmark::State& state) const {
        if (state.iterations() > 0)
            state.counters["cpu_ms"] = total * 1e3 / static_cast<double>(state.iterations());
    }
};

}  // namespace kwbench
