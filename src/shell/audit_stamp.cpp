#include "shell/audit_stamp.h"

#include <mutex>
#include <utility>
#include <vector>

#include "dictionary/sec.h"
#include "framework/data/dct_init.h"
#include "framework/data/file_manager.h"
#include "runtime/clock.h"
#include "runtime/host.h"

namespace kw::shell {

namespace {

const std::string& hostName() {
    static const std::string name = host::name();
    return name;
}

std::mutex g_namesMu;
std::vector<std::pair<uint8_t, std::string>> g_names;

std::string userName(uint8_t code) {
    {
        std::lock_guard lock(g_namesMu);
        for (const auto& [c, name] : g_names)
            if (c == code) return name;
    }
    std::string name;
    FileManager* sec = Access::SEC;
    if (sec && sec->File && (sec->File->isOpen() || sec->OpenFile(0) == Level::Benign)) {
        const dict::SecRecord keep = SEC;
        const int state = sec->File->saveState();
        SEC = dict::SecRecord{};
        SEC.K_POL = code;
        if (sec->File->get(1).ok()) name = std::string(SEC.FIO.clip());
        SEC = keep;
        if (!sec->File->restoreState(state).ok()) name.clear();  // cannot fail: saved just above
        sec->File->freeState(state);
    }
    std::lock_guard lock(g_namesMu);
    g_names.emplace_back(code, name);
    return name;
}

}  // namespace

void stampAuditEntry(audit::Entry& e, uint8_t code) {
    e.date = clock::today();
    e.time = clock::clockTime();
    e.user = code;
    e.userName = userName(code);
    e.host = hostName();
}

void forgetUserNames() {
    std::lock_guard lock(g_namesMu);
    g_names.clear();
}

storage::File* auditJournal() {
    FileManager* aud = Access::AUD;
    if (!aud || !aud->File) return nullptr;
    if (!aud->File->isOpen() && aud->OpenFile(0) != Level::Benign) return nullptr;
    return aud->File;
}

storage::Status auditLoginRefused(uint8_t code, std::string_view whatCp1251) {
    storage::File* aud = auditJournal();
    if (!aud) return storage::Status::error(storage::kFileNotOpen);
    audit::Entry e;
    e.kind = audit::Kind::LoginRefused;
    e.table = "SEC";
    e.key = std::to_string(code);
    e.text = std::string(whatCp1251);
    stampAuditEntry(e, code);
    return audit::append(*aud, e);
}

}  // namespace kw::shell
