// FileManager: the access object of one table. Every table of the dictionary is reached
// through exactly one of them. It wraps the driver's file operations with counted,
// lazy opening, per-thread status, automatic numbering, saving and restoring of the
// record buffer and of the file's state, validation hooks and uniform error reporting
// through the error manager by message number.
//
// Each operation has a "Try" form that shows nothing and only returns a level, and a
// plain form that hands a failure to the error manager (which shows the message and
// returns the level the user's answer gives). Both run one worker with HandleError 0
// or 1. Levels: Benign on success; Notify for an ordinary failure (not found, end of
// file, refused); Fatal when the file could not be brought into use.
//
// Threads: the status of the file (open count, physically open, end of file, the
// numbering state, the last message) is kept per procedure thread (Info, selected by
// SetThread on every call); the record buffer and the driver's state of the file are
// the calling thread's own as well. The lists are guarded, so several procedure
// threads may use one manager at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/field_value.h"
#include "framework/data/write_observer.h"
#include "runtime/fixed_string.h"
#include "runtime/level.h"
#include "storage/file.h"
#include "storage/table_decl.h"

namespace kw {

class ErrorClass;
class RelationManager;

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
    uint8_t Used = 0;    // physically open for this thread
    int16_t Opened = 0;  // Open calls not yet matched by Close
    uint8_t AtEOF = 0;
    uint8_t AutoIncDone = 0;  // the current record was already added by PrimeAutoInc
    int16_t LastError = 0;    // message id of the last error
    // Record number of the last record this thread added (0 none): the record an
    // update form inserted, after the form's end gave the caller's file state back.
    uint32_t LastInserted = 0;
};

// One component of a key.
struct KeyComponent {
    int Field = 0;          // field number in the record, 1-based
    std::string FieldName;  // "ZAL:N_KV"
    uint8_t Ascend = 1;
};

// One key of the file (list `Keys`, in the order added).
struct KeyEntry {
    const storage::KeyDecl* Key = nullptr;  // as given to AddKey
    FixedString<80> Description;
    std::unique_ptr<std::vector<KeyComponent>> Fields;
    uint8_t AutoInc = 0;
    uint8_t Dups = 0;
    uint8_t NoCase = 0;
    int Number = 0;  // the key's number in the driver's file, 1-based
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
    int32_t State = 0;  // handle of the driver's saved state (of the saving thread)
    std::string Pos;    // position of the current record
};

// A field bound for expressions (list `Fields`): Tag is "LABEL:NAME".
struct FieldBinding {
    std::string Tag;
    int Field = 0;
    storage::FieldType Type = storage::FieldType::Byte;
    std::string Picture;
};

// File operations the runtime reports to a file's call-back. Release is the notice
// that the runtime gives the file up (its driver state goes away).
using FileFunction = storage::FileFunction;

// The file call-back: told before and after each operation on a FILE, so the file
// manager can catch direct use of the FILE that bypasses it. Init registers the
// manager with its FILE; Kill takes it off again.
using FileCallbackInterface = storage::FileCallback;

// UseFile's usage: record access, a browse or form takes the file into use, or no
// note of the usage at all.
inline constexpr uint8_t kUseRecord = 2;
inline constexpr uint8_t kUseBrowse = 3;
inline constexpr uint8_t kUseNoNote = 4;

class FileManager : public FileCallbackInterface {
  public:
    FileManager() = default;
    // Detaches the call-back, so a FILE never calls a manager that is gone.
    ~FileManager() override;
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;

    // --- virtual operations, in slot order ---------------------------------------
    // The misuse checks (internal errors through the assertion service).
    void FunctionCalled(FileFunction Op) override;
    void FunctionDone(FileFunction Op, int ErrorCode) override;
    // Fills `Fields` once with every field of the record ("LABEL:NAME").
    virtual void BindFields();
    // Removes a record that PrimeAutoInc added, through the relation manager's Delete
    // when one is given. Returns the delete's level.
    virtual Level CancelAutoInc(RelationManager* Relation = nullptr);
    // Counted: the last Close of the thread closes the file. Always Benign.
    virtual Level Close();
    // 1 when the current record equals the saved one.
    virtual uint8_t EqualBuffer(int16_t Handle);
    // TryFetch; when it fails the record buffer is cleared. No message.
    virtual Level Fetch(const storage::KeyDecl& Key);
    // Binds the FILE and the error manager, creates the lists and sets the defaults:
    // Create 1, LazyOpen 1, LockRecover 10, OpenMode 66, PrimaryKey 0,
    // SkipHeldRecords 0; FileNameValue becomes the table's disk name and Buffer the
    // table's record. Maps the file to this manager in FilesManager.
    virtual void Init(storage::File& File, ErrorClass& Errors);
    virtual Level Insert();
    // Closes the file when the calling thread still has it open, then CleanUp.
    virtual void Kill();
    virtual Level Next();
    // Counts an open (with LazyOpen the file is opened by its first use).
    virtual Level Open();
    virtual Level Previous();
    virtual Level PrimeAutoInc();
    // The hook for initial field values; the base does nothing.
    virtual void PrimeFields();
    // Clears the record (unless SuppressClear), PrimeFields, and numbers it when the
    // file has an auto-increment key.
    virtual Level PrimeRecord(uint8_t SuppressClear = 0);
    virtual Level Throw(uint16_t MessageId);
    virtual Level Throw();
    virtual Level ThrowMessage(uint16_t MessageId, std::string_view Text);
    virtual Level TryFetch(const storage::KeyDecl& Key);
    virtual Level TryInsert();
    virtual Level TryNext();
    virtual Level TryOpen();
    virtual Level TryPrevious();
    virtual Level TryPrimeAutoInc();
    virtual Level TryUpdate();
    virtual Level Update();
    virtual Level ValidateField(int Id);
    virtual Level TryValidateField(int Id);
    // Benign in the base class.
    virtual Level ValidateFieldServer(int Id, uint8_t HandleErrors);
    // ValidateField for Low..High; stops at the first failure and stores its number.
    virtual Level ValidateFields(int Low, int High, int& FailedField);
    virtual Level ValidateRecord(int& FailedField);
    // Deletes the current record. Benign, or Notify when the driver refused (its
    // error is left for SetError).
    virtual Level DeleteRecord(uint8_t Query = 0);
    virtual Level Deleted();

    // --- non-virtual ---------------------------------------------------------------
    // Registers a key of the table with the name used in messages. A key that is not
    // one of the table's own, or a call before Init, is an internal error and adds
    // nothing.
    void AddKey(const storage::KeyDecl& Key, std::string_view Description, uint8_t AutoInc);
    // Sets components From..To of the key to their lowest (High 0) or highest values.
    void ClearKey(const storage::KeyDecl& Key, int From = 1, int To = 255, uint8_t High = 0);
    int GetComponents(const storage::KeyDecl& Key);
    uint8_t GetEOF();
    // Component n (1-based) of the key; an invalid reference when it has none.
    FieldRef GetField(const storage::KeyDecl& Key, int n);
    std::string GetFieldName(const storage::KeyDecl& Key, int n);
    std::string GetName() const;
    Level InsertServer(uint8_t HandleError);
    // The key's components from Start as a view's order: "+ZAL:DATA,+ZAL:N_KV";
    // string components of a case-insensitive key as "+UPPER(PKL:FIO)".
    std::string KeyToOrder(const storage::KeyDecl& Key, int Start = 1);
    Level NextServer(uint8_t HandleError, bool Backward);
    Level OpenFile(uint8_t HandleError);
    Level OpenServer(uint8_t HandleError, uint8_t Force);
    // The position of the current record (by PrimaryKey when it is set).
    std::string Position();
    Level PrimeAutoIncServer(uint8_t HandleError);
    void RestoreBuffer(int16_t& Handle, uint8_t DoRestore = 1);
    void RestoreFile(int16_t& Handle, uint8_t DoRestore = 1);
    int16_t SaveBuffer();
    int16_t SaveFile();
    // Saves the runtime's error with the error manager, selects message Id and notes it
    // as the thread's LastError.
    void SetError(uint16_t MessageId);
    // The key's number in the driver's file; 0 (and an internal error) when the key
    // does not belong to the file.
    int SetKey(const storage::KeyDecl& Key);
    // The calling thread's entry of Info (created when missing); tells the error manager
    // the file's name.
    FileThreadInfo& SetThread();
    Level TryReget(const std::string& Pos);
    Level UpdateServer(uint8_t HandleError);
    Level UseFile(uint8_t Usage = kUseRecord);
    // Once per Init: removes the file mapping and disposes of every list.
    void CleanUp();

    // The table's declaration (that of the FILE).
    const storage::TableDecl& Table() const;
    // The entry of key n; nullptr when none.
    const KeyEntry* KeyOf(const storage::KeyDecl& Key) const;
    // Component n (from 1) of key Key; nullptr, with the programmer's error said, when
    // the key or the component is not there.
    const KeyComponent* ComponentOf(const storage::KeyDecl& Key, int n) const;
    // The number under which FilesManager knows this manager (0 before Init).
    int32_t RegistrationId() const { return registration_; }
    void SetRegistrationId(int32_t id) { registration_ = id; }

    // --- fields, in declaration order ----------------------------------------------
    FileManager* AliasedFile = nullptr;
    RecordReference Buffer;
    std::unique_ptr<std::vector<SavedBufferEntry>> Buffers;
    uint8_t Create = 0;
    ErrorClass* Errors = nullptr;
    std::unique_ptr<std::vector<FieldBinding>> Fields;
    std::unique_ptr<std::vector<storage::FieldType>> FieldTypes;
    storage::File* File = nullptr;
    const FixedString<256>* FileName = nullptr;
    FixedString<256> FileNameValue;
    uint8_t HasAutoInc = 0;
    std::atomic<uint8_t> InUseFile{0};
    std::atomic<uint8_t> InCallback{0};
    std::atomic<uint8_t> InClose{0};
    std::atomic<uint8_t> InRestore{0};
    std::unique_ptr<std::map<int32_t, FileThreadInfo>> Info;
    std::unique_ptr<std::vector<KeyEntry>> Keys;
    uint8_t LazyOpen = 0;
    int16_t LockRecover = 0;
    uint8_t OpenMode = 0;
    uint8_t PrimaryKey = 0;
    std::unique_ptr<std::vector<SavedStateEntry>> Saved;
    uint8_t SkipHeldRecords = 0;
    uint8_t CleanedUp = 0;

  private:
    // Runs `op` on the aliased manager with this record copied into its buffer, and
    // copies the result back; false when there is no alias (or a refused one).
    template <class Op>
    bool viaAlias(Op op);
    // Whether the record in the buffer repeats the value of key entry `k` held by
    // another record (the file's position and the buffer are left as they were).
    bool duplicates(const KeyEntry& k);
    int32_t thread() const;
    // Runs the driver's write `write` of the current record; when the installed write
    // observer observes this table, inside a frame (the caller's, or one of its own)
    // and with the observer told. The write's status, or the observer's failure (the
    // write undone with the frame the caller rolls back, or with this one).
    storage::Status observedWrite(WriteOperation op, const std::function<storage::Status()>& write);
    // The current record as the file holds it, read without disturbing the buffer,
    // the position or the copy kept for the "changed by another station" check.
    storage::Status readStored(std::string& image);

    mutable std::recursive_mutex mu_;  // guards the lists
    std::mutex openMu_;                // one thread at a time opens or creates the file
    int32_t registration_ = 0;
};

}  // namespace kw
