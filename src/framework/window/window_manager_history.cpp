// WindowManager: ditto fields. A completed form copies its records into their history
// copies; the history key in a ditto field brings that field's previous value back.
#include <cstring>

#include "framework/window/window_manager.h"
#include "runtime/assertion.h"

namespace kw {

namespace {

// The field's bytes lie inside the record.
bool fieldFits(const storage::TableDecl& t, int number) {
    if (number < 1 || number > static_cast<int>(t.fields.size())) return false;
    const storage::FieldDecl& f = t.field(number);
    return std::size_t{f.offset} + f.size <= t.recordSize;
}

}  // namespace

void WindowManager::AddHistoryFile(const storage::TableDecl& Record, void* HistoryRecord) {
    if (!HistoryRecord || !Record.buffer) {
        KW_ASSERT_FAIL("History record is missing");
        historyRecord_ = nullptr;
        historyCopy_ = nullptr;
        return;
    }
    historyRecord_ = &Record;
    historyCopy_ = HistoryRecord;
}

void WindowManager::AddHistoryField(int32_t Control, int FieldNumber) {
    if (!historyRecord_ || !fieldFits(*historyRecord_, FieldNumber)) {
        KW_ASSERT_FAIL("History field is not a field of the history record");
        return;
    }
    if (!History) History = std::make_unique<std::vector<HistoryEntry>>();
    // Kept in control order.
    auto at = History->begin();
    while (at != History->end() && at->Control < Control) ++at;
    History->insert(at, HistoryEntry{historyRecord_, historyCopy_, Control, FieldNumber});
}

void WindowManager::SaveHistory() {
    if (!History) return;
    for (std::size_t i = 0; i < History->size(); ++i) {
        const HistoryEntry& h = (*History)[i];
        bool copied = false;
        for (std::size_t j = 0; j < i && !copied; ++j)
            copied = (*History)[j].HistoryRecord == h.HistoryRecord;
        if (copied) continue;
        if (const void* rec = h.Record->buffer())
            std::memcpy(h.HistoryRecord, rec, h.Record->recordSize);
    }
}

void WindowManager::RestoreField(int32_t Control) {
    if (!History) return;
    for (const HistoryEntry& h : *History) {
        if (h.Control != Control) continue;
        const storage::FieldDecl& f = h.Record->field(h.FieldNumber);
        auto* rec = static_cast<char*>(h.Record->buffer());
        if (!rec) return;
        std::memcpy(rec + f.offset, static_cast<const char*>(h.HistoryRecord) + f.offset, f.size);
        Win.display(Control);
        return;
    }
}

}  // namespace kw
