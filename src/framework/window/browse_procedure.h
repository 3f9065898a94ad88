// BrowseProcedure: a list procedure, a ProcedureWindow with its browse BRW1 over the
// view of its primary table, the page, and the update procedures the browse runs.
//
// The procedure's Opened() calls InitBrowse(list, Relate, key) once the window is
// open, then adds its columns (BRW1.AddField), buttons and locator and registers the
// browse (AddItem(BRW1)). RunUpdate(Number) runs update procedure Number; the browse
// calls it through Run(Number, Request) with GlobalRequest set to the request.
// BeforeRow() runs before each row of the page is built from the record buffer, for
// columns that are looked up elsewhere (a name from another table).
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

    private:
        BrowseProcedure& owner_;
    };

    // Binds BRW1 to the list control and a view of Primary's file in the order of Key.
    void InitBrowse(int32_t ListControl, RelationManager& Primary, const storage::KeyDecl& Key);
    // Runs update procedure Number (GlobalRequest holds the request); false when there
    // is none, and the request is cancelled.
    virtual bool RunUpdate(uint16_t Number) {
        (void)Number;
        return false;
    }
    virtual void BeforeRow() {}

    BrowseQueue Queue;
    RowBrowse BRW1{*this};
};

}  // namespace kw
