#include "framework/data/files_manager.h"

#include <algorithm>
#include <functional>

#include "runtime/assertion.h"

kw::FilesManagerClass FilesManager;

namespace kw {

namespace {
bool before(const storage::TableDecl* a, const storage::TableDecl* b) {
    return std::less<const storage::TableDecl*>()(a, b);
}
}  // namespace

bool FilesManagerClass::AddFileMapping(const storage::TableDecl& file, FileManager& manager) {
    {
        std::lock_guard lock(mutex_);
        auto it = std::lower_bound(mappings_.begin(), mappings_.end(), &file,
                                   [](const Mapping& m, const storage::TableDecl* f) { return before(m.FileLabel, f); });
        if (it == mappings_.end() || it->FileLabel != &file) {
            mappings_.insert(it, Mapping{&file, &manager});
            return true;
        }
    }
    KW_ASSERT_FAIL("Mapping for file already exists");
    return false;
}

bool FilesManagerClass::RemoveFileMapping(const storage::TableDecl& file) {
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(mappings_.begin(), mappings_.end(),
                               [&](const Mapping& m) { return m.FileLabel == &file; });
        if (it != mappings_.end()) {
            mappings_.erase(it);
            return true;
        }
    }
    KW_ASSERT_FAIL("File mapping not found");
    return false;
}

FileManager* FilesManagerClass::GetFileManager(const storage::TableDecl& file) const {
    std::lock_guard lock(mutex_);
    for (const auto& m : mappings_)
        if (m.FileLabel == &file) return m.Manager;
    return nullptr;
}

std::size_t FilesManagerClass::MappingCount() const {
    std::lock_guard lock(mutex_);
    return mappings_.size();
}

}  // namespace kw
