// The report framework's speed.
//
// BM_ReportPass: a report over a view of 1,000,000 clients (the CLN table of the
// window tests), one detail band with two fields per record, driven by the report
// manager's timer batches on the scripted back end; the pass alone (the pages go to a
// printer that takes them without drawing). Counters: records a second (goal at least
// 200,000) and the longest gap between two events the window handled (goal at most
// one time slice, 1 s).
//
// BM_TicketToPreviewQt: the pledge ticket from the print button (the print-globals
// copy and PR_ZAL) until the "Report Preview" window is on the screen, on the Qt back
// end offscreen (goal under 300 ms). Built when the program is built with Qt.
//
// KW_BENCH_DIR chooses where the data goes (the 1,000,000 clients are built once).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "../../tests/framework/window/cln_form.h"
#include "framework/data/error_class.h"
#include "framework/report/report_manager.h"
#include "runtime/clock.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_message_box.h"
#include "runtime/script/script_windows.h"

#ifdef KW_BENCH_QT
#include <QApplication>
#include <QWidget>

#include "dictionary/kbp.h"
#include "dictionary/sec.h"
#include "documents/print_globals.h"
#include "framework/data/dct_init.h"
#include "runtime/qt/qt_report.h"
#include "runtime/qt/qt_windows.h"
#include "shell/globals.h"
#endif

namespace {

using kwform::ClnTable;

constexpr int kRecords = 1000000;

std::filesystem::path benchDir() {
    const char* d = std::getenv("KW_BENCH_DIR");
    return d ? d : std::filesystem::temp_directory_path() / "kestrowd-bench-report";
}

// Takes the pages without drawing them.
struct NullPrinter : kw::report::Backend {
    bool print(const kw::report::Document& d, const std::vector<int>&) override {
        pages = static_cast<int>(d.pages.size());
        return true;
    }
    bool writePdf(const kw::report::Document&, const std::vector<int>&, const std::string&,
                  std::string&) override {
        return false;
    }
    std::string askPdfPath(const std::string&) override { return ""; }
    int pages = 0;
};

struct World {
    World() {
        dir = benchDir() / "clients";
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        GlobalErrors.Init();
        kw::msgbox::install(&boxes);
        kw::script::installScriptWindows();
        build();
        table = std::make_unique<ClnTable>();
    }
    void build() {
        std::thread t([] {
            kw::proc::setCurrentThread(60);
            kw::storage::File f(kwform::clnTable());
            uint32_t count = 0;
            if (f.open().ok() && f.records(count).ok() && count == kRecords) {
                (void)f.close();
                return;
            }
            (void)f.close();
            std::fprintf(stderr, "building %d clients ...\n", kRecords);
            if (!f.create().ok() || !f.open().ok()) std::abort();
            f.setDurable(false);
            const std::string fio = kw::W("Клиент номер");
            for (int i = 1; i <= kRecords; ++i) {
                kwform::CLN = kwform::ClnRecord{};
                kwform::CLN.ID = i;
                kwform::CLN.FIO = fio;
                kwform::CLN.SUM = i;
                if (!f.add().ok()) std::abort();
            }
            f.setDurable(true);
            (void)f.close();
        });
        t.join();
    }
    std::filesystem::path dir;
    kw::script::ScriptMessageBox boxes;
    std::unique_ptr<ClnTable> table;
};

World& world() {
    static World w;
    return w;
}

class PassReport : public kw::ReportManager {
  public:
    class Pass : public kw::ProcessClass {
      public:
        explicit Pass(kw::report::Report& r) : r_(r) {}
        kw::Level TakeRecord() override {
            (void)r_.print(1);
            return ProcessClass::TakeRecord();
        }

      private:
        kw::report::Report& r_;
    };

    explicit PassReport(ClnTable& t) : table_(t), process_(report_), view_(t.file) {}

    kw::Level Init() override {
        const kw::Level l = WindowManager::Init();
        if (l != kw::Level::Benign) return l;
        (void)table_.rm.Open(0);
        if (!OpenWindow(kw::ProgressWindow("Progress", Percentile))) return kw::Level::Notify;
        process_.Init(&view_, table_.rm, kw::kProgressPctText, &Percentile);
        process_.AddSortOrder(&kwform::clnTable().keys[0]);
        kw::report::ReportDef def;
        def.header.height = 10;
        def.header.text(10, 2, "Clients");
        kw::report::Band detail;
        detail.height = 5;
        detail.field(10, 0, kw::UseField(kwform::clnTable(), "ID"), "n_7");
        detail.field(30, 0, kw::UseField(kwform::clnTable(), "FIO"), "s40");
        def.details.push_back(detail);
        kw::ReportManager::Init(process_, report_, def, nullptr);
        start = kw::clock::ticks();
        last = start;
        return kw::Level::Benign;
    }
    // The gap: from the loop taking one event to its taking the next, the handling of
    // the first (a whole batch for a timer event) included.
    kw::Level TakeEvent() override {
        const int64_t now = kw::clock::ticks();
        longestGap = std::max(longestGap, now - last);
        last = now;
        return ReportManager::TakeEvent();
    }
    kw::Level TakeCloseEvent() override {
        if (end == 0) end = kw::clock::ticks();
        return ReportManager::TakeCloseEvent();
    }
    kw::Level Kill() override {
        const kw::Level l = ReportManager::Kill();
        (void)table_.rm.Close(0);
        return l;
    }

    uint8_t Percentile = 0;
    int64_t start = 0, end = 0, last = 0, longestGap = 0;
    int records() const { return process_.RecordsProcessed; }

  private:
    ClnTable& table_;
    kw::report::Report report_;
    Pass process_;
    kw::storage::View view_;
};

void BM_ReportPass(benchmark::State& state) {
    World& w = world();
    NullPrinter printer;
    kw::report::Backend* previous = kw::report::installBackend(&printer);
    for (auto _ : state) {
        int64_t took = 0, gap = 0;
        int records = 0;
        const int n = kw::proc::start([&] {
            PassReport ThisWindow(*w.table);
            (void)ThisWindow.Run();
            took = ThisWindow.end - ThisWindow.start;
            gap = ThisWindow.longestGap;
            records = ThisWindow.records();
        });
        (void)kw::proc::wait(n, std::chrono::minutes(10));
        state.SetIterationTime(took / 1000.0);
        state.counters["records"] = records;
        state.counters["records_per_s"] = took > 0 ? records * 1000.0 / took : 0;
        state.counters["longest_gap_ms"] = static_cast<double>(gap);
        state.counters["pages"] = printer.pages;
    }
    kw::report::installBackend(previous);
}
BENCHMARK(BM_ReportPass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

#ifdef KW_BENCH_QT
// A data directory with the settings record and the user, for the ticket.
void ticketWorld() {
    static bool made = false;
    if (made) return;
    made = true;
    const auto dir = benchDir() / "ticket";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    std::thread t([] {
        kw::proc::setCurrentThread(61);
        kw::storage::File k(kw::dict::kbpTable());
        (void)k.create();
        (void)k.open();
        KBP = kw::dict::KbpRecord{};
        KBP.NAME = kw::W("Ломбард");
        (void)k.add();
        (void)k.close();
    });
    t.join();
    DctInit();
}

void BM_TicketToPreviewQt(benchmark::State& state) {
    (void)world();
    ticketWorld();
    kw::qt::installQtWindows();
    kw::qt::installQtReport();
    kw::dict::ZalRecord z;
    z.N_KV = 1001;
    z.DATA = 82000;
    z.DATA_K = 82030;
    z.KOL_D = 30;
    z.FIO = kw::W("Иванов Иван Иванович");
    z.S_CCYD = 8000;
    z.S_VID = 6302;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int n = kw::proc::start([z] { kw::documents::printTicket(z); });
        std::shared_ptr<kw::ui::WindowModel> preview;
        double took = -1;
        while (kw::proc::isRunning(n)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (took < 0) {
                for (const auto& m : kw::ui::openWindows()) {
                    QWidget* wdg =
                        m->title == "Report Preview" ? kw::qt::QtWindows::widgetOf(*m) : nullptr;
                    if (wdg && wdg->isVisible()) {
                        took =
                            std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                                .count();
                        preview = m;
                    }
                }
                if (preview) kw::ui::postEvent(preview, kw::ui::Event{kw::ui::ev::CloseWindow});
            }
        }
        if (took < 0) {
            state.SkipWithError("the preview did not show");
            break;
        }
        state.SetIterationTime(took);
    }
    kw::script::installScriptWindows();
}
BENCHMARK(BM_TicketToPreviewQt)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
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
