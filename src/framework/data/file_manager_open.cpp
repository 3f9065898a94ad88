// FileManager: counted, lazy opening; the open attempts; closing.
#include <string>

#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "framework/data/files_manager.h"
#include "runtime/assertion.h"

namespace kw {

namespace {
constexpr int kOpenAttempts = 2;
}  // namespace

Level FileManager::Open() {
    return OpenServer(1, 0);
}

Level FileManager::TryOpen() {
    return OpenServer(0, 0);
}

Level FileManager::OpenServer(uint8_t HandleError, uint8_t Force) {
    FileThreadInfo& info = SetThread();
    FilesManager.NoteOpen(*this);
    BindFields();
    if (Force || (!LazyOpen && info.Opened == 0)) {
        const Level l = OpenFile(HandleError);
        if (l != Level::Benign) return l;
    }
    if (info.Opened == INT16_MAX) {
        KW_ASSERT_FAIL("Unable to store thread specific file information.");
        return Level::Benign;
    }
    ++info.Opened;
    return Level::Benign;
}

// The mode of an attempt starts as OpenMode each time the file is opened: a file that
// had to be opened read-only once (another station had it locked) is tried for
// writing again the next time it is opened.
//
// The threads of this program open and create the file one at a time, so a thread
// never finds the file half created by another or creates it a second time.
Level FileManager::OpenFile(uint8_t HandleError) {
    FileThreadInfo& info = SetThread();
    if (!File) {
        SetError(23);
        return HandleError ? Throw() : Level::Notify;
    }
    int mode = OpenMode;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        storage::Status st, created;
        bool creating = false;
        {
            std::lock_guard lock(openMu_);
            st = File->open(mode);
            if (st.code == storage::kAccessDenied) {
                (void)File->send("Recover=" + std::to_string(LockRecover));
                st = File->open(mode);
            }
            if (st.code == storage::kFileNotFound && Create) {
                creating = true;
                created = File->create();
            }
        }
        if (st.ok() || st.code == storage::kFileAlreadyOpen) {
            info.Used = 1;
            info.AtEOF = 0;
            info.AutoIncDone = 0;
            return Level::Benign;
        }
        if (st.code == storage::kAccessDenied && (mode & 0x03) != storage::kAccessRead) {
            mode &= 0xF0;  // read-only, same sharing
            if (HandleError)
                (void)Throw(2);
            else
                SetError(2);
            continue;
        }
        if (creating) {
            if (created.ok()) continue;
            SetError(10);
            return HandleError ? Throw() : Level::Notify;
        }
        if (st.code == storage::kKeyFileMustBeRebuilt) {
            SetError(27);
            if (!HandleError) return Level::Notify;
            (void)Throw();
            storage::Status built;
            {
                std::lock_guard lock(openMu_);
                built = File->build();
            }
            if (!built.ok()) return Throw(26);
            continue;
        }
        break;
    }
    SetError(23);
    return HandleError ? Throw() : Level::Notify;
}

Level FileManager::UseFile(uint8_t Usage) {
    InUseFile = 1;
    FileThreadInfo& info = SetThread();
    Level result = Level::Benign;
    if (info.Opened == 0 && !info.Used) {
        // Nothing to note for a file this thread has not opened.
        result = Throw(39);
    } else {
        if (Usage != kUseNoNote) FilesManager.NoteUsage(*this, Usage);
        if (LazyOpen && !info.Used) {
            int16_t saved = SaveBuffer();
            result = OpenFile(1);
            RestoreBuffer(saved, 1);
        }
    }
    InUseFile = 0;
    return result;
}

Level FileManager::Close() {
    ++InClose;
    FileThreadInfo& info = SetThread();
    FilesManager.NoteClose(*this);
    if (info.Opened > 0 && --info.Opened == 0) {
        if (File) (void)File->close();
        info.Used = 0;
        info.AtEOF = 0;
    }
    --InClose;
    return Level::Benign;
}

}  // namespace kw
