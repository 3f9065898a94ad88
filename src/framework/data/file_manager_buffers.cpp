// FileManager: saved copies of the record buffer and saved file states. Handles are
// numbered across threads (the last handle in the list + 1); the driver's saved states
// belong to the thread that saved them. The tables have no memo fields and the runtime
// keeps no null state, so a saved buffer is the record alone.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "framework/data/file_manager.h"
#include "runtime/assertion.h"
#include "storage/byte_order.h"

namespace kw {

namespace {
constexpr std::string_view kCannotSave = "Unable to save new buffer contents";
constexpr std::string_view kBadHandle = "Restore handle is invalid";
constexpr std::string_view kStateCorrupt = "Saved file storage corrupt";

// The record number at the end of a position string; 0 when none.
uint32_t recordOf(const std::string& pos) {
    if (pos.size() < 4) return 0;
    return storage::le::get32(reinterpret_cast<const uint8_t*>(pos.data() + pos.size() - 4));
}

// Takes the entry with `handle` out of `list` (under `mu`) into `out` and sets the
// handle to 0; a handle that names none fails the assertion `problem`.
template <class Entry>
bool takeOut(std::recursive_mutex& mu, const std::unique_ptr<std::vector<Entry>>& list,
             int16_t& handle, Entry& out, std::string_view problem) {
    bool found = false;
    {
        std::lock_guard lock(mu);
        if (list) {
            auto it = std::find_if(list->begin(), list->end(),
                                   [&](const Entry& e) { return e.ID == handle; });
            if (it != list->end()) {
                out = std::move(*it);
                list->erase(it);
                found = true;
            }
        }
    }
    handle = 0;
    if (!found) KW_ASSERT_FAIL(problem);
    return found;
}
}  // namespace

int16_t FileManager::SaveBuffer() {
    const void* rec = Buffer.get();
    int32_t id = 0;
    {
        std::lock_guard lock(mu_);
        if (Buffers && rec) {
            id = Buffers->empty() ? 1 : Buffers->back().ID + 1;
            if (id <= INT16_MAX)
                Buffers->push_back(SavedBufferEntry{
                    id, std::string(static_cast<const char*>(rec), Buffer.length)});
            else
                id = 0;
        }
    }
    if (id == 0) KW_ASSERT_FAIL(kCannotSave);
    return static_cast<int16_t>(id);
}

void FileManager::RestoreBuffer(int16_t& Handle, uint8_t DoRestore) {
    if (Handle == 0 && !DoRestore) return;
    SavedBufferEntry taken;
    if (!takeOut(mu_, Buffers, Handle, taken, kBadHandle)) return;
    void* rec = Buffer.get();
    const std::string& copy = taken.Buffer;
    if (DoRestore && rec && copy.size() == Buffer.length)
        std::memcpy(rec, copy.data(), copy.size());
}

uint8_t FileManager::EqualBuffer(int16_t Handle) {
    (void)UseFile(kUseRecord);
    const void* rec = Buffer.get();
    std::lock_guard lock(mu_);
    if (!Buffers || !rec) return 0;
    for (const SavedBufferEntry& e : *Buffers)
        if (e.ID == Handle)
            return e.Buffer.size() == Buffer.length &&
                           std::memcmp(e.Buffer.data(), rec, Buffer.length) == 0
                       ? 1
                       : 0;
    return 0;
}

int16_t FileManager::SaveFile() {
    FileThreadInfo& info = SetThread();
    SavedStateEntry e;
    e.Buffer = SaveBuffer();
    e.State = File ? File->saveState() : 0;
    e.Pos = Position();
    e.AutoIncDone = info.AutoIncDone;
    {
        std::lock_guard lock(mu_);
        if (Saved) {
            const int32_t id = Saved->empty() ? 1 : Saved->back().ID + 1;
            if (id <= INT16_MAX) {
                e.ID = static_cast<int16_t>(id);
                Saved->push_back(e);
                return e.ID;
            }
        }
    }
    KW_ASSERT_FAIL(kStateCorrupt);
    RestoreBuffer(e.Buffer, 0);
    if (File) File->freeState(e.State);
    return 0;
}

// With DoRestore the driver gets back the saved state: the sequential position, the
// current record and the copy of it as it was read, so a later change of a record that
// was changed meanwhile is refused as changed by another station rather than
// overwriting that change. When the state is gone (the file was closed meanwhile) the
// record is re-read at its position.
void FileManager::RestoreFile(int16_t& Handle, uint8_t DoRestore) {
    (void)UseFile(kUseRecord);
    SavedStateEntry e;
    if (!takeOut(mu_, Saved, Handle, e, kStateCorrupt)) return;
    InRestore = 1;
    if (DoRestore && File) {
        if (!File->restoreState(e.State).ok() && recordOf(e.Pos) != 0)
            (void)File->reget(PrimaryKey, e.Pos);
    }
    RestoreBuffer(e.Buffer, DoRestore);
    if (DoRestore) SetThread().AutoIncDone = e.AutoIncDone;
    if (File) File->freeState(e.State);
    InRestore = 0;
}

}  // namespace kw
