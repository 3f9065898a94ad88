// ViewManager: the view, its sort orders, ranges and filters.
#include "framework/window/view_manager.h"

#include <algorithm>
#include <cstring>

#include "dictionary/tables.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "runtime/assertion.h"
#include "runtime/codepage.h"

namespace kw {

namespace {

constexpr std::size_t kFilterIdSize = 30;

// The order's components; empty when the text names none of the table's fields.
std::vector<storage::OrderPart> partsOf(const std::string& order, const storage::TableDecl& t) {
    std::vector<storage::OrderPart> parts;
    std::string error;
    if (!storage::parseOrder(order, t, parts, error)) parts.clear();
    return parts;
}

ui::Binding bindingOf(const FieldRef& f) {
    if (!f.valid()) return ui::Binding();
    const storage::FieldDecl& d = f.decl();
    return ui::Binding::at(f.address(), static_cast<ui::ValueType>(d.type), d.size, d.places);
}

bool textField(const FieldRef& f) {
    return f.valid() && field::isText(f.decl().type);
}

}  // namespace

bool sameTable(const storage::TableDecl* a, const storage::TableDecl* b) {
    return a && b && (a == b || a->label == b->label);
}

std::string filterLiteral(const ui::Value& v) {
    if (!v.isText) return v.asText();
    // Texts compare as if blank padded: trailing blanks say nothing.
    std::string_view t = v.text;
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    std::string out = "'";
    for (char c : t) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

ui::Value fieldValue(const FieldRef& f) {
    return bindingOf(f).get();
}

void setFieldValue(const FieldRef& f, const ui::Value& v) {
    const ui::Binding b = bindingOf(f);
    if (!b.bound()) return;
    if (b.isText()) {
        std::string t = v.asText();
        if (t.size() > b.size()) t.resize(b.size());
        (void)b.set(ui::Value(t));
    } else {
        (void)b.set(ui::Value(v.asNumber()));
    }
}

ViewManager::ViewManager() = default;

ViewManager::~ViewManager() = default;

void ViewManager::Init(storage::View* ViewIn, RelationManager& PrimaryIn,
                       std::vector<SortOrder>* SortList) {
    View = ViewIn;
    Primary = &PrimaryIn;
    if (SortList) {
        Order = SortList;
        DisposeOrder = 0;
    } else {
        ownOrder_ = std::make_unique<std::vector<SortOrder>>();
        Order = ownOrder_.get();
        DisposeOrder = 1;
    }
    PageSize = 20;
    PagesBehind = 2;
    PagesAhead = 0;
    Timeout = 60;
    Opened = 0;
    current_ = Order->empty() ? 0 : 1;
    tables_ = storage::TableFields(dict::allTables());
    names_ = expr::Resolvers{&tables_, &expr::globals()};
    if (!View) {
        KW_ASSERT_FAIL("View manager has not been assigned a view");
    } else if (!Primary->Me || Primary->Me->File != &View->file()) {
        KW_ASSERT_FAIL("View driver failed to return consituent file.");
    }
}

const storage::TableDecl* ViewManager::Table() const {
    if (View) return &View->file().decl();
    return Primary && Primary->Me && Primary->Me->File ? &Primary->Me->Table() : nullptr;
}

SortOrder* ViewManager::Current() {
    if (!Order || current_ < 1 || current_ > Order->size()) return nullptr;
    return &(*Order)[current_ - 1];
}

// ------------------------------------------------------------------ sort orders

uint16_t ViewManager::AddSortOrder(const storage::KeyDecl* Key) {
    if (!Order || !Table()) {
        KW_ASSERT_FAIL("Unable to add new sort order.");
        return 0;
    }
    SortOrder o;
    o.MainKey = Key;
    if (Key) {
        o.Order = Primary->Me->KeyToOrder(*Key);
        if (o.Order.empty()) {
            KW_ASSERT_FAIL("Unable to add new sort order.");
            return 0;
        }
    }
    Order->push_back(std::move(o));
    current_ = static_cast<uint16_t>(Order->size());
    setFreeElement();
    return current_;
}

void ViewManager::AppendOrder(std::string_view Text) {
    SortOrder* o = Current();
    if (!o || Text.empty()) return;
    if (!o->Order.empty()) o->Order += ",";
    o->Order += Text;
    setFreeElement();
    if (Opened) ApplyOrder();
}

void ViewManager::SetOrder(std::string_view Text) {
    SortOrder* o = Current();
    if (!o) return;
    o->Order = std::string(Text);
    setFreeElement();
    if (Opened) ApplyOrder();
}

uint8_t ViewManager::SetSort(uint16_t Number) {
    if (Number == 0) Number = 1;
    if (!Order || Number > Order->size()) {
        KW_ASSERT_FAIL("Sort order does not exist:" + std::to_string(Number));
        return 0;
    }
    if (Number == current_) return 0;
    current_ = Number;
    if (Opened) {
        ApplyOrder();
        ApplyFilter();
    }
    return 1;
}

void ViewManager::setFreeElement() {
    SortOrder* o = Current();
    const storage::TableDecl* t = Table();
    if (!o || !t) return;
    const std::vector<storage::OrderPart> parts = partsOf(o->Order, *t);
    int fixed = static_cast<int>(o->RangeList.size());
    if (o->LimitType == range::Pair && fixed > 0) --fixed;  // the bounded one is free
    o->FreeElement = FieldRef{};
    o->FreeElementPosition = 0;
    if (fixed < static_cast<int>(parts.size())) {
        o->FreeElement = FieldRef{t, parts[static_cast<std::size_t>(fixed)].field};
        o->FreeElementPosition = fixed + 1;
    }
}

std::string ViewManager::GetFreeElementName() {
    SortOrder* o = Current();
    return o && o->FreeElement.valid() ? o->FreeElement.name() : std::string();
}

int ViewManager::GetFreeElementPosition() {
    SortOrder* o = Current();
    return o ? o->FreeElementPosition : 0;
}

// ------------------------------------------------------------------ ranges

void ViewManager::rangeFrom(const FieldRef& Field, uint8_t Kind) {
    SortOrder* o = Current();
    const storage::TableDecl* t = Table();
    if (!o || !t) return;
    o->RangeList.clear();
    o->LimitType = range::None;
    const std::vector<storage::OrderPart> parts = partsOf(o->Order, *t);
    std::size_t n = 0;
    while (n < parts.size() && !(sameTable(Field.Table, t) && parts[n].field == Field.Field)) ++n;
    if (n == parts.size()) {
        KW_ASSERT_FAIL("Range field " + (Field.valid() ? Field.name() : std::string("?")) +
                       " is not a component of the sort order");
        setFreeElement();
        return;
    }
    for (std::size_t i = 0; i <= n; ++i) {
        RangeField rf;
        rf.Field = FieldRef{t, parts[i].field};
        rf.Value = fieldValue(rf.Field);
        o->RangeList.push_back(std::move(rf));
    }
    o->LimitType = Kind;
}

void ViewManager::AddRange(const FieldRef& Field) {
    rangeFrom(Field, range::Current);
    setFreeElement();
    if (Opened) ApplyFilter();
}

void ViewManager::AddRange(const FieldRef& Field, const ui::Binding& Limit) {
    rangeFrom(Field, range::Single);
    if (SortOrder* o = Current(); o && !o->RangeList.empty()) {
        o->RangeList.back().Limit = Limit;
        o->RangeList.back().Value = Limit.get();
    }
    setFreeElement();
    if (Opened) ApplyFilter();
}

void ViewManager::AddRange(const FieldRef& Field, const ui::Binding& Low, const ui::Binding& High) {
    rangeFrom(Field, range::Pair);
    if (SortOrder* o = Current(); o && !o->RangeList.empty()) {
        RangeField& rf = o->RangeList.back();
        rf.Bounded = true;
        rf.Limit = Low;
        rf.High = High;
        rf.Value = Low.get();
        rf.HighValue = High.get();
    }
    setFreeElement();
    if (Opened) ApplyFilter();
}

void ViewManager::AddRange(const FieldRef& Field, const std::vector<FieldRef>& Related) {
    rangeFrom(Field, range::File);
    if (SortOrder* o = Current()) {
        if (Related.size() != o->RangeList.size()) {
            KW_ASSERT_FAIL("A related range needs one related field for every range component");
            o->RangeList.clear();
            o->LimitType = range::None;
        } else {
            for (std::size_t i = 0; i < Related.size(); ++i) {
                o->RangeList[i].Related = Related[i];
                o->RangeList[i].Value = fieldValue(Related[i]);
            }
        }
    }
    setFreeElement();
    if (Opened) ApplyFilter();
}

uint8_t ViewManager::ApplyRange() {
    SortOrder* o = Current();
    if (!o) return 0;
    bool changed = false;
    auto take = [&changed](ui::Value& stored, const ui::Value& now) {
        if (stored.isText == now.isText && expr::compare(stored, now) == 0) return;
        stored = now;
        changed = true;
    };
    for (RangeField& rf : o->RangeList) {
        switch (o->LimitType) {
            case range::Single:
                if (rf.Limit.bound()) take(rf.Value, rf.Limit.get());
                break;
            case range::Pair:
                if (rf.Bounded) {
                    take(rf.Value, rf.Limit.get());
                    take(rf.HighValue, rf.High.get());
                }
                break;
            case range::File:
                if (rf.Related.valid()) take(rf.Value, fieldValue(rf.Related));
                break;
            default:
                break;
        }
    }
    if (!changed) return 0;
    ApplyFilter();
    return 1;
}

std::string ViewManager::rangeFilter() const {
    const SortOrder* o =
        current_ >= 1 && Order && current_ <= Order->size() ? &(*Order)[current_ - 1] : nullptr;
    if (!o) return std::string();
    const bool nocaseKey = o->MainKey && o->MainKey->nocase;
    std::string out;
    auto add = [&out](const std::string& s) {
        if (!out.empty()) out += " AND ";
        out += s;
    };
    for (const RangeField& rf : o->RangeList) {
        if (!rf.Field.valid()) continue;
        const bool upper = nocaseKey && textField(rf.Field);
        const std::string name = upper ? "UPPER(" + rf.Field.name() + ")" : rf.Field.name();
        auto lit = [upper](const ui::Value& v) {
            return filterLiteral(upper && v.isText ? ui::Value(cp::upper(v.text)) : v);
        };
        if (rf.Bounded) {
            add(name + " >= " + lit(rf.Value));
            add(name + " <= " + lit(rf.HighValue));
        } else {
            add(name + " = " + lit(rf.Value));
        }
    }
    return out;
}

// ------------------------------------------------------------------ filters

void ViewManager::SetFilter(std::string_view Text, std::string_view ID) {
    SortOrder* o = Current();
    if (!o) return;
    filterChanged_ = true;
    std::string id(ID.substr(0, kFilterIdSize));
    auto it = std::find_if(o->Filter.begin(), o->Filter.end(),
                           [&](const FilterEntry& f) { return f.ID == id; });
    const bool blank = Text.find_first_not_of(' ') == std::string_view::npos;
    if (blank) {
        if (it != o->Filter.end()) o->Filter.erase(it);
    } else if (it != o->Filter.end()) {
        it->Filter = std::string(Text);
    } else {
        o->Filter.push_back(FilterEntry{id, std::string(Text)});
    }
}

void ViewManager::SetFilter(std::string_view Text) {
    SetFilter(Text, "5 Standard");
}

void ViewManager::ApplyFilter() {
    if (!View) return;
    std::string text;
    auto add = [&text](const std::string& s) {
        if (s.empty()) return;
        if (!text.empty()) text += " AND ";
        text += "(" + s + ")";
    };
    add(rangeFilter());
    if (SortOrder* o = Current())
        for (const FilterEntry& f : o->Filter) add(f.Filter);
    viewFilter_ = text;
    filterChanged_ = false;
    if (!View->setFilter(text, &names_).ok()) viewFailed();
}

void ViewManager::ApplyOrder() {
    if (!View) return;
    SortOrder* o = Current();
    if (!o || o->Order.empty()) {
        KW_ASSERT_FAIL("At least 1 view order must be specified");
        (void)View->setOrder(std::vector<storage::OrderPart>{});
        return;
    }
    if (!View->setOrder(o->Order).ok()) viewFailed();
}

void ViewManager::viewFailed() {
    if (Primary && Primary->Me) (void)Primary->Me->Throw(40);
}

Level ViewManager::readFailed() {
    if (Primary && Primary->Me) (void)Primary->Me->Throw(1);
    return Level::Fatal;
}

// ------------------------------------------------------------------ the view

void ViewManager::Open() {
    if (Opened || !View || !Primary || !Primary->Me) return;
    if (Primary->Me->UseFile(kUseBrowse) != Level::Benign) return;
    Opened = 1;
    ApplyOrder();
    ApplyFilter();
}

void ViewManager::Close() {
    Opened = 0;
}

void ViewManager::Kill() {
    Close();
    if (DisposeOrder) {
        ownOrder_.reset();
        Order = nullptr;
        current_ = 0;
    }
}

Level ViewManager::read(bool forward) {
    if (!View || !Opened) return Level::Notify;
    for (;;) {
        const storage::Status s = forward ? View->next() : View->previous();
        if (s.code == storage::kRecordNotAvailable) return Level::Notify;
        if (!s.ok()) return readFailed();
        switch (ValidateRecord()) {
            case record::OK:
                return Level::Benign;
            case record::OutOfRange:
                return Level::Notify;
            default:
                break;  // filtered: read on
        }
    }
}

Level ViewManager::Next() {
    return read(true);
}

Level ViewManager::Previous() {
    return read(false);
}

uint8_t ViewManager::ValidateRecord() {
    return record::OK;
}

Level ViewManager::PrimeRecord(uint8_t SuppressClear) {
    const storage::TableDecl* t = Table();
    if (!t || !Primary || !Primary->Me) return Level::Notify;
    if (!SuppressClear) field::clearRecord(*t);
    if (SortOrder* o = Current()) {
        for (const RangeField& rf : o->RangeList)
            if (!rf.Bounded) setFieldValue(rf.Field, rf.Value);
    }
    return Primary->Me->PrimeRecord(1);
}

std::vector<ui::Value> ViewManager::leadingValues(int parts) {
    std::vector<ui::Value> out;
    SortOrder* o = Current();
    const storage::TableDecl* t = Table();
    if (!o || !t) return out;
    const std::vector<storage::OrderPart> order = partsOf(o->Order, *t);
    for (int i = 0; i < parts && i < static_cast<int>(order.size()); ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        if (k < o->RangeList.size() && !o->RangeList[k].Bounded)
            out.push_back(o->RangeList[k].Value);
        else
            out.push_back(fieldValue(FieldRef{t, order[k].field}));
    }
    return out;
}

void ViewManager::Reset(uint8_t Locate) {
    if (!View) return;
    const storage::Status s = Locate ? View->setFromBuffer() : View->setStart();
    if (!s.ok()) (void)View->setStart();
}

void ViewManager::Reset() {
    ViewManager::Reset(0);
}

}  // namespace kw
