// RelationManager: set-up, relations, opening and closing in cascade passes, the
// transaction enrolment and quick-scan.
#include "framework/data/relation_manager.h"

#include <algorithm>

#include "framework/data/file_manager.h"
#include "framework/data/transaction_frame.h"
#include "runtime/assertion.h"

namespace kw {

namespace {

std::atomic<int32_t> g_passes{0};

// The cascade pass of the calling thread and the managers it visited.
struct Pass {
    int32_t number = 0;
    std::vector<const RelationManager*> visited;
};
thread_local Pass t_pass;

void newPass() {
    t_pass.number = ++g_passes;
    t_pass.visited.clear();
}

// Marks the manager visited in this pass; false when it was already.
bool visit(const RelationManager* rm) {
    if (std::find(t_pass.visited.begin(), t_pass.visited.end(), rm) != t_pass.visited.end())
        return false;
    t_pass.visited.push_back(rm);
    return true;
}

}  // namespace

void RelationManager::Init(FileManager& me, uint8_t useLogout) {
    Me = &me;
    Relations = std::make_unique<std::vector<RelationEntry>>();
    UseLogout = useLogout;
}

void RelationManager::Kill() {
    if (Relations) {
        for (auto& r : *Relations) r.Fields.reset();
        Relations.reset();
    }
}

void RelationManager::AddRelation(RelationManager& File, uint8_t UpdateMode, uint8_t DeleteMode,
                                  const storage::KeyDecl* HisKey) {
    if (!Relations) {
        KW_ASSERT_FAIL("Relation manager incorrectly initialized.");
        return;
    }
    RelationEntry e;
    e.File = &File;
    e.Fields = std::make_shared<BufferedPairsClass>();
    e.HisKey = HisKey;
    e.UpdateMode = UpdateMode;
    e.DeleteMode = DeleteMode;
    Relations->push_back(std::move(e));
}

void RelationManager::AddRelationLink(std::string_view Left, std::string_view Right) {
    if (!Relations || Relations->empty() || !Me || !Relations->back().File->Me) {
        KW_ASSERT_FAIL("Relation manager incorrectly initialized.");
        return;
    }
    RelationEntry& r = Relations->back();
    const storage::TableDecl& mine = Me->Table();
    const storage::TableDecl& his = r.File->Me->Table();
    const int left = mine.fieldNumber(std::string(Left));
    const int right = his.fieldNumber(std::string(Right));
    if (left == 0 || right == 0) {
        KW_ASSERT_FAIL("Relation link field not found: " + std::string(left == 0 ? Left : Right));
        return;
    }
    r.Fields->AddPair(FieldRef{&mine, left}, FieldRef{&his, right});
}

Level RelationManager::Open(uint8_t Cascading) {
    return OpenCloseServer(Cascading, 1);
}

Level RelationManager::Close(uint8_t Cascading) {
    return OpenCloseServer(Cascading, 0);
}

Level RelationManager::OpenCloseServer(uint8_t Cascading, uint8_t Opening) {
    if (!Cascading) newPass();
    if (!visit(this)) return Level::Benign;
    LastTouched = t_pass.number;
    if (!Relations || !Me) {
        KW_ASSERT_FAIL("Relation manager incorrectly initialized.");
        return Level::Notify;
    }
    Level l = Opening ? Me->Open() : Me->Close();
    if (Opening && !Cascading && l == Level::Benign) l = Me->UseFile(kUseRecord);
    for (std::size_t i = 0; l == Level::Benign && i < Relations->size(); ++i) {
        RelationManager* other = (*Relations)[i].File;
        l = Opening ? other->Open(1) : other->Close(1);
    }
    return l;
}

Level RelationManager::CancelAutoInc() {
    return Me ? Me->CancelAutoInc(this) : Level::Notify;
}

void RelationManager::Save() {
    if (!Relations) return;
    for (auto& r : *Relations) r.Fields->AssignLeftToBuffer();
}

void RelationManager::SetQuickScan(uint8_t On, uint8_t Propagate) {
    newPass();
    quickScan(On, Propagate);
}

void RelationManager::quickScan(uint8_t On, uint8_t Propagate) {
    if (!visit(this)) return;
    LastTouched = t_pass.number;
    if (Me && Me->File) (void)Me->File->send(On ? "QUICKSCAN=on" : "QUICKSCAN=off");
    if (!Propagate || !Relations) return;
    for (auto& r : *Relations)
        if ((Propagate == 1 && !r.HisKey) || (Propagate == 2 && r.HisKey))
            r.File->quickScan(On, Propagate);
}

// --- transaction enrolment ----------------------------------------------------------

Level RelationManager::LogoutPrime() {
    if (!Me || !Me->File) return Level::Notify;
    if (Me->UseFile(kUseRecord) != Level::Benign) return Level::Notify;
    if (!UseLogout) return Level::Benign;
    const storage::Status st = transaction::Enrol(*Me->File);
    if (st.ok()) return Level::Benign;
    if (st.code == storage::kUnsupportedFunction) {
        UseLogout = 0;
        KW_ASSERT_FAIL("Driver does not support transaction framing.");
        return Level::Benign;
    }
    (void)Me->Throw(21);
    return Level::Notify;
}

Level RelationManager::logout(bool forDelete) {
    if (!visit(this)) return Level::Benign;
    Level l = LogoutPrime();
    if (l != Level::Benign || !Relations) return l;
    for (auto& r : *Relations) {
        const uint8_t mode = forDelete ? r.DeleteMode : r.UpdateMode;
        if (mode == kRICascade)
            l = r.File->logout(forDelete);
        else if (mode == kRIClear)
            l = r.File->logout(false);
        if (l != Level::Benign) return l;
    }
    return Level::Benign;
}

Level RelationManager::LogoutDelete() {
    newPass();
    return logout(true);
}

Level RelationManager::LogoutUpdate() {
    newPass();
    return logout(false);
}

}  // namespace kw
