// The rows a list box shows: the page queue of a browse, or any table of values. The
// window engine reads it on the window's procedure thread when the list is displayed
// and keeps formatted copies for the screen, so the queue needs no locking.
#pragma once

#include <vector>

#include "runtime/binding.h"

namespace kw::ui {

class PageQueue {
  public:
    virtual ~PageQueue() = default;
    virtual int records() const = 0;
    // Row 1..records(), column 1.. (a list column names its queue column). Out of
    // range gives an empty value.
    virtual Value value(int row, int column) const = 0;
};

// A page queue held in memory: simple lists and tests.
class VectorQueue : public PageQueue {
  public:
    std::vector<std::vector<Value>> rows;

    int records() const override { return static_cast<int>(rows.size()); }
    Value value(int row, int column) const override {
        if (row < 1 || row > records()) return Value();
        const auto& r = rows[static_cast<std::size_t>(row - 1)];
        if (column < 1 || column > static_cast<int>(r.size())) return Value();
        return r[static_cast<std::size_t>(column - 1)];
    }
};

}  // namespace kw::ui
