// PledgeList: what the lists of pledges share. Each list is a browse of ZAL that differs
// from the others only in its filter, its sort key, the detail it shows and the form it
// opens:
//
//  - the columns: the day's list shows ticket, days, appraisal and amount paid out;
//    every other list ticket, date of issue, end of term, appraisal, loan and amount
//    paid out;
//  - the panel "Информация по ссуде" of the highlighted pledge, with its metal and
//    stone names looked up for every row put on screen, the prolongation rows the list
//    asks for, and the outcome rows of the inquiries;
//  - today's date, refreshed at every reset of the window;
//  - the quick search by ticket number (every list but the day's);
//  - the operation lists open only on an open business day (saying why otherwise) and
//    run their form for insert, change and delete; a list opened for viewing does not,
//    and the inquiry lists connect no form.
#pragma once

#include <map>
#include <string>

#include "framework/window/browse_class.h"
#include "framework/window/browse_queue.h"
#include "framework/window/locator_class.h"
#include "framework/window/procedure_window.h"
#include "runtime/fixed_string.h"
#include "storage/view.h"

namespace kw::pledges {

enum class ListKind {
    Day,        // the day's pledges: its own columns, no quick search
    Operation,  // a pledge operation: day check, "&Обработать"
    Inquiry,    // read only; its buttons are connected to nothing
};

struct PledgeListDef {
    std::string name;    // procedure name
    std::string title;   // CP1251
    int key = 1;         // ZAL key of the order
    std::string filter;  // view filter
    ListKind kind = ListKind::Operation;
    int prolongations = 0;  // prolongation rows of the panel (0 to 3)
    bool outcome = false;   // "Погашено:", "Реализовано:", "по цене:" rows
    void (*form)() = nullptr;  // the operation's form; nullptr: not available yet
};

class PledgeList;

// BRW1 of a pledge list: its record check, the names of every row put on screen and
// the totals at every reload go to the list.
class PledgeBrowse : public BrowseClass {
  public:
    explicit PledgeBrowse(PledgeList& list) : list_(list) {}
    uint8_t ValidateRecord() override;
    void SetQueueRecord() override;
    void ResetFromView() override;
    void ResetFromAsk(uint8_t Request, uint8_t Response) override;
    void Fetch(uint8_t Direction) override;

  private:
    PledgeList& list_;
    // The metal and stone names of the rows of one batch: read once per code and batch
    // (on a server each read is a round trip, and a page of rows shares a few codes).
    std::map<uint8_t, FixedString<10>> metals_;
    std::map<uint8_t, FixedString<15>> stones_;
};

class PledgeList : public ProcedureWindow {
  public:
    explicit PledgeList(PledgeListDef def);

    ui::WindowDef Define() override;
    Level Prepare() override;
    Level Opened() override;
    void Reset(uint8_t Force = 0) override;
    uint8_t Run(uint16_t Number, uint8_t Request) override;
    using ProcedureWindow::Run;

    // The list's own record check (the day's list takes only pledges of today).
    virtual uint8_t Check() { return 0; }
    // Sums over the whole view, before the page is loaded again; with ForEachInView.
    virtual void Totals() {}

    PledgeBrowse BRW1;
    FixedString<10> MET_N;
    FixedString<15> KAM_N;
    FixedString<20> LOOK;
    int32_t DATA_T = 0;

  protected:
    // The list's own controls under the panel (totals), added to the window.
    virtual void AddTotals(ui::WindowDef&) {}
    // The select button of a list that has one (0 none), pressed.
    virtual void TakeSelect() {}
    Level TakeAccepted() override;

    const PledgeListDef def_;

    enum : int32_t {
        kList = 1,
        kPanel,
        kLookPrompt,
        kLook,
        kTodayPrompt,
        kToday,
        kInsert = 90,
        kChange,
        kDelete,
        kSelect,
        kClose,
        kFirstPanelControl = 100,
        kFirstTotalsControl = 200,
    };

  private:
    void addPanel(ui::WindowDef& s);

    std::unique_ptr<storage::View> view_;
    BrowseQueue queue_;
    EntryLocatorClass locator_;
};

// Runs a list with no behaviour of its own; GlobalResponse is its answer.
void runPledgeList(PledgeListDef def);

}  // namespace kw::pledges
