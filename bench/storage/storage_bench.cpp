// The data-file driver beside SQLite, on the same ZAL records in the same run.
//
// Data sets of 100,000 and 1,000,000 pledges, added in ticket order and in random
// order. For each: bulk add, single durable adds (2,000, each committed), point lookup
// by ZAL:KEY_1, key-order scan with a filter on ZAL:SOST, a 20-row page from a random
// key position, and a physical-order pass summing ZAL:S_VID. SQLite holds a rowid table
// with the same columns and the three keys as indexes; durable = WAL with synchronous
// FULL, bulk = synchronous OFF in one transaction. Every SQLite read delivers the whole
// record, as the driver does. The closing table gives the ratios SQLite time / driver
// time beside the goals.
//
// Fairness: the files of both sides are synced after a data set is built, so that
// neither side's timed work pays for the other's write-back; a bulk add is timed until
// its records are handed to the system (the driver's closing sync is not timed, SQLite's
// side never syncs); durable adds are taken in turns, one per side, after a warm-up;
// before every timed read both sides' files are read once through the page cache.
// Goals: lookup and page 5x SQLite, pass 15x, a durable add within 1.1x of one
// synchronous write to the same disk.
//
// KW_BENCH_SIZES=100000 limits the sizes; KW_BENCH_DIR chooses where the files go.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "storage/file.h"

namespace {

using kw::dict::ZalRecord;
using kw::storage::File;
using kw::storage::FileOptions;

std::string benchRoot() {
    const char* d = std::getenv("KW_BENCH_DIR");
    std::string root = d ? d : (std::filesystem::temp_directory_path() / "kestrowd-bench").string();
    std::filesystem::create_directories(root);
    return root;
}

const kw::storage::TableDecl& zalDecl() {
    return kw::dict::table("ZAL");
}

// The texts are converted once: the runs measure the storage, not the code-page
// conversion of the test data.
ZalRecord makeRecord(int32_t ticket) {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const char* n : {"Иванов Иван Иванович", "Петрова Анна Сергеевна", "Сидоров Пётр",
                              "Кузнецова Ольга", "Smith John"})
            v.push_back(kw::W(n));
        return v;
    }();
    static const std::vector<std::string> addresses = [] {
        std::vector<std::string> v;
        for (int i = 0; i < 200; ++i)
            v.push_back(kw::W("г. Москва, ул. Ленина, д. ") + std::to_string(i));
        return v;
    }();
    static const std::string article = kw::W("Кольцо золотое 585");
    ZalRecord r;
    r.N_KV = ticket;
    r.DATA = 72000 + ticket / 50;
    r.DATA_K = r.DATA + 30;
    r.FIO = names[static_cast<std::size_t>(ticket % 5)];
    r.ADR = addresses[static_cast<std::size_t>(ticket % 200)];
    r.PAS = "45 0" + std::to_string(ticket);
    r.OP_IZ = article;
    r.PROB = 585;
    r.VEC = 3.25 + ticket % 7;
    r.S_VID = ticket * 1.5;
    r.S_CCYD = ticket * 2.0;
    r.SOST = static_cast<uint8_t>(ticket % 7);
    return r;
}

// ---- SQLite side ----------------------------------------------------------------

struct Sqlite {
    sqlite3* db = nullptr;
    std::vector<std::string> cols;
    ~Sqlite() {
        if (db) sqlite3_close(db);
    }
    void exec(const std::string& sql) {
        char* err = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::fprintf(stderr, "sqlite: %s: %s\n", sql.c_str(), err);
            std::abort();
        }
    }
    sqlite3_stmt* prepare(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) std::abort();
        return st;
    }
    void open(const std::string& path, bool fresh) {
        if (fresh) {
            std::filesystem::remove(path);
            std::filesystem::remove(path + "-wal");
            std::filesystem::remove(path + "-shm");
        }
        sqlite3_open(path.c_str(), &db);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        for (const auto& f : zalDecl().fields) cols.push_back(f.name);
        if (fresh) {
            std::string ddl = "CREATE TABLE zal(";
            for (std::size_t i = 0; i < zalDecl().fields.size(); ++i) {
                const auto& f = zalDecl().fields[i];
                const char* type = f.type == kw::storage::FieldType::Real     ? "REAL"
                                   : f.type == kw::storage::FieldType::String ? "TEXT"
                                                                              : "INTEGER";
                ddl += (i ? "," : "") + f.name + " " + type;
            }
            exec(ddl + ")");
            exec("CREATE INDEX zal_key_1 ON zal(N_KV)");
            exec("CREATE INDEX zal_key_2 ON zal(DATA, N_KV)");
            exec("CREATE INDEX zal_key_3 ON zal(DATA_K)");
        }
    }
    sqlite3_stmt* insertStatement() {
        std::string sql = "INSERT INTO zal VALUES(";
        for (std::size_t i = 0; i < cols.size(); ++i) sql += i ? ",?" : "?";
        return prepare(sql + ")");
    }
    static void bind(sqlite3_stmt* st, const ZalRecord& r) {
        const auto* base = reinterpret_cast<const uint8_t*>(&r);
        int i = 1;
        for (const auto& f : zalDecl().fields) {
            const uint8_t* p = base + f.offset;
            switch (f.type) {
                case kw::storage::FieldType::Real: {
                    double d;
                    std::memcpy(&d, p, 8);
                    sqlite3_bind_double(st, i, d);
                    break;
                }
                case kw::storage::FieldType::String:
                    sqlite3_bind_text(st, i, reinterpret_cast<const char*>(p), f.size,
                                      SQLITE_STATIC);
                    break;
                case kw::storage::FieldType::Byte:
                    sqlite3_bind_int(st, i, p[0]);
                    break;
                case kw::storage::FieldType::Short: {
                    int16_t v;
                    std::memcpy(&v, p, 2);
                    sqlite3_bind_int(st, i, v);
                    break;
                }
                default: {
                    int32_t v;
                    std::memcpy(&v, p, 4);
                    sqlite3_bind_int(st, i, v);
                    break;
                }
            }
            ++i;
        }
    }
    // The whole row into a record, as a program would take it.
    static void read(sqlite3_stmt* st, ZalRecord& r, int first = 0) {
        auto* base = reinterpret_cast<uint8_t*>(&r);
        int i = first;
        for (const auto& f : zalDecl().fields) {
            uint8_t* p = base + f.offset;
            switch (f.type) {
                case kw::storage::FieldType::Real: {
                    double d = sqlite3_column_double(st, i);
                    std::memcpy(p, &d, 8);
                    break;
                }
                case kw::storage::FieldType::String: {
                    const int n = sqlite3_column_bytes(st, i);
                    const void* t = sqlite3_column_text(st, i);
                    std::memcpy(p, t, std::min<int>(n, f.size));
                    break;
                }
                case kw::storage::FieldType::Byte:
                    p[0] = static_cast<uint8_t>(sqlite3_column_int(st, i));
                    break;
                case kw::storage::FieldType::Short: {
                    int16_t v = static_cast<int16_t>(sqlite3_column_int(st, i));
                    std::memcpy(p, &v, 2);
                    break;
                }
                default: {
                    int32_t v = sqlite3_column_int(st, i);
                    std::memcpy(p, &v, 4);
                    break;
                }
            }
            ++i;
        }
    }
};

// ---- data sets ----------------------------------------------------------------

struct DataSet {
    int size = 0;
    bool random = false;
    std::vector<int32_t> order;  // tickets in the order they are added
    std::string dir;
    bool built = false;
};

DataSet& dataSet(int size, bool random) {
    static std::map<std::pair<int, bool>, DataSet> sets;
    DataSet& d = sets[{size, random}];
    if (d.order.empty()) {
        d.size = size;
        d.random = random;
        d.order.resize(static_cast<std::size_t>(size));
        std::iota(d.order.begin(), d.order.end(), 1);
        if (random) std::shuffle(d.order.begin(), d.order.end(), std::mt19937(42));
        d.dir = benchRoot() + "/" + std::to_string(size) + (random ? "-random" : "-ticket");
        std::filesystem::create_directories(d.dir);
    }
    return d;
}

FileOptions in(const std::string& dir) {
    FileOptions o;
    o.directory = dir;
    return o;
}

// With `timed`, the clock stops before the import ends: what is timed is the adds
// handed to the system, as SQLite's side with synchronous OFF; the driver's end of an
// import then also syncs the files (SQLite's never does), which is not timed.
void fillDriver(DataSet& d, benchmark::State* timed = nullptr) {
    File f(zalDecl(), in(d.dir));
    if (!f.create().ok() || !f.open().ok()) std::abort();
    f.setDurable(false);
    for (int32_t t : d.order) {
        ZAL = makeRecord(t);
        if (!f.add().ok()) std::abort();
    }
    // Any other operation writes out what the import gathered in memory.
    uint32_t count = 0;
    if (!f.records(count).ok() || count != d.order.size()) std::abort();
    if (timed) timed->PauseTiming();
    f.setDurable(true);
    (void)f.close();
    if (timed) timed->ResumeTiming();
}

void fillSqlite(DataSet& d) {
    Sqlite s;
    s.open(d.dir + "/zal.db", true);
    s.exec("PRAGMA synchronous=OFF");
    s.exec("BEGIN");
    sqlite3_stmt* ins = s.insertStatement();
    for (int32_t t : d.order) {
        Sqlite::bind(ins, makeRecord(t));
        if (sqlite3_step(ins) != SQLITE_DONE) std::abort();
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    s.exec("COMMIT");
}

// Both sides' files read once through the page cache, the same way, before a timed
// read: whichever was written last (or read by the benchmark before) must not be the
// only one the cache still holds.
void warm(const DataSet& d) {
    static std::vector<char> buf(std::size_t{1} << 20);
    for (const auto& e : std::filesystem::directory_iterator(d.dir)) {
        const int fd = ::open(e.path().c_str(), O_RDONLY);
        if (fd < 0) continue;
        while (::read(fd, buf.data(), buf.size()) > 0) {
        }
        ::close(fd);
    }
}

void ensureBuilt(DataSet& d) {
    if (!d.built) {
        fillDriver(d);
        fillSqlite(d);
        // What the fills left for the kernel to write goes to the disk now: neither side's
        // timed work is to pay for the other's write-back.
        ::sync();
        d.built = true;
    }
    warm(d);
}

// ---- benchmarks ----------------------------------------------------------------

void BulkAddDriver(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    for (auto _ : st) fillDriver(d, &st);
    d.built = false;
    st.SetItemsProcessed(st.iterations() * size);
}

void BulkAddSqlite(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    for (auto _ : st) fillSqlite(d);
    d.built = false;
    st.SetItemsProcessed(st.iterations() * size);
}

// Durable adds: the two sides take turns, one add each, so that both meet the disk in
// the same state (its write cache drains the data sets just written for a while, and
// the host's flush latency drifts over seconds). Each add is timed on its own; the two
// benchmarks report the times of their side. The warm-up also takes both logs past
// their one-time growth (SQLite's write-ahead log and the driver's journal, which
// grows from 1 to 4 MiB once a table is busy), so that the steady state is timed.
constexpr int kDurableAdds = 2000;
constexpr int kDurableWarmUp = 400;

struct DurableTimes {
    std::vector<double> driver, sqlite;  // seconds per add
    std::vector<double> floor;           // seconds of one synchronous 3 KiB write to the same disk
};

// The floor under any durable add on this disk: one synchronous write of a journal
// record's size, past the page cache where the file system allows it.
struct SyncProbe {
    int fd = -1;
    void* buf = nullptr;
    uint64_t at = 0;
    static constexpr std::size_t kRecord = 3072, kRoom = std::size_t{4} << 20;
    explicit SyncProbe(const std::string& path) {
        {
            std::vector<char> zeros(kRoom, 0);
            const int w = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
            if (w < 0 ||
                ::pwrite(w, zeros.data(), zeros.size(), 0) != static_cast<ssize_t>(zeros.size()) ||
                ::fsync(w) != 0)
                std::abort();
            ::close(w);
        }
        fd = ::open(path.c_str(), O_RDWR | O_DSYNC | O_DIRECT);
        if (fd < 0) fd = ::open(path.c_str(), O_RDWR | O_DSYNC);
        if (fd < 0 || ::posix_memalign(&buf, 4096, kRecord) != 0) std::abort();
        std::memset(buf, 'x', kRecord);
    }
    ~SyncProbe() {
        ::close(fd);
        std::free(buf);
    }
    void write() {
        if (::pwrite(fd, buf, kRecord, static_cast<off_t>(at)) != static_cast<ssize_t>(kRecord))
            std::abort();
        at = at + 2 * kRecord > kRoom ? 0 : at + kRecord;
    }
};

// Per data set: the medians of the floor and of the driver's and SQLite's adds.
std::map<std::string, std::array<double, 3>>& durableFloors() {
    static std::map<std::string, std::array<double, 3>> floors;
    return floors;
}

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

const DurableTimes& durableTimes(DataSet& d) {
    static std::map<std::string, DurableTimes> done;
    auto found = done.find(d.dir);
    if (found != done.end()) return found->second;
    ensureBuilt(d);
    File f(zalDecl(), in(d.dir));
    if (!f.open().ok()) std::abort();
    Sqlite s;
    s.open(d.dir + "/zal.db", false);
    sqlite3_stmt* ins = s.insertStatement();
    int32_t next = d.size + 1;
    DurableTimes t;
    SyncProbe probe(d.dir + "/probe.bin");
    using clock = std::chrono::steady_clock;
    for (int i = 0; i < kDurableWarmUp + kDurableAdds; ++i) {
        const ZalRecord r = makeRecord(next++);
        auto t0 = clock::now();
        ZAL = r;
        if (!f.add().ok()) std::abort();
        auto t1 = clock::now();
        Sqlite::bind(ins, r);
        if (sqlite3_step(ins) != SQLITE_DONE) std::abort();
        sqlite3_reset(ins);
        auto t2 = clock::now();
        probe.write();
        auto t3 = clock::now();
        if (i < kDurableWarmUp) continue;
        t.driver.push_back(std::chrono::duration<double>(t1 - t0).count());
        t.sqlite.push_back(std::chrono::duration<double>(t2 - t1).count());
        t.floor.push_back(std::chrono::duration<double>(t3 - t2).count());
    }
    sqlite3_finalize(ins);
    durableFloors()[std::to_string(d.size) + (d.random ? "/random" : "/ticket")] = {
        median(t.floor), median(t.driver), median(t.sqlite)};
    d.built = false;  // the files grew: rebuild both for the next benchmarks
    return done[d.dir] = std::move(t);
}

void DurableAddDriver(benchmark::State& st, int size, bool random) {
    const DurableTimes& t = durableTimes(dataSet(size, random));
    std::size_t i = 0;
    for (auto _ : st) st.SetIterationTime(t.driver[i++ % t.driver.size()]);
    st.SetItemsProcessed(st.iterations());
}

void DurableAddSqlite(benchmark::State& st, int size, bool random) {
    const DurableTimes& t = durableTimes(dataSet(size, random));
    std::size_t i = 0;
    for (auto _ : st) st.SetIterationTime(t.sqlite[i++ % t.sqlite.size()]);
    st.SetItemsProcessed(st.iterations());
}

void LookupDriver(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    ensureBuilt(d);
    File f(zalDecl(), in(d.dir));
    if (!f.open().ok()) std::abort();
    std::mt19937 rng(1);
    for (auto _ : st) {
        ZAL.N_KV = 1 + static_cast<int32_t>(rng() % static_cast<unsigned>(size));
        if (!f.get(1).ok()) std::abort();
        benchmark::DoNotOptimize(ZAL.S_VID);
    }
    st.SetItemsProcessed(st.iterations());
}

void LookupSqlite(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    ensureBuilt(d);
    Sqlite s;
    s.open(d.dir + "/zal.db", false);
    sqlite3_stmt* q = s.prepare("SELECT * FROM zal WHERE N_KV = ?");
    std::mt19937 rng(1);
    ZalRecord r;
    for (auto _ : st) {
        sqlite3_bind_int(q, 1, 1 + static_cast<int>(rng() % static_cast<unsigned>(size)));
        if (sqlite3_step(q) != SQLITE_ROW) std::abort();
        Sqlite::read(q, r);
        benchmark::DoNotOptimize(r.S_VID);
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
    st.SetItemsProcessed(st.iterations());
}

void FilteredScanDriver(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    ensureBuilt(d);
    File f(zalDecl(), in(d.dir));
    if (!f.open().ok()) std::abort();
    for (auto _ : st) {
        long n = 0;
        (void)f.set(1);
        while (f.next().ok())
            if (ZAL.SOST == 3) ++n;
        benchmark::DoNotOptimize(n);
    }
    st.SetItemsProcessed(st.iterations() * size);
}

void FilteredScanSqlite(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    ensureBuilt(d);
    Sqlite s;
    s.open(d.dir + "/zal.db", false);
    sqlite3_stmt* q =
        s.prepare("SELECT * FROM zal INDEXED BY zal_key_1 WHERE SOST = 3 ORDER BY N_KV");
    ZalRecord r;
    for (auto _ : st) {
        long n = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            Sqlite::read(q, r);
            ++n;
        }
        sqlite3_reset(q);
        benchmark::DoNotOptimize(n);
    }
    sqlite3_finalize(q);
    st.SetItemsProcessed(st.iterations() * size);
}

void PageDriver(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    ensureBuilt(d);
    File f(zalDecl(), in(d.dir));
    if (!f.open().ok()) std::abort();
    std::mt19937 rng(2);
    for (auto _ : st) {
        ZAL.N_KV = 1 + static_cast<int32_t>(rng() % static_cast<unsigned>(size));
        (void)f.setFromBuffer(1);
        for (int i = 0; i < 20 && f.next().ok(); ++i) benchmark::DoNotOptimize(ZAL.S_VID);
    }
    st.SetItemsProcessed(st.iterations());
}

void PageSqlite(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    ensureBuilt(d);
    Sqlite s;
    s.open(d.dir + "/zal.db", false);
    sqlite3_stmt* q = s.prepare("SELECT * FROM zal WHERE N_KV >= ? ORDER BY N_KV LIMIT 20");
    std::mt19937 rng(2);
    ZalRecord r;
    for (auto _ : st) {
        sqlite3_bind_int(q, 1, 1 + static_cast<int>(rng() % static_cast<unsigned>(size)));
        while (sqlite3_step(q) == SQLITE_ROW) {
            Sqlite::read(q, r);
            benchmark::DoNotOptimize(r.S_VID);
        }
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
    st.SetItemsProcessed(st.iterations());
}

void PassDriver(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    ensureBuilt(d);
    File f(zalDecl(), in(d.dir));
    if (!f.open().ok()) std::abort();
    for (auto _ : st) {
        double sum = 0;
        (void)f.set(0);
        while (f.next().ok()) sum += ZAL.S_VID;
        benchmark::DoNotOptimize(sum);
    }
    st.SetItemsProcessed(st.iterations() * size);
}

void PassSqlite(benchmark::State& st, int size, bool random) {
    DataSet& d = dataSet(size, random);
    ensureBuilt(d);
    Sqlite s;
    s.open(d.dir + "/zal.db", false);
    sqlite3_stmt* q = s.prepare("SELECT * FROM zal");
    ZalRecord r;
    for (auto _ : st) {
        double sum = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            Sqlite::read(q, r);
            sum += r.S_VID;
        }
        sqlite3_reset(q);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_finalize(q);
    st.SetItemsProcessed(st.iterations() * size);
}

// ---- ratios ----------------------------------------------------------------------

// With --benchmark_repetitions each side's runs are gathered: the table gives the
// minimum and the median of each, and the ratio of the medians (and of the minima).
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration)
                runs_[r.run_name.str()].push_back(r.GetAdjustedRealTime());
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // DurableAdd is judged against the disk, not SQLite: below.
        const std::vector<std::pair<std::string, double>> goals = {
            {"Lookup", 5}, {"Page", 5}, {"FilteredScan", 3}, {"Pass", 15}, {"BulkAdd", 2}};
        std::printf("\n%-44s %21s %21s %8s %8s %6s\n", "work", "driver min/median",
                    "sqlite min/median", "ratio", "(minima)", "goal");
        for (const auto& [name, driver] : runs_) {
            const auto at = name.find("Driver");
            if (at == std::string::npos) continue;
            std::string other = name;
            other.replace(at, 6, "Sqlite");
            auto it = runs_.find(other);
            if (it == runs_.end()) continue;
            double goal = 0;
            for (const auto& [g, v] : goals)
                if (name.rfind(g, 0) == 0) goal = v;
            std::string work = name;
            work.erase(at, 6);
            const double dMin = *std::min_element(driver.begin(), driver.end()),
                         dMed = median(driver);
            const double sMin = *std::min_element(it->second.begin(), it->second.end()),
                         sMed = median(it->second);
            std::printf("%-44s %10.1f %10.1f %10.1f %10.1f %7.2fx %7.2fx", work.c_str(), dMin, dMed,
                        sMin, sMed, sMed / dMed, sMin / dMin);
            if (goal > 0) std::printf(" %5.1fx %s", goal, sMed / dMed >= goal ? "" : "below goal");
            std::printf("\n");
        }
        // Goal: a durable add within 1.1x of one synchronous write to the same disk.
        for (const auto& [set, f] : durableFloors())
            std::printf(
                "durable add %-16s floor %.1f us (one synchronous 3 KiB write to the same disk, in "
                "the same "
                "turns); medians: driver %.1f us (%.2fx the floor, goal 1.1x%s), sqlite %.1f us\n",
                set.c_str(), f[0] * 1e6, f[1] * 1e6, f[1] / f[0],
                f[1] / f[0] <= 1.1 ? "" : ", above goal", f[2] * 1e6);
    }

  private:
    std::map<std::string, std::vector<double>> runs_;  // real times of every run, by name
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes = {100000, 1000000};
    if (const char* s = std::getenv("KW_BENCH_SIZES")) {
        sizes.clear();
        for (std::string v = s; !v.empty();) {
            const auto comma = v.find(',');
            sizes.push_back(std::atoi(v.substr(0, comma).c_str()));
            v = comma == std::string::npos ? "" : v.substr(comma + 1);
        }
    }
    using Fn = void (*)(benchmark::State&, int, bool);
    const std::vector<std::pair<const char*, Fn>> reads = {
        {"LookupDriver", LookupDriver},
        {"LookupSqlite", LookupSqlite},
        {"PageDriver", PageDriver},
        {"PageSqlite", PageSqlite},
        {"FilteredScanDriver", FilteredScanDriver},
        {"FilteredScanSqlite", FilteredScanSqlite},
        {"PassDriver", PassDriver},
        {"PassSqlite", PassSqlite},
    };
    for (int size : sizes) {
        for (bool random : {false, true}) {
            const std::string tag = "/" + std::to_string(size) + (random ? "/random" : "/ticket");
            benchmark::RegisterBenchmark(("BulkAddDriver" + tag).c_str(), BulkAddDriver, size,
                                         random)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark(("BulkAddSqlite" + tag).c_str(), BulkAddSqlite, size,
                                         random)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            for (const auto& [name, fn] : reads) {
                auto* b = benchmark::RegisterBenchmark((name + tag).c_str(), fn, size, random)
                              ->UseRealTime();
                if (std::string(name).find("Scan") != std::string::npos ||
                    std::string(name).find("Pass") != std::string::npos)
                    b->Unit(benchmark::kMillisecond)->MinTime(0.5);
                else
                    b->Unit(benchmark::kMicrosecond);
            }
            benchmark::RegisterBenchmark(("DurableAddDriver" + tag).c_str(), DurableAddDriver, size,
                                         random)
                ->Iterations(kDurableAdds)
                ->Unit(benchmark::kMicrosecond)
                ->UseManualTime();
            benchmark::RegisterBenchmark(("DurableAddSqlite" + tag).c_str(), DurableAddSqlite, size,
                                         random)
                ->Iterations(kDurableAdds)
                ->Unit(benchmark::kMicrosecond)
                ->UseManualTime();
        }
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(benchRoot());
    return 0;
}
