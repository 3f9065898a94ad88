// ProcessClass: a batch pass over a view, one record at a time, keeping the figure of
// the progress window: the share of the records read (of the table's record count, or
// of its size in bytes when the driver cannot count), or, with a step class, where the
// value of the sort field lies between the first and the last record's.
//
// The report manager (report_manager.h) drives it from the timer of its window; the
// procedure's TakeRecord override does the work for the current record.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "framework/data/field_value.h"
#include "framework/window/view_manager.h"
#include "runtime/window_engine.h"

namespace kw {

class StepClass;

class ProcessClass : public ViewManager {
  public:
    // Stores them, sets the percentile variable to 0, CaseSensitiveValue := 1, then the
    // view manager's Init. PText: the control showing "% Complete" (0 none).
    void Init(storage::View* View, RelationManager& Primary, int32_t PText, uint8_t* Percentile,
              StepClass* Step = nullptr, FieldRef ValueField = {});

    // --- virtual operations added to the view manager's --------------------------------
    // Reads the next record; CountIt counts it and updates the progress. Benign a
    // record, Notify the end of the view, Fatal a failed read.
    virtual Level Next(uint8_t CountIt);
    Level Next() override { return Next(1); }
    // Starts the pass: nothing processed, the limits of the progress known, the view
    // at its start.
    void Reset() override;
    using ViewManager::Reset;
    // The low and high values of the progress from the view's first and last records.
    virtual void SetProgressLimits();
    virtual void SetProgressLimits(const ui::Value& Low, const ui::Value& High);
    virtual Level TakeAccepted();
    virtual Level TakeLocate();
    // The procedure's work for the current record; non-zero stops the run.
    virtual Level TakeRecord();
    // Shows the percentile: the thermometer and "p% Complete".
    virtual void UpdateDisplay();

    // The figure for the record just counted, 0..100, in 64-bit arithmetic; 0 when
    // there is nothing to divide by.
    uint8_t Progress();

    // --- fields, in declaration order ---------------------------------------------
    int32_t BytesRead = 0;
    int32_t FileSize = 0;  // the primary file's size when its records cannot be counted
    uint8_t ChildRead = 0;
    std::vector<ProcessClass*>* Children = nullptr;  // further passes; none of the reports has one
    uint8_t* Percentile = nullptr;
    int32_t PText = 0;
    void* Query = nullptr;
    int32_t RecordsProcessed = 0;
    int32_t RecordsToProcess = 0;
    StepClass* StepMgr = nullptr;
    FieldRef ValueField;
    uint8_t CaseSensitiveValue = 1;

    // The window whose controls show the progress (the report manager's).
    ui::Window* Win = nullptr;
    int32_t Thermometer = 0;  // its thermometer control, displayed with the text
};

// A pass whose work for each record is `each`.
class EachRecordPass : public ProcessClass {
  public:
    explicit EachRecordPass(std::function<void()> each) : each_(std::move(each)) {}
    Level TakeRecord() override {
        each_();
        return ProcessClass::TakeRecord();
    }

  private:
    std::function<void()> each_;
};

}  // namespace kw
