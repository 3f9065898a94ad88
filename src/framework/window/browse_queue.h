// The page of a browse and the list control that shows it.
//
// BrowseQueue holds the rows of the page: the values of the browse's columns (the
// AddField pairs, numbered from 1) and the view position of each row's record. It is
// the list control's page queue. Like the record buffers it belongs to the
// procedure's thread. The "current row" is the buffer that Insert, Update and Fetch
// move rows through, as a queue's record buffer does.
//
// IListControl is what the browse asks of its list control; StandardBehavior answers
// it from the procedure's window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/page_queue.h"
#include "runtime/window_engine.h"

namespace kw {

class BrowseQueue : public ui::PageQueue {
  public:
    struct Row {
        std::vector<ui::Value> Values;  // column 1 first
        std::string ViewPosition;
    };

    // The current row: filled by Fetch, stored by Insert and Update.
    Row Current;

    // --- operations, in order -------------------------------------------------------
    int Records() const { return static_cast<int>(rows_.size()); }
    // Appends the current row.
    void Insert();
    // Inserts the current row as row Position (1 = top; past the end appends).
    void Insert(int Position);
    // Copies row Position into the current row; false (and nothing copied) when none.
    bool Fetch(int Position);
    // Writes the current row over the row last fetched; false when none.
    bool Update();
    // Removes the row last fetched; false when none.
    bool Delete();
    // Removes row Position; false when none.
    bool Delete(int Position);
    void Free();
    // The name of a column as given to SetColumnName ("" when none).
    std::string Who(int Column) const;
    const std::string& GetViewPosition() const { return Current.ViewPosition; }
    void SetViewPosition(std::string Position) { Current.ViewPosition = std::move(Position); }

    void SetColumnName(int Column, std::string Name);
    // Row Position itself (nullptr when none).
    const Row* At(int Position) const;

    // ui::PageQueue.
    int records() const override { return Records(); }
    ui::Value value(int row, int column) const override;

  private:
    std::vector<Row> rows_;
    std::vector<std::string> names_;
    int fetched_ = 0;  // row of the last Fetch, 0 none
};

class IListControl {
  public:
    virtual ~IListControl() = default;
    virtual int32_t Choice() = 0;
    virtual int32_t GetControl() = 0;
    virtual int32_t GetItems() = 0;  // rows the list shows at once
    virtual uint8_t GetVisible() = 0;
    virtual void SetChoice(int32_t Row) = 0;
    virtual void SetControl(int32_t Control) = 0;
};

// The list control of a window, with the browse's page as its queue.
class StandardBehavior : public IListControl {
  public:
    void Init(ui::Window& Win, int32_t Control, BrowseQueue& Queue);

    int32_t Choice() override;
    int32_t GetControl() override { return control_; }
    int32_t GetItems() override;
    uint8_t GetVisible() override;
    // Shows the page first, so that the row exists on the screen.
    void SetChoice(int32_t Row) override;
    void SetControl(int32_t Control) override;

  private:
    ui::Window* win_ = nullptr;
    BrowseQueue* queue_ = nullptr;
    int32_t control_ = 0;
};

}  // namespace kw
