// RelationManager: the rules applied to the related records of a delete or an update,
// run on the related table's manager.
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/data/transaction_frame.h"
#include "runtime/assertion.h"

namespace kw {

bool RelationManager::positionRelated(const storage::KeyDecl* Key, BufferedPairsClass& Pairs,
                                      bool savedValues) {
    field::clearRecord(Me->Table());
    if (savedValues)
        Pairs.AssignBufferToRight();
    else
        Pairs.AssignLeftToRight();
    if (Key) {
        const int number = Me->SetKey(*Key);
        if (number != 0) {
            Me->ClearKey(*Key, static_cast<int>(Pairs.Count()) + 1, 255, 0);
            return Me->File->setFromBuffer(number).ok();
        }
    }
    return Me->File->set(0).ok();
}

// The related records follow the key from the linking values and end at the first
// record with other links; without a key the whole table is read and the records with
// other links are passed over. Me's record buffer and position are as they were after.
template <class Each>
Level RelationManager::walkRelated(const storage::KeyDecl* Key, BufferedPairsClass& Pairs,
                                   bool savedValues, Each each) {
    if (!Me || !Me->File || Me->UseFile(kUseRecord) != Level::Benign) return Level::Notify;
    int16_t state = Me->SaveFile();
    Level result = Level::Benign;
    if (!positionRelated(Key, Pairs, savedValues)) {
        // The related records cannot be reached: the whole operation is abandoned.
        Me->SetError(1);
        rollbackFrame();
        (void)Me->Throw();
        result = Level::Notify;
    }
    while (result == Level::Benign) {
        if (Me->TryNext() != Level::Benign) {
            if (!Me->GetEOF()) {
                rollbackFrame();
                (void)Me->Throw();
                result = Level::Notify;
            }
            break;
        }
        const bool linked = savedValues ? Pairs.EqualRightBuffer() : Pairs.EqualLeftRight();
        if (!linked) {
            if (Key) break;
            continue;
        }
        result = each();
        if (result != Level::Benign) break;
    }
    Me->RestoreFile(state, 1);
    return result;
}

Level RelationManager::DeleteSecondary(const storage::KeyDecl* Key, BufferedPairsClass& Pairs,
                                       uint8_t Mode) {
    if (Mode < kRIClear || Mode > kRICascade) {
        KW_ASSERT_FAIL("Invalid RI mode");
        return Level::Notify;
    }
    return walkRelated(Key, Pairs, false, [&]() -> Level {
        if (Mode == kRIRestrict) {
            Me->SetError(30);
            rollbackFrame();
            (void)Me->Throw();
            return Level::Notify;
        }
        if (Mode == kRIClear) {
            Save();
            Pairs.ClearRight();
            return CascadeUpdates();
        }
        if (Relations) {
            for (auto& r : *Relations) {
                if (r.DeleteMode == kRINone) continue;
                const Level l = r.File->DeleteSecondary(r.HisKey, *r.Fields, r.DeleteMode);
                if (l != Level::Benign) return l;
            }
        }
        if (Me->DeleteRecord(1) != Level::Benign) {
            Me->SetError(11);
            rollbackFrame();
            (void)Me->Throw();
            return Level::Notify;
        }
        return Level::Benign;
    });
}

Level RelationManager::UpdateSecondary(const storage::KeyDecl* Key, BufferedPairsClass& Pairs,
                                       uint8_t Mode) {
    if (Mode < kRIClear || Mode > kRICascade) {
        KW_ASSERT_FAIL("Invalid RI mode specified");
        return Level::Notify;
    }
    if (!Pairs.HasBuffer()) return Level::Benign;  // no old values: nothing to follow
    return walkRelated(Key, Pairs, true, [&]() -> Level {
        if (Mode == kRIRestrict) {
            Me->SetError(31);
            rollbackFrame();
            (void)Me->Throw();
            Pairs.AssignBufferToLeft();
            return Level::Notify;
        }
        Save();
        if (Mode == kRIClear)
            Pairs.ClearRight();
        else
            Pairs.AssignLeftToRight();
        return CascadeUpdates();
    });
}

Level RelationManager::CascadeUpdates() {
    if (!Me) return Level::Notify;
    if (Relations) {
        for (auto& r : *Relations) {
            if (r.UpdateMode == kRINone || r.Fields->EqualLeftBuffer()) continue;
            if (r.File->UpdateSecondary(r.HisKey, *r.Fields, r.UpdateMode) != Level::Benign) {
                r.Fields->AssignBufferToLeft();
                return Level::Notify;
            }
        }
    }
    if (Me->TryUpdate() != Level::Benign) {
        rollbackFrame();
        const Level l = Me->Throw();
        return l == Level::Benign ? Level::Notify : l;
    }
    return Level::Benign;
}

}  // namespace kw
