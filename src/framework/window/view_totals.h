// Totals over a whole view: the lists that show sums of their records (the day's
// pledges, the financial inquiry, the cash journal) count every record of the view,
// not only the page on screen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/file.h"

namespace kw {

class ViewManager;

// Reads every record of the view that the view manager's ValidateRecord takes, from
// the start, and calls `perRecord` with each one in the primary record buffer. The
// record buffer is given back as it was; the view is left at its start, so the caller
// reloads its page afterwards (a browse's ResetFromView or ResetFromAsk does). False
// when a read failed (the error manager has shown message 1).
// With `fields` (names of the primary table's fields, without prefix) the pass reads
// only those, the view's order fields and the fields its filter names: the other
// fields of the buffer are unspecified inside perRecord (a server then sends a
// fraction of each row). They must include what the view manager's ValidateRecord reads.
bool ForEachInView(ViewManager& view, const std::function<void()>& perRecord,
                   const std::vector<std::string>& fields = {});

// Money totals of the view's records that its back end adds up itself (a server sends
// only the sums, storage::File::sumKopecks): the terms' conditions must select exactly
// the records the view and its ValidateRecord take. False when the back end leaves the
// totals to the program (the flat files): the caller then uses ForEachInView. A failed
// request is shown (message 1) and answered with zero sums.
bool SumsByBackEnd(ViewManager& view, const std::vector<storage::File::SumTerm>& terms,
                   std::vector<int64_t>& sums);

}  // namespace kw
