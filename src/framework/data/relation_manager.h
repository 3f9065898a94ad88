// RelationManager: the relate object of one table, through which procedures open and
// close tables and delete and update records. It opens and closes the related tables
// together with its own, frames a delete or an update in a transaction when asked to
// (UseLogout), and enforces each relation's referential-integrity rule on the related
// records: none, clear (their linking fields are cleared), restrict (the change is
// refused while related records exist) or cascade (they follow: are updated, or
// deleted with their own related records).
//
// Relations are added in dictionary order with AddRelation and AddRelationLink.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "framework/data/buffered_pairs.h"
#include "runtime/level.h"
#include "storage/table_decl.h"

namespace kw {

class FileManager;
class RelationManager;

// Referential-integrity modes.
inline constexpr uint8_t kRINone = 0;
inline constexpr uint8_t kRIClear = 1;
inline constexpr uint8_t kRIRestrict = 2;
inline constexpr uint8_t kRICascade = 3;

// Seconds a delete or update waits for the related tables' locks when it begins its
// transaction.
inline constexpr int kTransactionWait = 2;

// Rolls the calling thread's frame back (nothing when none is active); a rollback that
// fails is reported through the assertion service, and the frame is left to the
// recovery of the next writer.
void rollbackFrame();

// One relation to another table (list `Relations`).
struct RelationEntry {
    RelationManager* File = nullptr;             // the related table's manager
    std::shared_ptr<BufferedPairsClass> Fields;  // left: this table, right: related
    const storage::KeyDecl* HisKey = nullptr;    // related key led by the links
    uint8_t UpdateMode = 0;
    uint8_t DeleteMode = 0;
};

class RelationManager {
  public:
    RelationManager() = default;
    virtual ~RelationManager() = default;
    RelationManager(const RelationManager&) = delete;
    RelationManager& operator=(const RelationManager&) = delete;

    // --- virtual operations, in slot order ---------------------------------------
    // Me.CancelAutoInc(this).
    virtual Level CancelAutoInc();
    virtual Level Close(uint8_t Cascading = 0);
    // Deletes the current record of Me; Query 1 asks for confirmation first (message
    // 9). Related records are dealt with by each relation's delete rule, all inside one
    // transaction when UseLogout. A failure offers to try again (message 33).
    virtual Level Delete(uint8_t Query);
    // Run on the related table's manager: applies the delete rule `Mode` to the
    // records whose linking fields (right side of Pairs) equal the parent's (left).
    virtual Level DeleteSecondary(const storage::KeyDecl* Key, BufferedPairsClass& Pairs,
                                  uint8_t Mode);
    // Disposes of every relation's pairs and of the relation list.
    virtual void Kill();
    // Opens this table and, through the relations, the related ones; at the top of
    // the cascade the table is also taken into use (physically opened).
    virtual Level Open(uint8_t Cascading = 0);
    // Saves the current values of every relation's linking fields, so Update can tell
    // which links a change touches.
    virtual void Save();
    // Tells the driver "QUICKSCAN=on"/"off"; Propagate 1 passes it on to relations
    // without a key, 2 to those with one, each table once.
    virtual void SetQuickScan(uint8_t On, uint8_t Propagate = 0);
    // Writes the current record of Me; FromForm 1 when an update form calls it. Related
    // records follow each relation's update rule when linking fields changed since Save.
    virtual Level Update(uint8_t FromForm);
    // Run on the related table's manager, with the parent's old linking values (the
    // saved side of Pairs): applies the update rule `Mode`.
    virtual Level UpdateSecondary(const storage::KeyDecl* Key, BufferedPairsClass& Pairs,
                                  uint8_t Mode);

    // --- non-virtual ---------------------------------------------------------------
    // Takes the table's access object, creates the (empty) relation list and stores the
    // use-logout flag (1: frame deletes and updates in a transaction).
    void Init(FileManager& me, uint8_t useLogout);
    Level OpenCloseServer(uint8_t Cascading, uint8_t Opening);
    // Takes Me into use and enrols it in the pending transaction (UseLogout). A driver
    // without transactions clears UseLogout.
    Level LogoutPrime();
    // LogoutPrime, then the tables a delete or an update reaches through the rules.
    Level LogoutDelete();
    Level LogoutUpdate();
    // Writes Me's current (related) record after the rules of its own relations were
    // applied to the links it changed.
    Level CascadeUpdates();

    // Adds a relation to the related table's manager with its rules and the related key
    // that the linking fields lead (nullptr: the related records are found by reading
    // the whole table). The modes are 0 none, 1 clear, 2 restrict, 3 cascade.
    void AddRelation(RelationManager& File, uint8_t UpdateMode, uint8_t DeleteMode,
                     const storage::KeyDecl* HisKey);
    // Adds a linking pair to the relation added last: a field of this table and one of
    // the related table, by name ("PAR:ID" or "ID"). An unknown field is an internal
    // error and adds nothing.
    void AddRelationLink(std::string_view Left, std::string_view Right);

    // --- fields, in declaration order ----------------------------------------------
    FileManager* Me = nullptr;
    std::unique_ptr<std::vector<RelationEntry>> Relations;
    RelationManager* AliasFile = nullptr;
    uint8_t UseLogout = 0;
    std::atomic<int32_t> LastTouched{0};

  private:
    // Clears Me's record, puts the parent's linking values (or their saved copy) into
    // the linking fields, the key's other components low, and sets the position.
    // False when the table could not be positioned (nothing can be walked).
    bool positionRelated(const storage::KeyDecl* Key, BufferedPairsClass& Pairs, bool savedValues);
    // Walks the related records of a position; `each` returns Benign to go on.
    template <class Each>
    Level walkRelated(const storage::KeyDecl* Key, BufferedPairsClass& Pairs, bool savedValues,
                      Each each);
    void quickScan(uint8_t On, uint8_t Propagate);
    Level logout(bool forDelete);
};

}  // namespace kw
