// Totals over a whole view: the lists that show sums of their records (the day's
// pledges, the financial inquiry, the cash journal) count every record of the view,
// not only the page on screen.
#pragma once

#include <functional>

namespace kw {

class ViewManager;

// Reads every record of the view that the view manager's ValidateRecord takes, from
// the start, and calls `perRecord` with each one in the primary record buffer. The
// record buffer is given back as it was; the view is left at its start, so the caller
// reloads its page afterwards (a browse's ResetFromView or ResetFromAsk does). False
// when a read failed (the error manager has shown message 1).
bool ForEachInView(ViewManager& view, const std::function<void()>& perRecord);

}  // namespace kw
