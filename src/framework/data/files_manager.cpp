#include "framework/data/files_manager.h"

#include <algorithm>
#include <functional>

#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "runtime/assertion.h"
#include "runtime/proc_thread.h"

kw::FilesManagerClass FilesManager;

namespace kw {

namespace {

bool before(const storage::File* a, const storage::File* b) {
    return std::less<const storage::File*>()(a, b);
}

std::string procedureOf(FileManager& fm) {
    return fm.Errors ? fm.Errors->GetProcedureName() : std::string();
}

}  // namespace

bool FilesManagerClass::AddFileMapping(storage::File& file, FileManager& manager) {
    {
        std::lock_guard lock(mutex_);
        auto it = std::lower_bound(
            mappings_.begin(), mappings_.end(), &file,
            [](const Mapping& m, const storage::File* f) { return before(m.FileLabel, f); });
        if (it == mappings_.end() || it->FileLabel != &file) {
            mappings_.insert(it, Mapping{&file, &manager});
            manager.SetRegistrationId(nextId_++);
            return true;
        }
    }
    KW_ASSERT_FAIL("Mapping for file already exists");
    return false;
}

bool FilesManagerClass::RemoveFileMapping(const storage::File& file) {
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(mappings_.begin(), mappings_.end(),
                               [&](const Mapping& m) { return m.FileLabel == &file; });
        if (it != mappings_.end()) {
            const int32_t id = it->Manager->RegistrationId();
            std::erase_if(status_, [&](const FileStatusEntry& e) { return e.ID == id; });
            mappings_.erase(it);
            return true;
        }
    }
    KW_ASSERT_FAIL("File mapping not found");
    return false;
}

FileManager* FilesManagerClass::GetFileManager(const storage::File& file) const {
    std::lock_guard lock(mutex_);
    for (const auto& m : mappings_)
        if (m.FileLabel == &file) return m.Manager;
    return nullptr;
}

std::size_t FilesManagerClass::MappingCount() const {
    std::lock_guard lock(mutex_);
    return mappings_.size();
}

long FilesManagerClass::newest(int32_t thread, int32_t id, const std::string* proc) const {
    for (std::size_t i = status_.size(); i-- > 0;) {
        const FileStatusEntry& e = status_[i];
        if (e.Thread == thread && e.ID == id && (!proc || e.Proc == *proc))
            return static_cast<long>(i);
    }
    return -1;
}

void FilesManagerClass::NoteOpen(FileManager& fm) {
    const int32_t thread = proc::currentThread();
    const std::string proc = procedureOf(fm);
    std::lock_guard lock(mutex_);
    const long i = newest(thread, fm.RegistrationId(), nullptr);
    if (i >= 0 && status_[static_cast<std::size_t>(i)].Proc == proc)
        ++status_[static_cast<std::size_t>(i)].NestedOpen;
}

void FilesManagerClass::NoteUsage(FileManager& fm, uint8_t usage) {
    const int32_t thread = proc::currentThread();
    const int32_t id = fm.RegistrationId();
    const std::string proc = procedureOf(fm);
    {
        std::lock_guard lock(mutex_);
        const long i = newest(thread, id, nullptr);
        if (i >= 0 && status_[static_cast<std::size_t>(i)].Proc == proc) {
            FileStatusEntry& e = status_[static_cast<std::size_t>(i)];
            e.UStat = std::max(e.UStat, usage);
            return;
        }
        FileStatusEntry e;
        e.Thread = thread;
        e.Proc = proc;
        e.ID = id;
        e.UStat = usage;
        status_.push_back(e);
        // The first user of the file on this thread has no caller to protect; a record
        // user called by another procedure that has the file saves that one's state.
        if (i < 0 || usage >= kUseBrowse) return;
    }
    int16_t hold = fm.SaveFile();
    {
        std::lock_guard lock(mutex_);
        const long i = newest(thread, id, &proc);
        if (i >= 0) {
            status_[static_cast<std::size_t>(i)].Hold = hold;
            return;
        }
    }
    KW_ASSERT_FAIL("Error appending to ordered queue");
    fm.RestoreFile(hold, 0);
}

void FilesManagerClass::NoteClose(FileManager& fm) {
    const int32_t thread = proc::currentThread();
    const int32_t id = fm.RegistrationId();
    const std::string proc = procedureOf(fm);
    int16_t hold = 0;
    {
        std::lock_guard lock(mutex_);
        const long i = newest(thread, id, &proc);
        if (i < 0) return;
        FileStatusEntry& e = status_[static_cast<std::size_t>(i)];
        if (e.NestedOpen > 0) {
            --e.NestedOpen;
            return;
        }
        hold = e.Hold;
    }
    // The entry stays while the state is restored, so the restore's own use of the
    // file is noted against this procedure.
    if (hold != 0) fm.RestoreFile(hold, 1);
    std::lock_guard lock(mutex_);
    const long i = newest(thread, id, &proc);
    if (i >= 0) status_.erase(status_.begin() + i);
}

std::vector<FileStatusEntry> FilesManagerClass::Status(int32_t thread) const {
    std::lock_guard lock(mutex_);
    std::vector<FileStatusEntry> out;
    for (const auto& e : status_)
        if (e.Thread == thread) out.push_back(e);
    return out;
}

}  // namespace kw
