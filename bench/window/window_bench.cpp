// Opening an update form until it shows its first refresh: the change form of the
// window-manager tests (CLN_FORM over a table of 1,000 clients) run on a procedure
// thread: its Init (table opened, record primed and saved), the window built and shown,
// and the first Reset with its display. Measured from the procedure's start to the end
// of the window manager's Open; the goal is under 50 ms on either back end.
//
// The scripted back end always; the Qt back end (offscreen unless a display is set)
// when the program is built with Qt. KW_BENCH_DIR chooses where the table goes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "../../tests/framework/window/cln_form.h"
#include "framework/data/error_class.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_message_box.h"
#include "runtime/script/script_windows.h"

#ifdef KW_BENCH_QT
#include <QApplication>
#include <QThread>

#include "runtime/qt/qt_windows.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;
using kwform::ClnTable;

constexpr int kClients = 1000;

// The data directory, the error manager and the table, made once for the run.
struct World {
    World() {
        const char* d = std::getenv("KW_BENCH_DIR");
        dir = d ? d : (std::filesystem::temp_directory_path() / "kestrowd-bench-window").string();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        GlobalErrors.Init();
        kw::msgbox::install(&boxes);
        table = std::make_unique<ClnTable>();
        const int n = kw::proc::start([this] {
            (void)table->rm.Open(0);
            for (int i = 1; i <= kClients; ++i) {
                kwform::CLN = kwform::ClnRecord{};
                kwform::CLN.FIO = kw::W("Клиент номер ") + std::to_string(i);
                kwform::CLN.ADR = kw::W("г. Псков, ул. Советская, д. ") + std::to_string(i % 90);
                kwform::CLN.SUM = 100.0 * i;
                kwform::CLN.DAT = kwform::kFirstDay2024 + i % 365;
                (void)table->fm.Insert();
            }
            (void)table->rm.Close(0);
        });
        (void)kw::proc::wait(n, std::chrono::seconds(60));
    }
    std::string dir;
    kw::script::ScriptMessageBox boxes;
    std::unique_ptr<ClnTable> table;
};

World& world() {
    static World w;
    return w;
}

// Runs the change form on record `id` on a procedure thread; the form closes as soon
// as it has shown its first refresh. `pump` runs while the procedure does (the Qt GUI).
template <class Pump>
double openOnce(int32_t id, Pump pump) {
    World& w = world();
    std::atomic<int64_t> took{-1};
    kwform::ClnFormOptions options;
    Clock::time_point start;
    options.afterOpen = [&](kw::WindowManager& form) {
        took = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        form.Win.post(kw::ui::ev::CloseWindow);
    };
    const int n = kw::proc::start([&] {
        start = Clock::now();
        (void)w.table->rm.Open(0);
        kwform::CLN = kwform::ClnRecord{};
        kwform::CLN.ID = id;
        (void)w.table->fm.Fetch(kwform::clnTable().keys[0]);
        GlobalRequest = kw::req::Change;
        (void)kwform::CLN_FORM(*w.table, options);
        (void)w.table->rm.Close(0);
    });
    if (n == 0) return -1;
    pump(n);
    return took.load() / 1e9;
}

void BM_OpenFormScripted(benchmark::State& state) {
    (void)world();
    kw::script::installScriptWindows();
    int32_t id = 1;
    for (auto _ : state) {
        const double s =
            openOnce(id, [](int n) { (void)kw::proc::wait(n, std::chrono::seconds(10)); });
        if (s < 0) {
            state.SkipWithError("the form did not open");
            break;
        }
        state.SetIterationTime(s);
        id = id % kClients + 1;
    }
}
BENCHMARK(BM_OpenFormScripted)->UseManualTime()->Unit(benchmark::kMillisecond);

#ifdef KW_BENCH_QT
void BM_OpenFormQt(benchmark::State& state) {
    (void)world();
    kw::qt::installQtWindows();
    int32_t id = 1;
    for (auto _ : state) {
        const double s = openOnce(id, [](int n) {
            while (kw::proc::isRunning(n))
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        });
        if (s < 0) {
            state.SkipWithError("the form did not open");
            break;
        }
        state.SetIterationTime(s);
        id = id % kClients + 1;
    }
    kw::script::installScriptWindows();
}
BENCHMARK(BM_OpenFormQt)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef KW_BENCH_QT
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
