#include "framework/window/view_totals.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/view_manager.h"
#include "runtime/codepage.h"
#include "storage/error_codes.h"
#include "storage/view.h"

namespace kw {

namespace {

bool namedIn(const std::string& text, const std::string& name) {
    const std::string t = cp::upper(text), n = ":" + cp::upper(name);
    for (auto at = t.find(n); at != std::string::npos; at = t.find(n, at + 1)) {
        const std::size_t end = at + n.size();
        if (end == t.size() || !(std::isalnum(static_cast<unsigned char>(t[end])) || t[end] == '_'))
            return true;
    }
    return false;
}

// The byte ranges of the named fields, the view's order fields and those its filter
// names; none (the whole record) when a name is not a field of the table.
std::vector<storage::File::Span> spansRead(const storage::TableDecl& t, storage::View& v,
                                           const std::vector<std::string>& names) {
    std::vector<bool> read(t.fields.size(), false);
    for (const std::string& n : names) {
        const int number = t.fieldNumber(n);
        if (number == 0) return {};
        read[static_cast<std::size_t>(number - 1)] = true;
    }
    for (const storage::OrderPart& p : v.order())
        if (p.field >= 1 && p.field <= static_cast<int>(read.size())) read[p.field - 1] = true;
    for (std::size_t i = 0; i < t.fields.size(); ++i)
        if (namedIn(v.filterText(), t.fields[i].name)) read[i] = true;
    std::vector<storage::File::Span> spans;
    for (std::size_t i = 0; i < t.fields.size(); ++i)
        if (read[i]) spans.push_back({t.fields[i].offset, t.fields[i].size});
    return spans;
}

}  // namespace

bool ForEachInView(ViewManager& view, const std::function<void()>& perRecord,
                   const std::vector<std::string>& fields) {
    if (!view.View || !view.Primary || !view.Primary->Me || !view.Primary->Me->File) return false;
    view.Open();
    storage::File& file = *view.Primary->Me->File;
    const storage::TableDecl& t = file.decl();
    auto* buffer = static_cast<uint8_t*>(t.buffer());
    const std::vector<uint8_t> saved(buffer, buffer + t.recordSize);
    if (!fields.empty()) file.narrow(spansRead(t, *view.View, fields));
    (void)view.View->setStart();
    Level l;
    while ((l = view.Next()) == Level::Benign) perRecord();
    if (!fields.empty()) file.narrow({});
    std::memcpy(buffer, saved.data(), saved.size());
    (void)view.View->setStart();
    return l != Level::Fatal;
}

bool SumsByBackEnd(ViewManager& view, const std::vector<storage::File::SumTerm>& terms,
                   std::vector<int64_t>& sums) {
    if (!view.View || !view.Primary || !view.Primary->Me || !view.Primary->Me->File) return false;
    view.Open();
    FileManager& fm = *view.Primary->Me;
    const storage::Status s = fm.File->sumKopecks(terms, sums);
    if (s.code == storage::kUnsupportedFunction) return false;
    if (!s.ok()) {
        sums.assign(terms.size(), 0);
        fm.SetError(1);
        (void)fm.Throw();
    }
    return true;
}

}  // namespace kw
