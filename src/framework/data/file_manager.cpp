// FileManager: set-up and tear-down, thread selection and error reporting.
#include "framework/data/file_manager.h"

#include "framework/data/error_class.h"
#include "framework/data/files_manager.h"
#include "runtime/assertion.h"
#include "runtime/proc_thread.h"

namespace kw {

namespace {
constexpr std::string_view kNotInitialized =
    "FileManager has not been correctly initialized (missing file reference)";
constexpr std::string_view kNoThreadInfo = "Unable to add thread specific file information";
}  // namespace

void FileManager::Init(storage::File& file, ErrorClass& errors) {
    File = &file;
    Errors = &errors;
    {
        std::lock_guard lock(mu_);
        Buffers = std::make_unique<std::vector<SavedBufferEntry>>();
        Fields = std::make_unique<std::vector<FieldBinding>>();
        Info = std::make_unique<std::map<int32_t, FileThreadInfo>>();
        Keys = std::make_unique<std::vector<KeyEntry>>();
        Saved = std::make_unique<std::vector<SavedStateEntry>>();
    }
    HasAutoInc = 0;
    Create = 1;
    LazyOpen = 1;
    LockRecover = 10;
    OpenMode = storage::kDefaultOpenMode;  // 66: read/write, deny none
    PrimaryKey = 0;
    SkipHeldRecords = 0;
    CleanedUp = 0;
    FileNameValue = file.decl().diskName;
    FileName = &FileNameValue;
    Buffer = RecordReference{file.decl().buffer, file.decl().recordSize};
    // A FILE already mapped to another manager stays that manager's: this one neither
    // takes its call-back nor, at clean-up, its mapping.
    if (FilesManager.AddFileMapping(file, *this)) file.setCallback(this);
}

FileManager::~FileManager() {
    if (File && File->callback() == this) File->setCallback(nullptr);
}

void FileManager::Kill() {
    // The manager leaves the FILE first: its own close below is no misuse.
    if (File && File->callback() == this) File->setCallback(nullptr);
    // A file the calling thread still has open is closed (other threads' driver state
    // goes with those threads).
    if (File && !CleanedUp && File->isOpen()) (void)File->close();
    CleanUp();
}

void FileManager::CleanUp() {
    if (CleanedUp) return;
    CleanedUp = 1;
    if (File && FilesManager.GetFileManager(*File) == this) FilesManager.RemoveFileMapping(*File);
    std::lock_guard lock(mu_);
    Info.reset();
    Keys.reset();  // with every key's component list
    Buffers.reset();
    Saved.reset();  // the driver's saved states go with the thread's driver state
    Fields.reset();
}

const storage::TableDecl& FileManager::Table() const {
    static const storage::TableDecl none;
    return File ? File->decl() : none;
}

int32_t FileManager::thread() const {
    return proc::currentThread();
}

FileThreadInfo& FileManager::SetThread() {
    thread_local FileThreadInfo scratch;
    const int32_t id = thread();
    FileThreadInfo* entry = nullptr;
    {
        std::lock_guard lock(mu_);
        if (Info) {
            auto [it, added] = Info->try_emplace(id);
            if (added) it->second.ID = id;
            entry = &it->second;
        }
    }
    if (!entry) {
        KW_ASSERT_FAIL(kNoThreadInfo);
        scratch = FileThreadInfo{};
        scratch.ID = id;
        entry = &scratch;
    }
    if (!File) KW_ASSERT_FAIL(kNotInitialized);
    if (Errors) Errors->SetFile(FileNameValue.clip());
    return *entry;
}

std::string FileManager::GetName() const {
    return FileNameValue.clip();
}

uint8_t FileManager::GetEOF() {
    return SetThread().AtEOF;
}

// --- errors -----------------------------------------------------------------------

void FileManager::SetError(uint16_t MessageId) {
    FileThreadInfo& info = SetThread();
    if (Errors) {
        Errors->SetErrors();
        Errors->SetId(MessageId);
    }
    info.LastError = static_cast<int16_t>(MessageId);
}

Level FileManager::Throw() {
    const int16_t id = SetThread().LastError;
    return Errors ? Errors->TakeError(static_cast<uint16_t>(id)) : Level::Notify;
}

Level FileManager::Throw(uint16_t MessageId) {
    SetError(MessageId);
    return Throw();
}

Level FileManager::ThrowMessage(uint16_t MessageId, std::string_view Text) {
    SetThread().LastError = static_cast<int16_t>(MessageId);
    return Errors ? Errors->ThrowMessage(MessageId, Text) : Level::Notify;
}

}  // namespace kw
