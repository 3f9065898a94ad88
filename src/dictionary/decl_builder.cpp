#include "dictionary/decl_builder.h"

namespace kw::dict::detail {

storage::KeyDecl makeKey(const char* name, const char* description,
                         std::initializer_list<int> components, bool dup) {
    storage::KeyDecl k;
    k.name = name;
    k.description = description;
    k.components = components;
    k.dup = dup;
    k.nocase = true;
    k.opt = true;
    return k;
}

storage::TableDecl makeTable(const char* label, const char* messageName, std::size_t recordSize,
                             void* (*buffer)()) {
    storage::TableDecl t;
    t.label = label;
    t.diskName = label;
    t.messageName = messageName;
    t.recordSize = recordSize;
    t.create = true;
    t.reclaim = true;
    t.thread = true;
    t.oem = true;
    t.buffer = buffer;
    return t;
}

}  // namespace kw::dict::detail
