// FileManager: the misuse checks the runtime triggers around operations on the FILE,
// and the binding of the record's fields for expressions.
#include "framework/data/file_manager.h"
#include "runtime/assertion.h"

namespace kw {

namespace {

// The calling thread's status without creating an entry for it.
bool threadStatus(const std::map<int32_t, FileThreadInfo>* info, int32_t id, FileThreadInfo& out) {
    if (!info) return false;
    auto it = info->find(id);
    if (it == info->end()) return false;
    out = it->second;
    return true;
}

}  // namespace

void FileManager::FunctionCalled(FileFunction Op) {
    if (InCallback.exchange(1)) return;
    FileThreadInfo info;
    bool known;
    {
        std::lock_guard lock(mu_);
        known = threadStatus(Info.get(), thread(), info);
    }
    const bool open = known && info.Opened > 0;
    if (Op == FileFunction::Close && !InClose && open) {
        KW_ASSERT_FAIL("You are calling CLOSE(" + GetName() + ") instead of FileManager.Close()");
    } else if (Op == FileFunction::Release) {
        if (open)
            KW_ASSERT_FAIL("You have not called FileManager.Close() for " + GetName());
        else
            CleanUp();
    }
    InCallback = 0;
}

void FileManager::FunctionDone(FileFunction, int ErrorCode) {
    if (ErrorCode != storage::kFileNotOpen || !LazyOpen) return;
    if (InCallback.exchange(1)) return;
    FileThreadInfo info;
    bool known;
    {
        std::lock_guard lock(mu_);
        known = threadStatus(Info.get(), thread(), info);
    }
    if (known && info.Opened > 0 && !info.Used)
        KW_ASSERT_FAIL("You have not called FileManager.UseFile() for " + GetName());
    InCallback = 0;
}

void FileManager::BindFields() {
    std::lock_guard lock(mu_);
    if (!Fields || !File || !Fields->empty()) return;
    const storage::TableDecl& t = File->decl();
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
        const storage::FieldDecl& f = t.fields[i];
        Fields->push_back(
            FieldBinding{t.label + ":" + f.name, static_cast<int>(i + 1), f.type, f.picture});
    }
}

}  // namespace kw
