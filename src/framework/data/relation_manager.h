// RelationManager: the relate object of one table, through which procedures open and
// close tables and delete and update records. This part holds its set-up and tear-down.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/table_decl.h"

namespace kw {

class FileManager;
class RelationManager;
class BufferedPairsClass;

// One relation to another table (list `Relations`).
struct RelationEntry {
    RelationManager* File = nullptr;               // the related table's manager
    std::shared_ptr<BufferedPairsClass> Fields;    // the linking field pairs
    const storage::KeyDecl* HisKey = nullptr;      // related key led by the links
    uint8_t UpdateMode = 0;
    uint8_t DeleteMode = 0;
};

class RelationManager {
public:
    RelationManager() = default;
    virtual ~RelationManager() = default;
    RelationManager(const RelationManager&) = delete;
    RelationManager& operator=(const RelationManager&) = delete;

    // Takes the table's access object, creates the (empty) relation list and stores the
    // use-logout flag (1: frame deletes and updates in a transaction).
    void Init(FileManager& me, uint8_t useLogout);
    // Disposes of every relation's pairs and of the relation list.
    virtual void Kill();

    // Fields, in declaration order.
    FileManager* Me = nullptr;
    std::unique_ptr<std::vector<RelationEntry>> Relations;
    RelationManager* AliasFile = nullptr;
    uint8_t UseLogout = 0;
    int32_t LastTouched = 0;
};

}  // namespace kw
