// RelationManager: Delete and Update of the table's current record, each in one
// transaction frame over the tables its rules reach.
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/data/transaction_frame.h"
#include "runtime/assertion.h"
#include "runtime/last_error.h"

namespace kw {

namespace {

// Begins the frame over the enrolled tables; message 21 when it cannot begin in time.
Level beginFrame(FileManager& me, bool& framed) {
    framed = false;
    if (!transaction::Begin(kTransactionWait).ok()) {
        (void)me.Throw(21);
        return Level::Notify;
    }
    framed = transaction::Active();
    return Level::Benign;
}

// Commits the frame; one that cannot be committed (a full disk at its last write) is
// rolled back, nothing of it stays, and the operator is told with message `failed`
// and the driver's reason.
Level commitFrame(FileManager& me, bool framed, uint16_t failed) {
    if (!framed || transaction::Commit().ok()) return Level::Benign;
    const last_error::Snapshot reason = last_error::get();
    rollbackFrame();
    last_error::restore(reason);
    (void)me.Throw(failed);
    return Level::Notify;
}

}  // namespace

void rollbackFrame() {
    // A frame that cannot be undone now stays for the recovery of the next writer.
    if (!transaction::Rollback().ok()) KW_ASSERT_FAIL("Unable to roll back transaction");
}

Level RelationManager::Delete(uint8_t Query) {
    if (!Me || !Me->File) return Level::Notify;
    if (Query && Me->Throw(9) != Level::Benign) return Level::Notify;
    for (;;) {
        const std::string pos = Me->Position();
        Level l = Open(0);
        bool framed = false;
        if (l == Level::Benign && UseLogout) {
            l = LogoutDelete();
            if (l == Level::Benign && UseLogout) l = beginFrame(*Me, framed);
        }
        bool gone = false;
        if (l == Level::Benign && Me->TryReget(pos) != Level::Benign) {
            // The record as it is now, inside the frame, or nothing is deleted: another
            // station deleted it meanwhile, and trying again cannot help.
            if (framed) rollbackFrame();
            framed = false;
            Me->SetError(11);
            (void)Me->Throw();
            l = Level::Notify;
            gone = true;
        }
        if (l == Level::Benign) {
            if (Relations) {
                for (auto& r : *Relations) {
                    if (r.DeleteMode == kRINone) continue;
                    l = r.File->DeleteSecondary(r.HisKey, *r.Fields, r.DeleteMode);
                    if (l != Level::Benign) break;
                }
            }
            if (l == Level::Benign && Me->DeleteRecord(Query) != Level::Benign) {
                Me->SetError(11);
                if (framed) rollbackFrame();
                (void)Me->Throw();
                l = Level::Notify;
            }
            if (l == Level::Benign)
                l = commitFrame(*Me, framed, 11);
            else if (framed)
                rollbackFrame();
        }
        transaction::Discard();
        (void)Close(0);
        if (l == Level::Benign) return Level::Benign;
        if (gone || Me->Throw(33) != Level::Benign) return l;
    }
}

Level RelationManager::Update(uint8_t FromForm) {
    if (!Me || !Me->File) return Level::Notify;
    Level l = Open(0);
    if (l != Level::Benign) {
        (void)Close(0);
        return l;
    }
    bool framed = false;
    if (UseLogout) {
        l = LogoutUpdate();
        if (l == Level::Benign && UseLogout) l = beginFrame(*Me, framed);
        if (l != Level::Benign) {
            transaction::Discard();
            (void)Close(0);
            return Level::Notify;
        }
    }
    Me->SetThread().LastError = 0;
    l = Me->TryUpdate();
    if (l != Level::Benign) {
        if (framed) rollbackFrame();
        FileThreadInfo& info = Me->SetThread();
        if (FromForm && info.LastError == 6) info.LastError = 7;
        if (l == Level::Notify) (void)Me->Throw();
        const bool changedElsewhere = info.LastError == 6 || info.LastError == 7;
        (void)Close(0);
        return changedElsewhere ? Level::Notify : Level::User;
    }
    if (Relations) {
        for (auto& r : *Relations) {
            if (r.UpdateMode == kRINone || r.Fields->EqualLeftBuffer()) continue;
            l = r.File->UpdateSecondary(r.HisKey, *r.Fields, r.UpdateMode);
            if (l != Level::Benign) {
                r.Fields->AssignBufferToLeft();
                break;
            }
        }
    }
    if (l == Level::Benign) {
        l = commitFrame(*Me, framed, 25);
    } else if (framed) {
        // The rollback puts the record back as it was, and the driver's copy of it
        // with it: a later write is not taken for another station's change.
        rollbackFrame();
    }
    (void)Close(0);
    return l;
}

}  // namespace kw
