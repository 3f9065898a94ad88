#include "framework/window/browse_procedure.h"

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"

namespace kw {

void BrowseProcedure::RowBrowse::SetQueueRecord() {
    owner_.BeforeRow();
    BrowseClass::SetQueueRecord();
}

void BrowseProcedure::RowBrowse::UpdateBuffer() {
    BrowseClass::UpdateBuffer();
    owner_.RowRead();
}

template <class F>
void BrowseProcedure::RowBrowse::refill(F&& load) {
    ++depth_;
    load();
    if (--depth_ == 0 && Loaded) owner_.Refilled();
}

void BrowseProcedure::RowBrowse::ResetQueue(uint8_t Mode) {
    refill([&] { BrowseClass::ResetQueue(Mode); });
}
void BrowseProcedure::RowBrowse::ResetFromView() {
    refill([&] { BrowseClass::ResetFromView(); });
}
void BrowseProcedure::RowBrowse::ResetFromFile() {
    refill([&] { BrowseClass::ResetFromFile(); });
}
void BrowseProcedure::RowBrowse::ResetFromBuffer() {
    refill([&] { BrowseClass::ResetFromBuffer(); });
}
void BrowseProcedure::RowBrowse::ResetFromAsk(uint8_t Request, uint8_t Response) {
    refill([&] { BrowseClass::ResetFromAsk(Request, Response); });
}

void BrowseProcedure::InitBrowse(int32_t ListControl, RelationManager& Primary,
                                 const storage::KeyDecl& Key, StepClass* Thumb) {
    view_ = std::make_unique<storage::View>(*Primary.Me->File);
    BRW1.Init(ListControl, view_.get(), Queue, Primary, *this);
    BRW1.AddSortOrder(Thumb, &Key);
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
