#include "cashdesk/auditor.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/real.h"
#include "shell/audit_stamp.h"
#include "shell/globals.h"

namespace kw::cashdesk {

namespace {

using storage::Status;

bool is(const storage::TableDecl& t, std::string_view label) {
    return t.label == label;
}

const storage::FieldDecl* field(const storage::TableDecl& t, std::string_view name) {
    for (const auto& f : t.fields)
        if (f.name == name) return &f;
    return nullptr;
}

template <class Record>
Record image(const uint8_t* bytes) {
    Record r{};
    if (bytes) std::memcpy(&r, bytes, sizeof r);
    return r;
}

std::string unquoted(std::string s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

// The values of the table's first key ("/" between components); "#record" without one.
std::string firstKeyText(const WriteNotice& n) {
    const storage::TableDecl& t = *n.table;
    const uint8_t* rec = n.after ? n.after : n.before;
    std::string out;
    if (!t.keys.empty()) {
        for (int c : t.keys[0].components) {
            if (c < 1 || c > static_cast<int>(t.fields.size())) continue;
            if (!out.empty()) out += "/";
            out += unquoted(audit::fieldText(t.fields[c - 1], rec));
        }
    }
    return out.empty() ? "#" + std::to_string(n.record) : out;
}

std::string dayText(int32_t day) {
    if (day <= 0) return std::string();
    const auto d = date::toYmd(day);
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day, d.month, d.year);
    return text;
}

// Inserts and deletes list the record's values that are not empty; changes the fields
// that differ. `skip` names a field whose value never appears (a password).
std::string changeText(const WriteNotice& n, std::string_view skip = {}) {
    const storage::TableDecl& t = *n.table;
    std::vector<uint8_t> blank(t.recordSize, 0);
    for (const auto& f : t.fields)
        if (f.type == storage::FieldType::String) std::memset(blank.data() + f.offset, ' ', f.size);
    std::vector<uint8_t> before(n.before ? n.before : blank.data(),
                                (n.before ? n.before : blank.data()) + t.recordSize);
    std::vector<uint8_t> after(n.after ? n.after : blank.data(),
                               (n.after ? n.after : blank.data()) + t.recordSize);
    bool hiddenChanged = false;
    if (const storage::FieldDecl* f = skip.empty() ? nullptr : field(t, skip)) {
        hiddenChanged =
            n.before && n.after && std::memcmp(&before[f->offset], &after[f->offset], f->size) != 0;
        std::memcpy(&after[f->offset], &before[f->offset], f->size);
    }
    // Either side is empty for an insert or a delete: the other side's values are what
    // the entry keeps.
    std::string text = audit::changes(t, before.data(), after.data());
    if (hiddenChanged) text += (text.empty() ? "" : "; ") + W("пароль изменён");
    return text;
}

audit::Kind pledgeKind(const WriteNotice& n, std::string& prefix) {
    if (n.operation == WriteOperation::Insert) return audit::Kind::NewPledge;
    if (n.operation == WriteOperation::Delete) return audit::Kind::PledgeDeleted;
    const auto before = image<dict::ZalRecord>(n.before);
    const auto after = image<dict::ZalRecord>(n.after);
    if (after.SOST == before.SOST) return audit::Kind::PledgeChanged;
    if (after.SOST < before.SOST) {
        prefix = W("Откат к состоянию ") + std::to_string(after.SOST);
        return audit::Kind::RolledBack;
    }
    switch (after.SOST) {
        case 1:
            return audit::Kind::Prolongation1;
        case 2:
            return audit::Kind::Prolongation2;
        case 3:
            return audit::Kind::Prolongation3;
        case 4:
            return audit::Kind::Redemption;
        case 5:
            return audit::Kind::Sale;
        default:
            return audit::Kind::PledgeDeleted;
    }
}

bool dayOpen(const dict::DayRecord& d) {
    return real::isZero(d.KAS) && real::isZero(d.OBO);
}

// Whether only KBP's running cash counters differ.
bool countersOnly(const WriteNotice& n) {
    if (n.operation != WriteOperation::Update) return false;
    auto before = image<dict::KbpRecord>(n.before);
    auto after = image<dict::KbpRecord>(n.after);
    after.KAS_P = before.KAS_P;
    after.KAS_R = before.KAS_R;
    return std::memcmp(&before, &after, sizeof before) == 0;
}

template <class Kinds>
audit::Kind byOperation(const WriteNotice& n, Kinds kinds) {
    return kinds[static_cast<int>(n.operation)];
}

Auditor g_auditor;

// The entries of the thread's frame, kept back until it commits.
thread_local std::vector<audit::Entry> t_kept;

}  // namespace

bool Auditor::Observes(const storage::TableDecl& t) {
    static const char* const observed[] = {"ZAL", "KLM", "DAY", "KBP", "PRM", "PSK",
                                           "SEC", "MET", "PRB", "KAM", "IZD", "PKL"};
    for (const char* label : observed)
        if (t.label == label) return true;
    return false;
}

storage::File* Auditor::Companion() {
    return shell::auditJournal();
}

bool Auditor::classify(const WriteNotice& n, audit::Entry& e) {
    using K = audit::Kind;
    const storage::TableDecl& t = *n.table;
    e.table = t.label;
    std::string prefix;
    if (is(t, "ZAL")) {
        e.kind = pledgeKind(n, prefix);
        e.key = std::to_string(image<dict::ZalRecord>(n.after ? n.after : n.before).N_KV);
    } else if (is(t, "KLM")) {
        e.kind = byOperation(n, std::array{K::JournalAdded, K::JournalChanged, K::JournalDeleted});
        e.key = dayText(image<dict::KlmRecord>(n.after ? n.after : n.before).DATA) + " #" +
                std::to_string(n.record);
    } else if (is(t, "DAY")) {
        const auto day = image<dict::DayRecord>(n.after ? n.after : n.before);
        e.kind = n.operation == WriteOperation::Insert   ? K::DayOpened
                 : n.operation == WriteOperation::Delete ? K::ReferenceChanged
                 : dayOpen(day)                          ? K::DayReopened
                                                         : K::DayClosed;
        e.key = dayText(day.DATA);
    } else if (is(t, "KBP") || is(t, "PRM") || is(t, "PSK")) {
        if (is(t, "KBP") && countersOnly(n)) return false;
        e.kind = K::SettingsChanged;
        e.key = firstKeyText(n);
    } else if (is(t, "SEC")) {
        e.kind = byOperation(n, std::array{K::UserAdded, K::UserChanged, K::UserDeleted});
        e.key = std::to_string(image<dict::SecRecord>(n.after ? n.after : n.before).K_POL);
        e.text = changeText(n, "PAROL");
        return true;
    } else {
        e.kind = K::ReferenceChanged;
        e.key = firstKeyText(n);
    }
    e.text = changeText(n);
    if (!prefix.empty()) e.text = e.text.empty() ? prefix : prefix + "; " + e.text;
    return true;
}

Status Auditor::Written(const WriteNotice& n) {
    audit::Entry e;
    if (!classify(n, e)) return Status::okay();
    if (is(*n.table, "SEC")) shell::forgetUserNames();
    shell::stampAuditEntry(e, KOD);
    t_kept.push_back(std::move(e));
    return Status::okay();
}

Status Auditor::Committing(bool mayCommit, bool& committed) {
    committed = false;
    std::vector<audit::Entry> entries;
    entries.swap(t_kept);
    if (entries.empty()) return Status::okay();
    storage::File* aud = Companion();
    if (!aud) return Status::error(storage::kFileNotOpen);
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        Status st = audit::append(*aud, entries[i]);
        if (!st.ok()) return st;
    }
    if (!mayCommit) return audit::append(*aud, entries.back());
    Status st = audit::appendAndCommit(*aud, entries.back());
    committed = st.ok();
    return st;
}

void Auditor::Forget() {
    t_kept.clear();
}

void installAuditor() {
    (void)write_observer::install(&g_auditor);
}

void removeAuditor() {
    if (write_observer::current() == &g_auditor) (void)write_observer::install(nullptr);
}

}  // namespace kw::cashdesk
