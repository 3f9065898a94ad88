#include "framework/report/report_manager.h"

#include "framework/data/error_class.h"
#include "framework/data/relation_manager.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"

namespace kw {

namespace ev = ui::ev;

int32_t ReportClock() {
    return static_cast<int32_t>(clock::ticks() / 10);
}

ui::WindowDef ProgressWindow(std::string titleCp1251, uint8_t& percentile) {
    using ui::Control;
    ui::WindowDef s;
    s.title = std::move(titleCp1251);
    s.timer = 1;
    s.resizable = false;
    s.add(Control::progress(ui::Binding::of(percentile).named("Progress:Thermometer"))
              .number(kProgressThermometer));
    s.add(Control::prompt("").number(kProgressUserString));
    s.add(Control::prompt("0% Complete").number(kProgressPctText));
    s.add(Control::button("Cancel").number(kProgressCancel));
    return s;
}

void ReportManager::Init(ProcessClass& Process, report::Report& Report, report::ReportDef Def,
                         PrintPreviewClass* Preview) {
    this->Process = &Process;
    this->Report = &Report;
    this->Def = std::move(Def);
    this->Preview = Preview;
    Process.Win = &Win;
    Process.Thermometer = kProgressThermometer;
    if (Preview) {
        PreviewQueue = std::make_unique<PreviewPages>();
        Preview->Init(*PreviewQueue);
    }
    RecordsPerCycle = 1;
    TimeSlice = 100;
    Processors = std::make_unique<std::vector<RecordProcessor*>>();
}

void ReportManager::Ask() {
    if (DeferWindow != 0) {
        if (WaitCursor) Win.setCursor(ui::cursor::Wait);
        StartTime = ReportClock();
        ui::Geometry g = Win.geometry();
        g.iconised = true;  // out of sight until the run has taken DeferWindow seconds
        Win.setGeometry(g);
        hiddenWindow_ = true;
    }
    WindowManager::Ask();
}

void ReportManager::Open() {
    WindowManager::Open();
    if (!DeferOpenReport) OpenReport();
}

void ReportManager::OpenReport() {
    if (!Process || !Report) return;
    Process->Reset();
    if (Next() == Level::Benign) {
        OpenFailed = 0;
        if (!Report->open(Def)) {
            // A report that cannot be laid out is the program's fault; nothing to print.
            OpenFailed = 1;
            Response = resp::Cancelled;
            Win.post(ev::CloseWindow);
            return;
        }
        if (Preview && PreviewQueue) *PreviewQueue = Report->document();
    } else {
        TakeNoRecords();
    }
}

void ReportManager::TakeNoRecords() {
    if (Errors) (void)Errors->Throw(22);
    OpenFailed = 1;
}

Level ReportManager::Next() {
    const Level l = Process ? Process->Next(1) : Level::Fatal;
    if (l == Level::Benign) return Level::Benign;
    if (l == Level::Notify && Process->RecordsProcessed > 0) {
        Response = resp::Completed;
        Win.post(ev::CloseWindow);
        return Level::Notify;
    }
    Response = resp::Cancelled;
    Win.post(ev::CloseWindow);
    return Level::Fatal;
}

Level ReportManager::TakeRecord() {
    const Level l = Process->TakeRecord();
    auto stops = [&](Level x) {
        if (x == Level::Fatal) {
            Win.setTimer(0);
            Win.post(ev::CloseWindow);
            return true;
        }
        return x == Level::Notify;
    };
    if (stops(l)) return Level::Notify;
    if (Processors)
        for (RecordProcessor* p : *Processors)
            if (stops(p->TakeRecord())) return Level::Notify;
    if (Next() != Level::Benign) return Level::Notify;
    return l;
}

void ReportManager::TakeTimer() {
    if (DeferOpenReport) {
        DeferOpenReport = 0;
        OpenReport();
    }
    if (OpenFailed || !Process || Response != 0) return;
    const int64_t t0 = clock::ticks();
    const int32_t start = Process->RecordsProcessed;
    if (DeferWindow != 0 && ReportClock() - StartTime > int32_t{DeferWindow} * 100) {
        ui::Geometry g = Win.geometry();
        g.iconised = false;
        Win.setGeometry(g);
        hiddenWindow_ = false;
        DeferWindow = 0;
    }
    const int64_t slice = int64_t{TimeSlice} * 10;  // milliseconds
    for (;;) {
        Level l = Level::Benign;
        // The tick also ends once its slice is used up: the doubling alone would let
        // the next batch take up to twice the slice, and the window would not answer
        // meanwhile.
        while (l == Level::Benign && Process->RecordsProcessed - start < RecordsPerCycle &&
               clock::ticks() - t0 < slice)
            l = TakeRecord();
        const int64_t e = clock::ticks() - t0;
        if (5 * e < 4 * slice && RecordsPerCycle <= INT32_MAX / 2) RecordsPerCycle *= 2;
        if (l == Level::Benign && 2 * e < slice) continue;
        if (2 * e > 3 * slice && RecordsPerCycle > 1) RecordsPerCycle /= 2;
        break;
    }
}

Level ReportManager::TakeWindowEvent() {
    if (Win.event() == ev::Timer) TakeTimer();
    return WindowManager::TakeWindowEvent();
}

Level ReportManager::TakeAccepted() {
    if (Win.field() == kProgressCancel) {
        // The run ends here: nothing is printed and no preview is shown.
        Win.setTimer(0);
        SetResponse(resp::Cancelled);
        return Level::Notify;
    }
    return WindowManager::TakeAccepted();
}

Level ReportManager::TakeCloseEvent() {
    if (WaitCursor) Win.setCursor(ui::cursor::Normal);
    Win.setTimer(0);
    if (!KeepVisible) {
        ui::Geometry g = Win.geometry();
        if (!g.iconised) {
            g.iconised = true;
            Win.setGeometry(g);
        }
    }
    if (Processors)
        for (RecordProcessor* p : *Processors) p->TakeClose();
    AskPreview();
    if (Report) Report->close();
    return WindowManager::TakeCloseEvent();
}

void ReportManager::AskPreview() {
    if (!Report || Response != resp::Completed || !Report->document()) return;
    Report->finish();  // the last page ended, the pages inside the printable area
    const std::shared_ptr<report::Document> doc = Report->document();
    report::setLastDocument(doc);
    report::Backend* b = report::backend();
    if (!Preview || SkipPreview) {
        if (b) Printed = b->print(*doc, {}) ? 1 : 0;
    } else if (Preview->Display(Zoom)) {
        if (b) Printed = b->print(*doc, Preview->PagesToPrint) ? 1 : 0;
    }
    if (PreviewQueue) PreviewQueue->reset();
}

Level ReportManager::Kill() {
    const Level l = WindowManager::Kill();
    if (l != Level::Benign) return l;
    if (Process) {
        Process->Kill();
        Process->Win = nullptr;
    }
    return l;
}

}  // namespace kw
