// FileManager: the access object of one table. Every table of the dictionary is reached
// through exactly one of them; it keeps per-thread status, the table's keys and the
// saved buffers and states. This part holds its set-up and tear-down: Init binds the
// table and the error manager, AddKey registers the keys, Kill/CleanUp dispose of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/fixed_string.h"
#include "storage/table_decl.h"

namespace kw {

class ErrorClass;

// The table's record as the calling thread sees it. Record buffers are per procedure
// thread, so the reference is an accessor plus the record length, not a fixed address.
struct RecordReference {
    void* (*address)() = nullptr;
    std::size_t length = 0;

    void* get() const { return address ? address() : nullptr; }
};

// Status of the file for one thread (list `Info`, sorted by ID).
struct FileThreadInfo {
    int32_t ID = 0;
    uint8_t Used = 0;         // physically open for this thread
    int16_t Opened = 0;       // Open calls not yet matched by Close
    uint8_t AtEOF = 0;
    uint8_t AutoIncDone = 0;
    int16_t LastError = 0;    // message id of the last error
};

// One component of a key: the field by its number in the record (1-based).
struct KeyComponent {
    int Field = 0;
    const std::string* FieldName = nullptr;
    uint8_t Ascend = 1;
};

// One key of the file (list `Keys`, in the order added).
struct KeyEntry {
    const storage::KeyDecl* Key = nullptr;
    FixedString<80> Description;
    std::unique_ptr<std::vector<KeyComponent>> Fields;
    uint8_t AutoInc = 0;
    uint8_t Dups = 0;
    uint8_t NoCase = 0;
};

// A saved copy of the record (list `Buffers`, sorted by ID).
struct SavedBufferEntry {
    int32_t ID = 0;
    std::string Buffer;
};

// A saved file state (list `Saved`).
struct SavedStateEntry {
    int16_t Buffer = 0;  // handle of the saved buffer
    int16_t ID = 0;
    uint8_t AutoIncDone = 0;
    int32_t State = 0;   // handle of the driver's saved state
    std::string Pos;     // position of the current record
};

// A field bound for expressions (list `Fields`).
struct FieldBinding {
    std::string Tag;
    int Field = 0;
    storage::FieldType Type = storage::FieldType::Byte;
    std::string Picture;
};

class FileManager {
public:
    FileManager() = default;
    virtual ~FileManager() = default;
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;

    // Binds the table and the error manager, creates the lists and sets the defaults:
    // Create 1, LazyOpen 1, LockRecover 10, OpenMode 66, PrimaryKey 0, SkipHeldRecords 0;
    // FileNameValue becomes the table's disk name. Maps the table to this manager in
    // FilesManager (an internal error when it is mapped already).
    virtual void Init(const storage::TableDecl& file, ErrorClass& errors);
    // CleanUp.
    virtual void Kill();

    // Registers a key of the table with the name used in messages. A key that is not
    // one of the table's own, or a call before Init, is an internal error and adds
    // nothing.
    void AddKey(const storage::KeyDecl& key, std::string_view description, uint8_t autoInc);
    // Once per Init: removes the file mapping and disposes of every list.
    void CleanUp();

    // Fields, in declaration order.
    FileManager* AliasedFile = nullptr;
    RecordReference Buffer;
    std::unique_ptr<std::vector<SavedBufferEntry>> Buffers;
    uint8_t Create = 0;
    ErrorClass* Errors = nullptr;
    std::unique_ptr<std::vector<FieldBinding>> Fields;
    std::unique_ptr<std::vector<storage::FieldType>> FieldTypes;
    const storage::TableDecl* File = nullptr;
    const FixedString<256>* FileName = nullptr;
    FixedString<256> FileNameValue;
    uint8_t HasAutoInc = 0;
    uint8_t InUseFile = 0;
    uint8_t InCallback = 0;
    uint8_t InClose = 0;
    uint8_t InRestore = 0;
    std::unique_ptr<std::vector<FileThreadInfo>> Info;
    std::unique_ptr<std::vector<KeyEntry>> Keys;
    uint8_t LazyOpen = 0;
    int16_t LockRecover = 0;
    uint8_t OpenMode = 0;
    uint8_t PrimaryKey = 0;
    std::unique_ptr<std::vector<SavedStateEntry>> Saved;
    uint8_t SkipHeldRecords = 0;
    uint8_t CleanedUp = 0;
};

}  // namespace kw
