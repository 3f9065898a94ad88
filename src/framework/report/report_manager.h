// ReportManager: the window manager of a report procedure. Its window is the progress
// window "Подготовка печати" (thermometer, "% Complete", "Cancel"); the window's timer
// drives the pass of the process in batches sized to take between half and the whole
// of TimeSlice, so the window never stops answering. At the end of the view the pages
// go to the preview (or straight to the printer with SkipPreview); Response is 1 only
// when at least one record was processed. An empty view says message 22 ("No
// Records") and ends with response 2; so does "Cancel", which prints nothing.
//
//     ThisWindow.Init(ThisReport, Report, Def, &Previewer);   // in the procedure's Init
//
// Times come from the runtime's clock (clock::ticks), so tests run the batch rule on
// the test clock without sleeping.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/report/print_preview_class.h"
#include "framework/report/process_class.h"
#include "framework/window/window_manager.h"
#include "runtime/report.h"

namespace kw {

// A further record processor of a run (Processors): sees every record after the
// process's own TakeRecord, and the end of the run.
class RecordProcessor {
  public:
    virtual ~RecordProcessor() = default;
    virtual Level TakeRecord() = 0;
    virtual void TakeClose() {}
};

// Controls of the progress window.
enum ProgressControl : int32_t {
    kProgressThermometer = 1,  // ?Progress:Thermometer
    kProgressUserString,
    kProgressPctText,
    kProgressCancel,
};

// The progress window titled `titleCp1251`, its thermometer bound to `percentile`,
// its timer at every hundredth of a second.
ui::WindowDef ProgressWindow(std::string titleCp1251, uint8_t& percentile);

class ReportManager : public WindowManager {
  public:
    // Stores them; with a preview creates PreviewQueue and gives it to the preview;
    // RecordsPerCycle := 1; TimeSlice := 100; creates Processors. Call after the
    // progress window is open.
    void Init(ProcessClass& Process, report::Report& Report, report::ReportDef Def,
              PrintPreviewClass* Preview);
    using WindowManager::Init;

    // --- overrides of the window manager ----------------------------------------------
    Level Kill() override;
    void Open() override;
    Level TakeAccepted() override;
    Level TakeCloseEvent() override;
    Level TakeWindowEvent() override;
    void Ask() override;
    // --- its own virtual operations ---------------------------------------------------
    // With a preview and Response 1: ends the last page, shows the preview (unless
    // SkipPreview) and prints the pages chosen when the user asks to print.
    virtual void AskPreview();
    // The next record of the process: 0 a record; 5 the end after a record (Response
    // 1); 3 the end without any record or a failure (Response 2). Both end the run.
    virtual Level Next();
    virtual void OpenReport();
    virtual void TakeNoRecords();
    // The process's TakeRecord and each processor's, then the next record.
    virtual Level TakeRecord();

    // One tick of the window's timer: a batch of records (the adaptive rule).
    void TakeTimer();

    // --- fields, in declaration order ---------------------------------------------
    uint8_t DeferOpenReport = 0;
    int16_t DeferWindow = 0;  // seconds the progress window stays out of sight; 0 shown at once
    uint8_t KeepVisible = 0;
    uint8_t OpenFailed = 0;
    std::unique_ptr<std::vector<RecordProcessor*>> Processors;
    PrintPreviewClass* Preview = nullptr;
    std::unique_ptr<PreviewPages> PreviewQueue;
    ProcessClass* Process = nullptr;
    int32_t RecordsPerCycle = 1;
    int32_t QueryControl = 0;
    report::Report* Report = nullptr;
    uint8_t SkipPreview = 0;
    int32_t StartTime = 0;    // hundredths of a second on the runtime's clock, at Ask
    int16_t TimeSlice = 100;  // hundredths of a second a batch should take
    uint8_t WaitCursor = 0;
    int16_t Zoom = kZoomPageWidth;

    report::ReportDef Def;  // what OpenReport opens
    // Whether the report's pages went to the printer (for the procedure and tests).
    uint8_t Printed = 0;

  private:
    bool hiddenWindow_ = false;
};

// The clock of the batches: hundredths of a second.
int32_t ReportClock();

}  // namespace kw
