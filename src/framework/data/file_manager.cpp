#include "framework/data/file_manager.h"

#include <algorithm>

#include "framework/data/files_manager.h"
#include "runtime/assertion.h"

namespace kw {

void FileManager::Init(const storage::TableDecl& file, ErrorClass& errors) {
    File = &file;
    Errors = &errors;
    Buffers = std::make_unique<std::vector<SavedBufferEntry>>();
    Fields = std::make_unique<std::vector<FieldBinding>>();
    Info = std::make_unique<std::vector<FileThreadInfo>>();
    Keys = std::make_unique<std::vector<KeyEntry>>();
    Saved = std::make_unique<std::vector<SavedStateEntry>>();
    HasAutoInc = 0;
    Create = 1;
    LazyOpen = 1;
    LockRecover = 10;
    OpenMode = 66;  // read/write, deny none
    PrimaryKey = 0;
    SkipHeldRecords = 0;
    CleanedUp = 0;
    FileNameValue = file.diskName;
    FileName = &FileNameValue;
    FilesManager.AddFileMapping(file, *this);
}

void FileManager::Kill() { CleanUp(); }

void FileManager::AddKey(const storage::KeyDecl& key, std::string_view description, uint8_t autoInc) {
    if (!Keys || !File) {
        KW_ASSERT_FAIL("FileManager has not been correctly initialized (missing file reference)");
        return;
    }
    const auto& own = File->keys;
    bool ours = std::any_of(own.begin(), own.end(), [&](const storage::KeyDecl& k) { return &k == &key; });
    if (!ours) {
        KW_ASSERT_FAIL("Key does not exist in this file");
        return;
    }
    KeyEntry entry;
    entry.Key = &key;
    entry.Description = description;
    entry.Fields = std::make_unique<std::vector<KeyComponent>>();
    for (int n : key.components) {
        if (n < 1 || static_cast<std::size_t>(n) > File->fields.size()) {
            KW_ASSERT_FAIL("Key does not have component of this number :");
            return;
        }
        entry.Fields->push_back(KeyComponent{n, &File->field(n).name, 1});
    }
    entry.AutoInc = autoInc ? 1 : 0;
    entry.Dups = key.dup ? 1 : 0;
    entry.NoCase = key.nocase ? 1 : 0;
    if (entry.AutoInc) HasAutoInc = 1;
    Keys->push_back(std::move(entry));
}

void FileManager::CleanUp() {
    if (CleanedUp) return;
    CleanedUp = 1;
    if (File) FilesManager.RemoveFileMapping(*File);
    Info.reset();
    Keys.reset();  // with every key's component list
    Buffers.reset();
    Saved.reset();
    Fields.reset();
}

}  // namespace kw
