// Four desks issuing loans at once on one data directory: how many loans a second
// they store together. Each desk is this program run again as a process of its own
// (KW_DESK_ROLE set), working the new-loan form through the scripted back end as an
// operator would: the day's list, "Добавить", 10 g typed in, OK, the ticket window
// closed, and again; a ticket number another desk took meanwhile is taken anew, as
// the form offers.
//
// Each desk notes when its first loan began and its last one ended (the monotonic clock
// is the machine's): loans per second = all loans / (last end - first start).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../common/bench_util.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "pledges/pledge_procedures.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/message_box.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_windows.h"
#include "shell/globals.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using kw::W;
using kw::script::Drive;
using kw::script::WindowDriver;

constexpr int kDesks = 4;
constexpr int kLoansPerDesk = 300;
const int32_t kToday = kw::date::fromYmd(2025, 12, 8);

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// --- one desk ---------------------------------------------------------------------------

std::string openBox(kw::script::DriverMessageBox& boxes) {
    for (const kw::script::ShownBox& b : boxes.shown())
        if (!b.answered) return b.text;
    return std::string();
}

int desk(const std::string& out) {
    if (kwbench::serverConninfo()) kw::storage::pg::registerServerBackend();
    kw::script::installScriptWindows();
    kw::script::setTimeout(20s);
    kw::script::DriverMessageBox boxes;
    kw::msgbox::install(&boxes);
    boxes.setAnswerTimeout(60s);
    kw::clock::setToday(kToday);
    GlobalErrors.Init();
    DctInit();
    KOD = 6;
    kw::proc::start([] { ZAL_TAB(); });
    WindowDriver list = kw::script::waitWindow(W("Залоговые ссуды за день"), 10s);
    if (!list || list.settle() != Drive::Ok) return 2;
    int stored = 0;
    const double start = now();
    while (stored < kLoansPerDesk) {
        if (list.press(W("Добавить")) != Drive::Ok) return 3;
        WindowDriver f = kw::script::waitWindow(W("Добавить ???"), 10s);
        if (!f || f.settle() != Drive::Ok) return 4;
        (void)f.type("ZAL:FIO", kw::W("Клиент"));  // OK refuses a pledge without a client
        (void)f.type("ZAL:VEC", "10");
        // Every desk's form takes the same next number, and a desk offered a free one
        // after a collision queues for the file behind the desks that did not collide,
        // which take it first: a desk pressing OK at once may collide many times running.
        for (int attempt = 0; f.isOpen(); ++attempt) {
            if (attempt > 200) return 5;
            (void)f.press("OK");
            if (const std::string t = openBox(boxes); !t.empty())
                (void)boxes.reply("OK");  // a ticket taken meanwhile
        }
        ++stored;
        WindowDriver ticket = kw::script::waitWindow(W("печать билета"), 5s);
        if (ticket && ticket.settle() == Drive::Ok) (void)ticket.press(W("Закрыть"));
        (void)list.settle();
    }
    const double end = now();
    std::ofstream(out) << start << " " << end << " " << stored << "\n";
    return 0;
}

// --- the benchmark --------------------------------------------------------------------------

void prepare() {
    kwbench::freshDataDir("desks");
    kw::dict::KbpRecord k;
    k.NAME = W("Ломбард");
    k.S_N = 1000;
    k.KDZ = 30;
    k.PRO_S = 80;
    k.PDX = 0.1;
    k.S11 = 0;
    k.S12 = 5000;
    k.PS1 = 0.6;
    k.S21 = 5000;
    k.S22 = 20000;
    k.PS2 = 0.5;
    kw::dict::MetRecord gold;
    gold.KOD = 1;
    gold.NAME = W("Золото");
    kw::dict::PrbRecord p;
    p.KOD = 1;
    p.PROB = 583;
    p.ZEN = 1000;
    kw::dict::SecRecord op;
    op.K_POL = 6;
    op.FIO = W("Иванова И.И.");
    kw::dict::DayRecord d;
    d.DATA = kToday;
    d.KAS_N = 1e7;
    kwbench::onThread(60, [&] {
        kwbench::addOne(kw::dict::kbpTable(), k);
        kwbench::addOne(kw::dict::metTable(), gold);
        kwbench::addOne(kw::dict::prbTable(), p);
        kwbench::addOne(kw::dict::secTable(), op);
        kwbench::addOne(kw::dict::dayTable(), d);
        // The other tables empty, so that no desk has to create one while the others start.
        for (const kw::storage::TableDecl* t :
             {&kw::dict::zalTable(), &kw::dict::klmTable(), &kw::dict::izdTable(),
              &kw::dict::kamTable(), &kw::dict::pklTable(), &kw::dict::filTable()}) {
            kw::storage::File f(*t);
            if (!f.create().ok()) std::abort();
        }
    });
}

pid_t spawnDesk(int id) {
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) vars.emplace_back(*e);
    vars.push_back("KW_DESK_ROLE=desk");
    vars.push_back("KW_DESK_OUT=desk" + std::to_string(id) + ".txt");
    std::vector<char*> envp;
    for (std::string& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    char* argv[] = {self.data(), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, ("desk" + std::to_string(id) + ".out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, self.c_str(), &fa, nullptr, argv, envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

void FourDesksIssuingLoans(benchmark::State& state) {
    double loans = 0, seconds = 0;
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        state.ResumeTiming();
        std::vector<pid_t> pids;
        for (int id = 0; id < kDesks; ++id) pids.push_back(spawnDesk(id));
        double first = 1e300, last = 0;
        int count = 0;
        for (int id = 0; id < kDesks; ++id) {
            int status = 0;
            if (pids[id] <= 0 || ::waitpid(pids[id], &status, 0) != pids[id] ||
                !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                error = "desk " + std::to_string(id) + " failed (status " +
                        std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
                continue;
            }
            double s = 0, e = 0;
            int n = 0;
            std::ifstream("desk" + std::to_string(id) + ".txt") >> s >> e >> n;
            first = std::min(first, s);
            last = std::max(last, e);
            count += n;
        }
        state.SetIterationTime(last > first ? last - first : 0);
        loans += count;
        seconds += last - first;
    }
    if (!error.empty()) state.SkipWithError(error.c_str());
    state.counters["loans_per_s"] = seconds > 0 ? loans / seconds : 0;
}

BENCHMARK(FourDesksIssuingLoans)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    if (const char* role = std::getenv("KW_DESK_ROLE"); role && std::string(role) == "desk") {
        const int rc = desk(std::getenv("KW_DESK_OUT") ? std::getenv("KW_DESK_OUT") : "desk.txt");
        std::fflush(nullptr);
        ::_exit(rc);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
