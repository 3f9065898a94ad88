// Transactions over several tables: one decision for all of them.
//
// Each table keeps its own journal, so the tables of a transaction cannot commit it in
// one write. The last table (the coordinator) decides: its commit record, written
// before any other, names the other tables; their records of the transaction name the
// coordinator. A station killed between the decision and the other tables' commits
// leaves them the transaction open; their recovery asks the coordinator's journal and
// keeps the transaction when it holds the commit. The coordinator keeps a decision that
// a table still holds open across its checkpoints (it is written again into the new
// generation), so that the answer is there whenever that table recovers.
//
// The other tables' commits are written without waiting for the disk: until the
// coordinator's journal forgets the decision it answers for them, and before it does
// (its checkpoint) their journals are synced. The coordinator's last record of the
// transaction can itself be the decision (File::addAndCommit): a transaction over a
// pledge and its audit entry, the entry added last, waits for two writes to reach the
// disk (the pledge's record, and the entry's with the decision) instead of four.
#include <algorithm>
#include <map>

#include "storage/file_impl.h"

namespace kw::storage {

namespace {

std::vector<std::string> splitNote(const std::string& note) {
    std::vector<std::string> names;
    std::size_t from = 0;
    while (from <= note.size()) {
        const auto nl = note.find('\n', from);
        const std::string name =
            note.substr(from, nl == std::string::npos ? std::string::npos : nl - from);
        if (!name.empty()) names.push_back(name);
        if (nl == std::string::npos) break;
        from = nl + 1;
    }
    return names;
}

bool contains(const std::vector<uint32_t>& v, uint32_t x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

// The transactions of the live records in table `base`'s journal (none when it cannot
// be read); with `synced`, the records are synced to the disk first and it says whether
// that worked.
void transactionsIn(FileSystem& fs, const std::string& base, std::vector<uint32_t>& committed,
                    std::vector<uint32_t>& open, bool* synced = nullptr) {
    committed.clear();
    open.clear();
    Journal j;
    if (!j.open(fs, base + ".LOG", false).ok()) return;
    if (synced) *synced = j.sync().ok();
    j.transactions(j.head().generation, committed, open);
}

}  // namespace

std::string frameName(const std::string& target, const std::string& base) {
    if (directoryOf(target) != directoryOf(base)) return target;
    const auto slash = target.rfind('/');
    return slash == std::string::npos ? target : target.substr(slash + 1);
}

std::string framePath(const std::string& name, const std::string& base) {
    if (name.find('/') != std::string::npos) return name;
    const std::string dir = directoryOf(base);
    return base.find('/') == std::string::npos ? name : dir + (dir == "/" ? "" : "/") + name;
}

bool committedAt(FileSystem& fs, const std::string& base, uint32_t txn) {
    std::vector<uint32_t> committed, open;
    transactionsIn(fs, base, committed, open);
    return contains(committed, txn);
}

std::string decisionNote(const Transaction& t) {
    const File::State& coordinator = *t.files.back().second;
    std::string note;
    for (std::size_t i = 0; i + 1 < t.files.size(); ++i)
        note += (note.empty() ? "" : "\n") +
                frameName(t.files[i].second->sh->base, coordinator.sh->base);
    return note;
}

Status commitFrame(Transaction& t, bool decided) {
    File::State& coordinator = *t.files.back().second;
    if (!decided) {
        // Nothing is decided until this record is on the disk: the caller rolls back.
        Status st = closeTransaction(coordinator, RecordKind::Commit, decisionNote(t));
        if (!st.ok()) return finish(coordinator, Status::error(kUnableToLogTransaction));
    }
    bool allClosed = true;
    for (std::size_t i = 0; i + 1 < t.files.size(); ++i) {
        File::State& s = *t.files[i].second;
        if (!closeTransaction(s, RecordKind::Commit, {}, false).ok()) {
            // Decided all the same: the table keeps the transaction marked open, and
            // its next writer keeps it on the coordinator's word.
            leaveTransaction(s);
            allClosed = false;
        }
    }
    // The coordinator's mark goes last: until every table has its commit, a station
    // that finds it knows to keep the decision.
    if (allClosed && coordinator.frameMarked) (void)coordinator.log.writeFrame(0);
    coordinator.keepRoomAfterTransaction();
    leaveTransaction(coordinator);
    t.files.clear();
    return Status::okay();
}

// The decisions of the journal's live generation that a table they name still holds
// open (its station died before that table's commit).
std::vector<std::pair<uint32_t, std::string>> File::State::decisionsStillNeeded() {
    std::vector<std::pair<uint32_t, std::string>> decided, needed;
    std::vector<uint32_t> committed, open;
    log.transactions(opHead.generation, committed, open, &decided);
    struct Held {
        std::vector<uint32_t> open;
        bool synced = true;  // else every decision naming it is kept
    };
    std::map<std::string, Held> held;
    for (const auto& [txn, note] : decided) {
        for (const std::string& name : splitNote(note)) {
            const std::string path = framePath(name, sh->base);
            auto it = held.find(path);
            if (it == held.end()) {
                Held h;
                std::vector<uint32_t> closed;
                transactionsIn(*sh->fs, path, closed, h.open, &h.synced);
                it = held.emplace(path, std::move(h)).first;
            }
            if (!it->second.synced || contains(it->second.open, txn)) {
                needed.emplace_back(txn, note);
                break;
            }
        }
    }
    return needed;
}

}  // namespace kw::storage
