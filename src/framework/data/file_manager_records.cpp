// FileManager: reading, adding, changing and deleting records; validation; priming.
#include <cstring>

#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "runtime/assertion.h"
#include "runtime/last_error.h"

namespace kw {

template <class Op>
bool FileManager::viaAlias(Op op) {
    FileManager* alias = AliasedFile;
    if (!alias) return false;
    if (alias->AliasedFile) {
        KW_ASSERT_FAIL("Cannot have alias based upon an alias");
        return false;
    }
    void* mine = Buffer.get();
    void* theirs = alias->Buffer.get();
    if (!mine || !theirs || Buffer.length != alias->Buffer.length) return false;
    std::string keep(static_cast<const char*>(theirs), alias->Buffer.length);
    std::memcpy(theirs, mine, Buffer.length);
    op(*alias);
    std::memcpy(mine, theirs, Buffer.length);
    std::memcpy(theirs, keep.data(), keep.size());
    return true;
}

// --- reading ----------------------------------------------------------------------

Level FileManager::TryFetch(const storage::KeyDecl& Key) {
    if (UseFile(kUseRecord) != Level::Benign) return Level::Fatal;
    const int number = SetKey(Key);
    if (number == 0) return Level::Notify;
    return File->get(number).ok() ? Level::Benign : Level::Notify;
}

Level FileManager::Fetch(const storage::KeyDecl& Key) {
    const Level l = TryFetch(Key);
    if (l != Level::Benign) field::clearRecord(Table());
    return l;
}

Level FileManager::Next() {
    return NextServer(1, false);
}
Level FileManager::TryNext() {
    return NextServer(0, false);
}
Level FileManager::Previous() {
    return NextServer(1, true);
}
Level FileManager::TryPrevious() {
    return NextServer(0, true);
}

Level FileManager::NextServer(uint8_t HandleError, bool Backward) {
    if (UseFile(kUseRecord) != Level::Benign) return Level::Fatal;
    FileThreadInfo& info = SetThread();
    for (;;) {
        info.AtEOF = 0;
        const storage::Status st = Backward ? File->previous() : File->next();
        if (st.ok()) return Level::Benign;
        if (st.code == storage::kRecordNotAvailable) {
            info.AtEOF = 1;
            return Level::Notify;
        }
        if (st.code == storage::kRecordHeld) {
            if (SkipHeldRecords) continue;
            SetError(28);
            return HandleError ? Throw() : Level::Notify;
        }
        SetError(1);
        return HandleError ? Throw() : Level::Fatal;
    }
}

std::string FileManager::Position() {
    return File ? File->position(PrimaryKey) : std::string();
}

Level FileManager::TryReget(const std::string& Pos) {
    if (UseFile(kUseRecord) != Level::Benign) return Level::Notify;
    return File->reget(PrimaryKey, Pos).ok() ? Level::Benign : Level::Notify;
}

// --- writing ----------------------------------------------------------------------

Level FileManager::Insert() {
    return InsertServer(1);
}
Level FileManager::TryInsert() {
    return InsertServer(0);
}
Level FileManager::Update() {
    return UpdateServer(1);
}
Level FileManager::TryUpdate() {
    return UpdateServer(0);
}

bool FileManager::duplicates(const KeyEntry& k) {
    if (k.Dups || !File) return false;
    void* rec = Buffer.get();
    if (!rec) return false;
    std::string keep(static_cast<const char*>(rec), Buffer.length);
    const int state = File->saveState();
    const bool found = File->get(k.Number).ok();
    std::memcpy(rec, keep.data(), keep.size());
    (void)File->restoreState(state);
    File->freeState(state);
    return found;
}

Level FileManager::InsertServer(uint8_t HandleError) {
    if (UseFile(kUseRecord) != Level::Benign) return Level::Fatal;
    int failed = 0;
    if (ValidateRecord(failed) != Level::Benign) return Level::Notify;
    FileThreadInfo& info = SetThread();
    storage::Status st;
    if (!HasAutoInc) {
        st = observedWrite(WriteOperation::Insert, [this] { return File->add(); });
    } else {
        if (!info.AutoIncDone) {
            const Level l = HandleError ? PrimeAutoInc() : TryPrimeAutoInc();
            if (l != Level::Benign) return Level::Notify;
        }
        // Over the record that priming added to take the number: the record's insert.
        st = observedWrite(WriteOperation::Insert, [this] { return File->put(); });
    }
    if (st.ok()) {
        info.AutoIncDone = 0;
        info.LastInserted = File->currentRecord();
        return Level::Benign;
    }
    if (st.code == storage::kDuplicateKey) {
        SetError(13);
        if (!HandleError) return Level::Notify;
        // Finding the key reads the file; the refused write's error is what the
        // message shows.
        const last_error::Snapshot refused = last_error::get();
        std::string description;
        if (Keys) {
            for (const KeyEntry& k : *Keys) {
                if (duplicates(k)) {
                    description = k.Description.clip();
                    break;
                }
            }
        }
        last_error::restore(refused);
        (void)ThrowMessage(13, description);
        return Level::Notify;
    }
    SetError(4);
    return HandleError ? Throw() : Level::Notify;
}

Level FileManager::UpdateServer(uint8_t HandleError) {
    if (UseFile(kUseRecord) != Level::Benign) return Level::Fatal;
    int failed = 0;
    if (ValidateRecord(failed) != Level::Benign) return Level::User;
    const std::string pos = Position();
    const storage::Status st =
        observedWrite(WriteOperation::Update, [this] { return File->put(); });
    if (st.ok()) return Level::Benign;
    if (st.code == storage::kRecordChanged) {
        SetError(HandleError == 2 ? 7 : 6);
        if (HandleError) (void)Throw();
        (void)TryReget(pos);  // the other station's version into the buffer
        return Level::Notify;
    }
    SetError(25);
    return HandleError ? Throw() : Level::Notify;
}

Level FileManager::DeleteRecord(uint8_t) {
    if (UseFile(kUseRecord) != Level::Benign) return Level::Notify;
    return observedWrite(WriteOperation::Delete, [this] { return File->remove(); }).ok()
               ? Level::Benign
               : Level::Notify;
}

Level FileManager::Deleted() {
    return Level::Benign;
}

// --- validation and priming ----------------------------------------------------------

Level FileManager::ValidateFieldServer(int Id, uint8_t HandleErrors) {
    Level l = Level::Benign;
    if (viaAlias([&](FileManager& a) { l = a.ValidateFieldServer(Id, HandleErrors); })) return l;
    return Level::Benign;
}

Level FileManager::ValidateField(int Id) {
    return ValidateFieldServer(Id, 1);
}
Level FileManager::TryValidateField(int Id) {
    return ValidateFieldServer(Id, 0);
}

Level FileManager::ValidateFields(int Low, int High, int& FailedField) {
    Level l = Level::Benign;
    if (viaAlias([&](FileManager& a) { l = a.ValidateFields(Low, High, FailedField); })) return l;
    for (int i = Low; i <= High; ++i) {
        l = ValidateField(i);
        if (l != Level::Benign) {
            FailedField = i;
            return l;
        }
    }
    return Level::Benign;
}

Level FileManager::ValidateRecord(int& FailedField) {
    Level l = Level::Benign;
    if (viaAlias([&](FileManager& a) { l = a.ValidateRecord(FailedField); })) return l;
    return ValidateFields(1, static_cast<int>(Table().fields.size()), FailedField);
}

void FileManager::PrimeFields() {}

Level FileManager::PrimeRecord(uint8_t SuppressClear) {
    Level l = Level::Benign;
    if (viaAlias([&](FileManager& a) { l = a.PrimeRecord(SuppressClear); })) return l;
    if (!SuppressClear) field::clearRecord(Table());
    PrimeFields();
    if (HasAutoInc) {
        SetThread().AutoIncDone = 0;
        return PrimeAutoInc();
    }
    return Level::Benign;
}

}  // namespace kw
