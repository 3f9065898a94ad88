// FilesManager: the one global list of file managers, mapping each FILE to the
// FileManager that owns it (kept ordered by FILE), and the record of which procedure
// of which thread uses which file.
//
// The usage record lets a called procedure use a file its caller has open without
// disturbing the caller: when a procedure first uses such a file for record access,
// the file's state (record buffer, position, numbering state) is saved, and it is put
// back when that procedure closes the file. Procedures are told apart by the name on
// top of the error manager's procedure-name stack of the thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "storage/file.h"

namespace kw {

class FileManager;

// One entry per thread, procedure and file in use.
struct FileStatusEntry {
    int32_t Thread = 0;
    std::string Proc;   // procedure name from the error manager
    int32_t ID = 0;     // the file manager's registration number
    uint8_t UStat = 0;  // highest usage noted
    int16_t Hold = 0;   // saved-state handle of the caller's file, or 0
    int16_t ScopeLevel = 0;
    int16_t NestedOpen = 0;  // further opens in the same procedure
};

class FilesManagerClass {
  public:
    // Maps the FILE to its manager and gives the manager its registration number. A
    // FILE mapped already is an internal error ("Mapping for file already exists") and
    // keeps its first mapping; returns false.
    bool AddFileMapping(storage::File& file, FileManager& manager);
    // Removes the FILE's mapping and the usage entries of its manager; a FILE not
    // mapped is an internal error ("File mapping not found"); returns false.
    bool RemoveFileMapping(const storage::File& file);
    // The manager mapped to the FILE, or nullptr.
    FileManager* GetFileManager(const storage::File& file) const;
    std::size_t MappingCount() const;

    // An Open of the file by the current procedure of the calling thread.
    void NoteOpen(FileManager& fm);
    // A use of the file (UseFile's usage 2 or 3) by the current procedure.
    void NoteUsage(FileManager& fm, uint8_t usage);
    // A Close of the file by the current procedure: its last close gives the caller
    // its saved file state back.
    void NoteClose(FileManager& fm);

    // The usage entries of a thread, oldest first (for diagnostics and tests).
    std::vector<FileStatusEntry> Status(int32_t thread) const;

  private:
    struct Mapping {
        const storage::File* FileLabel;
        FileManager* Manager;
    };
    // Index of the newest entry of (thread, id), optionally of one procedure; -1.
    long newest(int32_t thread, int32_t id, const std::string* proc) const;

    mutable std::mutex mutex_;
    std::vector<Mapping> mappings_;  // ordered by FileLabel
    std::vector<FileStatusEntry> status_;
    int32_t nextId_ = 1;
};

}  // namespace kw

extern kw::FilesManagerClass FilesManager;
