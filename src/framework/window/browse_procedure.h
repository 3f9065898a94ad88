// BrowseProcedure: a list procedure, a ProcedureWindow with its browse BRW1 over the
// view of its primary table, the page, and the update procedures the browse runs.
//
// The procedure's Opened() calls InitBrowse(list, Relate, key) once the window is
// open, then adds its columns (BRW1.AddField), buttons and locator and registers the
// browse (AddItem(BRW1)). RunUpdate(Number) runs update procedure Number; the browse
// calls it through Run(Number, Request) with GlobalRequest set to the request.
// BeforeRow() runs before each row of the page is built from the record buffer, for
// columns that are looked up elsewhere (a name from another table); RowRead() after the
// highlighted record is read into the buffer (what the window shows of it beside the
// list); Refilled() after each refill of the page (totals over the whole view).
#pragma once

#include <memory>

#include "framework/window/browse_class.h"
#include "framework/window/browse_queue.h"
#include "framework/window/procedure_window.h"
#include "storage/view.h"

namespace kw {

class BrowseProcedure : public ProcedureWindow {
    // Declared first: the view outlives the browse over it.
    std::unique_ptr<storage::View> view_;

  public:
    using ProcedureWindow::ProcedureWindow;

    // GlobalRequest := Request, RunUpdate(Number); the update procedure's response
    // (GlobalResponse), 2 when it has none.
    uint8_t Run(uint16_t Number, uint8_t Request) override;
    using WindowManager::Run;

  protected:
    class RowBrowse : public BrowseClass {
      public:
        explicit RowBrowse(BrowseProcedure& owner) : owner_(owner) {}
        void SetQueueRecord() override;
        void UpdateBuffer() override;
        void ResetQueue(uint8_t Mode) override;
        void ResetFromView() override;
        void ResetFromFile() override;
        void ResetFromBuffer() override;
        void ResetFromAsk(uint8_t Request, uint8_t Response) override;

      private:
        // The refills call one another: Refilled() runs once, after the outermost.
        template <class F>
        void refill(F&& load);

        BrowseProcedure& owner_;
        int depth_ = 0;
    };

    // Binds BRW1 to the list control and a view of Primary's file in the order of Key
    // (Thumb, when given, moves the list's thumb).
    void InitBrowse(int32_t ListControl, RelationManager& Primary, const storage::KeyDecl& Key,
                    StepClass* Thumb = nullptr);
    // Runs update procedure Number (GlobalRequest holds the request); false when there
    // is none, and the request is cancelled.
    virtual bool RunUpdate(uint16_t Number) {
        (void)Number;
        return false;
    }
    virtual void BeforeRow() {}
    virtual void RowRead() {}
    virtual void Refilled() {}

    BrowseQueue Queue;
    RowBrowse BRW1{*this};
};

}  // namespace kw
