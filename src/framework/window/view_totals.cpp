#include "framework/window/view_totals.h"

#include <cstring>
#include <vector>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/view_manager.h"

namespace kw {

bool ForEachInView(ViewManager& view, const std::function<void()>& perRecord) {
    if (!view.View || !view.Primary || !view.Primary->Me || !view.Primary->Me->File) return false;
    view.Open();
    const storage::TableDecl& t = view.Primary->Me->File->decl();
    auto* buffer = static_cast<uint8_t*>(t.buffer());
    const std::vector<uint8_t> saved(buffer, buffer + t.recordSize);
    (void)view.View->setStart();
    Level l;
    while ((l = view.Next()) == Level::Benign) perRecord();
    std::memcpy(buffer, saved.data(), saved.size());
    (void)view.View->setStart();
    return l != Level::Fatal;
}

}  // namespace kw
