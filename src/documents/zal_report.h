// ZalReport: what every report over the pledge file shares. Its window is the progress
// window "Подготовка печати"; it opens SEC, KBP, MET, KAM and ZAL, reads the settings
// record (KBP's first) and the user who prints (SEC of KOD; a clear buffer when there
// is none), and passes over ZAL in ticket order (KEY_1), through a view filter when
// the report has one. A report is a subclass local to its own file:
//
//     Define()   the layout (bands, fonts, paper)
//     TakeRow()  the current pledge, in ZAL's buffer: totals, rows printed with Out()
//     Finish()   after the last pledge, before the preview: the totals block
//
// The finished pages go to the preview, from which the user prints. An empty view says
// "No Records" and prints nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/report/report_manager.h"
#include "runtime/report.h"
#include "storage/view.h"

namespace kw::documents {

class ZalReport : public ReportManager {
  public:
    ZalReport(std::string procedureName, std::string filter = {});
    ~ZalReport() override;

    Level Init() override;
    Level Kill() override;
    void AskPreview() override;

    uint8_t Percentile = 0;

  protected:
    virtual report::ReportDef Define() = 0;
    virtual void TakeRow() = 0;
    virtual void Finish() {}

    // The fields that decide whether a pledge is a row of the report (besides the key's):
    // when there are some, the pass reads only those of each pledge (a server sends a
    // fraction of every row of a large file) and TakeRow calls WholeRecord() for a pledge
    // it uses.
    virtual std::vector<std::string> ChoosingFields() const { return {}; }
    // The current pledge read whole into ZAL's buffer; false when it is gone meanwhile.
    bool WholeRecord();

    report::Report& Out() { return Report_; }
    // The names of the current pledge's metal and stone; "" when not in MET or KAM.
    std::string MetalName();
    std::string StoneName();

  private:
    void narrowPass();

    std::string name_;
    std::string filter_;
    report::Report Report_;
    std::unique_ptr<EachRecordPass> pass_;  // each record of the view to TakeRow
    PrintPreviewClass Previewer;
    std::unique_ptr<storage::View> view_;
    std::unique_ptr<storage::File> whole_;  // reads a chosen pledge whole, beside the pass
    bool named_ = false;
    bool finished_ = false;
};

// The first record in file order of a table the procedure has open, in its buffer; a
// clear buffer when there is none.
void readFirst(FileManager& m, const storage::TableDecl& t);
// The record of the table's first key in its buffer; a clear buffer when none.
void fetchOrClear(FileManager& m, const storage::TableDecl& t);

}  // namespace kw::documents
