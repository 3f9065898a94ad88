// FileManager: writes told to the write observer, inside the frame that carries them.
#include <cstring>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/data/transaction_frame.h"
#include "runtime/last_error.h"

namespace kw {

namespace {

// Rolls back the frame this write began, keeping the write's error for the message.
void rollbackKeepingError() {
    const last_error::Snapshot kept = last_error::get();
    (void)transaction::Rollback();
    last_error::restore(kept);
}

}  // namespace

storage::Status FileManager::readStored(std::string& image) {
    uint8_t* rec = File->buffer();
    const std::size_t size = File->decl().recordSize;
    std::string keep(reinterpret_cast<const char*>(rec), size);
    const int state = File->saveState();
    const storage::Status st = File->getRecord(File->currentRecord());
    if (st.ok()) image.assign(reinterpret_cast<const char*>(rec), size);
    std::memcpy(rec, keep.data(), size);
    (void)File->restoreState(state);
    File->freeState(state);
    return st;
}

storage::Status FileManager::observedWrite(WriteOperation op,
                                           const std::function<storage::Status()>& write) {
    WriteObserver* observer = write_observer::current();
    if (!observer || write_observer::quiet() || !observer->Observes(Table())) return write();
    const bool ownFrame = !transaction::Active();
    if (ownFrame) {
        storage::Status st = transaction::Enrol(*File);
        if (st.ok()) st = transaction::Begin(kTransactionWait);
        if (!st.ok()) {
            transaction::Discard();
            return st;
        }
    }
    // The image before is read inside the frame: no other station can change the
    // record between it and the write.
    std::string before;
    if (op != WriteOperation::Insert) {
        const storage::Status st = readStored(before);
        if (!st.ok()) {
            if (ownFrame) rollbackKeepingError();
            return st;
        }
    }
    const uint32_t stored = File->currentRecord();
    storage::Status st = write();
    if (st.ok()) {
        WriteNotice notice;
        notice.table = &Table();
        notice.operation = op;
        notice.before = op == WriteOperation::Insert
                            ? nullptr
                            : reinterpret_cast<const uint8_t*>(before.data());
        notice.after = op == WriteOperation::Delete ? nullptr : File->buffer();
        notice.record = op == WriteOperation::Insert ? File->currentRecord() : stored;
        st = observer->Written(notice);
    }
    if (!ownFrame) return st;
    if (!st.ok()) {
        rollbackKeepingError();
        return st;
    }
    st = transaction::Commit();
    if (!st.ok()) rollbackKeepingError();
    return st;
}

}  // namespace kw
