// Helpers of the report-framework tests: CLN_REPORT, a report procedure over the CLN
// clients of the browse tests written the way the program's reports are (a
// procedure-local ReportManager as ThisWindow, its ProcessClass as ThisReport and a
// PrintPreviewClass as Previewer), run on a procedure thread and driven through the
// scripted back ends. Each record can be made to cost time on the test clock, so the
// batch rule is seen without sleeping.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "framework/report/report_manager.h"
#include "framework/window/browse_test_util.h"
#include "framework/window/step_class.h"
#include "runtime/clock.h"
#include "runtime/script/script_report.h"

namespace kwreport {

using namespace std::chrono_literals;
using kw::W;
using kwform::CLN;
using kwform::ClnRecord;
using kwform::ClnTable;
using kwform::clnTable;

struct ReportOptions {
    bool preview = true;
    bool skipPreview = false;
    bool stepOnSum = false;              // progress by CLN:SUM through a StepRealClass
    std::function<int64_t(int)> costMs;  // test-clock milliseconds record n (from 1) takes
    int sleepMs = 0;                     // real time each record takes
    int16_t deferWindow = 0;             // seconds the progress window stays out of sight
};

// What a run left: one entry per timer tick, the percentile after each record.
struct ReportTrace {
    struct Tick {
        int records = 0;          // processed in the tick
        int recordsPerCycle = 0;  // after the tick
        bool outOfSight = false;  // the progress window, after the tick
    };
    std::mutex mu;
    std::vector<Tick> ticks;
    std::vector<int> percentiles;
    int pages = 0;
    uint8_t response = 0;
};

inline kw::report::ReportDef clnReportDef() {
    kw::report::ReportDef def;
    def.title = "Clients";
    def.header.height = 10;
    def.header.text(10, 2, "Clients");
    kw::report::Band detail;
    detail.height = 5;
    detail.field(10, 0, kw::UseField(clnTable(), "ID"), "n_7");
    detail.field(30, 0, kw::UseField(clnTable(), "FIO"), "s40");
    def.details.push_back(detail);
    def.footer.height = 5;
    def.footer.text(10, 0, "end of page");
    return def;
}

class ClnProcess : public kw::ProcessClass {
  public:
    ClnProcess(kw::report::Report& r, const ReportOptions& o, ReportTrace& t)
        : report_(r), options_(o), trace_(t) {}
    kw::Level TakeRecord() override {
        ++taken_;
        if (options_.costMs) kw::clock::advanceTicks(options_.costMs(taken_));
        if (options_.sleepMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(options_.sleepMs));
        (void)report_.print(1);
        {
            std::lock_guard lock(trace_.mu);
            trace_.percentiles.push_back(Percentile ? *Percentile : -1);
        }
        return ProcessClass::TakeRecord();
    }

  private:
    kw::report::Report& report_;
    const ReportOptions& options_;
    ReportTrace& trace_;
    int taken_ = 0;
};

class ClnReport : public kw::ReportManager {
  public:
    ClnReport(ClnTable& table, const ReportOptions& o, ReportTrace& t)
        : table_(table), options_(o), trace_(t), process_(report_, o, t), view_(table.file) {}

    kw::Level Init() override {
        Request = GlobalRequest;
        const kw::Level l = WindowManager::Init();
        if (l != kw::Level::Benign) return l;
        GlobalRequest = 0;
        (void)table_.rm.Open(0);
        FilesOpened = 1;
        if (!OpenWindow(kw::ProgressWindow(W("Подготовка печати"), Percentile)))
            return kw::Level::Notify;
        process_.Init(&view_, table_.rm, kw::kProgressPctText, &Percentile,
                      options_.stepOnSum ? &step_ : nullptr,
                      options_.stepOnSum ? kw::FieldRef{&clnTable(), 4} : kw::FieldRef{});
        process_.AddSortOrder(&clnTable().keys[0]);
        kw::ReportManager::Init(process_, report_, clnReportDef(),
                                options_.preview ? &Previewer : nullptr);
        SkipPreview = options_.skipPreview ? 1 : 0;
        DeferWindow = options_.deferWindow;
        return kw::Level::Benign;
    }

    kw::Level TakeWindowEvent() override {
        const bool timer = Win.event() == kw::ui::ev::Timer;
        const int before = process_.RecordsProcessed;
        const kw::Level l = ReportManager::TakeWindowEvent();
        if (timer && !OpenFailed) {
            std::lock_guard lock(trace_.mu);
            trace_.ticks.push_back(
                {process_.RecordsProcessed - before, RecordsPerCycle, Win.geometry().iconised});
        }
        return l;
    }

    kw::Level Kill() override {
        trace_.pages = report_.pages();
        const kw::Level l = ReportManager::Kill();
        if (FilesOpened) (void)table_.rm.Close(0);
        FilesOpened = 0;
        return l;
    }

    uint8_t Percentile = 0;
    kw::PrintPreviewClass Previewer;

  private:
    ClnTable& table_;
    const ReportOptions& options_;
    ReportTrace& trace_;
    kw::report::Report report_;
    ClnProcess process_;
    kw::StepRealClass step_;
    kw::storage::View view_;
};

class ReportTest : public kwbrowse::BrowseTest {
  protected:
    void SetUp() override {
        BrowseTest::SetUp();
        printer = &kw::script::installScriptReport();
        printer->clear();
        kw::report::setLastDocument(nullptr);
    }
    void TearDown() override {
        kw::clock::setManualTicks(false);
        BrowseTest::TearDown();
    }

    // Runs CLN_REPORT on a procedure thread of its own.
    int startReport() {
        const int n = kw::proc::start([this] {
            ClnReport ThisWindow(*table, report, trace);
            trace.response = ThisWindow.Run();
        });
        EXPECT_NE(n, 0);
        return n;
    }

    ReportOptions report;
    ReportTrace trace;
    kw::script::ScriptReport* printer = nullptr;
};

}  // namespace kwreport
