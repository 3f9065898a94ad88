#include "framework/window/browse_procedure.h"

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"

namespace kw {

void BrowseProcedure::RowBrowse::SetQueueRecord() {
    owner_.BeforeRow();
    BrowseClass::SetQueueRecord();
}

void BrowseProcedure::InitBrowse(int32_t ListControl, RelationManager& Primary, const storage::KeyDecl& Key) {
    view_ = std::make_unique<storage::View>(*Primary.Me->File);
    BRW1.Init(ListControl, view_.get(), Queue, Primary, *this);
    BRW1.AddSortOrder(nullptr, &Key);
}

uint8_t BrowseProcedure::Run(uint16_t Number, uint8_t Request) {
    GlobalRequest = Request;
    GlobalResponse = 0;
    if (!RunUpdate(Number)) {
        GlobalRequest = 0;
        return resp::Cancelled;
    }
    return GlobalResponse == 0 ? resp::Cancelled : GlobalResponse;
}

}  // namespace kw
