#include "framework/data/relation_manager.h"

namespace kw {

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

}  // namespace kw
