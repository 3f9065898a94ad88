// FilesManager: the one global list of file managers, mapping each table to the
// FileManager that owns it (kept ordered by table).
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "storage/table_decl.h"

namespace kw {

class FileManager;

class FilesManagerClass {
public:
    // Maps the table to its manager. A table mapped already is an internal error
    // ("Mapping for file already exists") and keeps its first mapping; returns false.
    bool AddFileMapping(const storage::TableDecl& file, FileManager& manager);
    // Removes the table's mapping; a table not mapped is an internal error ("File
    // mapping not found"); returns false.
    bool RemoveFileMapping(const storage::TableDecl& file);
    // The manager mapped to the table, or nullptr.
    FileManager* GetFileManager(const storage::TableDecl& file) const;
    std::size_t MappingCount() const;

private:
    struct Mapping {
        const storage::TableDecl* FileLabel;
        FileManager* Manager;
    };
    mutable std::mutex mutex_;
    std::vector<Mapping> mappings_;  // ordered by FileLabel
};

}  // namespace kw

extern kw::FilesManagerClass FilesManager;
