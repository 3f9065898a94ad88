// BrowseClass: loading the page, the record buffer and the thumb.
#include <algorithm>
#include <cstring>
#include <limits>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/browse_class.h"
#include "framework/window/locator_class.h"
#include "framework/window/step_class.h"
#include "framework/window/window_manager.h"
#include "runtime/codepage.h"

namespace kw {

namespace {

// How many records of equal order values ResetFromAsk looks through for the record
// the form wrote.
constexpr int kMaxTwins = 100000;

}  // namespace

// ------------------------------------------------------------------ sort, range, filter

void BrowseClass::ApplyFilter() {
    ViewManager::ApplyFilter();
    // The page was read with the old filter.
    if (Loaded) NeedRefresh = 1;
}

uint8_t BrowseClass::SetSort(uint16_t Number) {
    return SetSort(Number, 0);
}

uint8_t BrowseClass::SetSort(uint16_t Number, uint8_t Force) {
    if (killed_) return 0;
    if (!Opened) Open();
    const bool changed = ViewManager::SetSort(Number) != 0;
    bool restart = restart_;
    restart_ = false;
    if (Opened && filterChanged_) {
        ViewManager::ApplyFilter();
        restart = true;
    }
    if (Opened && ApplyRange()) restart = true;
    if (UpdateResets()) NeedRefresh = 1;
    const bool first = !Loaded || LoadPending;
    if (changed) {
        if (SortOrder* o = Current(); o && o->Locator) o->Locator->Reset();
    }
    if (changed || restart || first) ResetThumbLimits();
    if (restart) {
        ResetFromView();
    } else if (changed) {
        // The record highlighted under the old order stays highlighted.
        ResetFromFile();
    } else if (first) {
        if (StartAtCurrent)
            ResetFromFile();
        else
            ResetFromView();
    } else if (Force || NeedRefresh) {
        ResetQueue(reset::Queue);
    }
    NeedRefresh = 0;
    return changed ? 1 : 0;
}

void BrowseClass::ResetSort(uint8_t Force) {
    (void)SetSort(CurrentSort(), Force);
}

// ------------------------------------------------------------------ loading

void BrowseClass::Fetch(uint8_t Direction) {
    if (!Opened || !View || !ListQueue) return;
    const bool forward = Direction == fill::Forward;
    const bool quick = QuickScan && ItemsToFill > 1 && Primary;
    if (quick) Primary->SetQuickScan(1);
    std::string edge;
    if (Records() > 0) {
        edge = ListQueue->At(forward ? Records() : 1)->ViewPosition;
        if (!View->reset(edge).ok()) {
            if (quick) Primary->SetQuickScan(0);
            return;
        }
    }
    const int32_t page = std::max(1, LastItems);
    while (ItemsToFill > 0) {
        const Level l = forward ? Next() : Previous();
        if (l == Level::Notify) {
            (forward ? bottomIsLast_ : topIsFirst_) = true;
            break;
        }
        if (l != Level::Benign) break;
        // Read again from the edge row: that record itself comes first.
        const bool again = !edge.empty() && View->position() == edge;
        edge.clear();
        if (again) continue;
        if (!FileLoaded && Records() >= page) {
            if (forward) {
                (void)ListQueue->Delete(1);
                topIsFirst_ = false;
            } else {
                (void)ListQueue->Delete(Records());
                bottomIsLast_ = false;
            }
        }
        SetQueueRecord();
        if (forward)
            ListQueue->Insert();
        else
            ListQueue->Insert(1);
        --ItemsToFill;
    }
    if (quick) Primary->SetQuickScan(0);
}

void BrowseClass::SetQueueRecord() {
    BrowseQueue::Row& row = ListQueue->Current;
    int columns = 0;
    for (const BrowseField& f : Fields) columns = std::max(columns, f.Column);
    row.Values.assign(static_cast<std::size_t>(columns), ui::Value());
    for (const BrowseField& f : Fields)
        row.Values[static_cast<std::size_t>(f.Column - 1)] = f.Source.get();
    row.ViewPosition = View ? View->position() : std::string();
}

void BrowseClass::ResetQueue(uint8_t Mode) {
    if (!ILC || !ListQueue || killed_) return;
    if (!ILC->GetVisible() && !ActiveInvisible) {
        LoadPending = 1;
        return;
    }
    if (!Opened) Open();
    Loaded = 1;
    LoadPending = 0;
    ui::Window& w = Window->Win;
    w.setCursor(ui::cursor::Wait);
    int32_t row = std::max(1, CurrentChoice);
    if (FileLoaded) {
        // The highlight stays on its record when it is still there.
        const BrowseQueue::Row* r = ListQueue->At(CurrentChoice);
        loadWhole(r ? r->ViewPosition : std::string());
    } else {
        if (Mode == reset::Queue) {
            const BrowseQueue::Row* r = ListQueue->At(CurrentChoice);
            if (!r || !View || !View->reset(r->ViewPosition).ok()) {
                ViewManager::Reset(0);
                row = 1;
            }
        }
        loadFrom(row);
    }
    w.setCursor(ui::cursor::Normal);
}

void BrowseClass::loadWhole(const std::string& keep) {
    ListQueue->Free();
    ViewManager::Reset(0);
    ItemsToFill = std::numeric_limits<int32_t>::max();
    Fetch(fill::Forward);
    topIsFirst_ = bottomIsLast_ = true;
    CurrentChoice = Records() > 0 ? 1 : 0;
    for (int i = 1; i <= Records() && !keep.empty(); ++i)
        if (ListQueue->At(i)->ViewPosition == keep) CurrentChoice = i;
    showPage();
}

void BrowseClass::loadFrom(int32_t row) {
    if (!ListQueue || !ILC) return;
    if (!Opened) Open();
    Loaded = 1;
    LoadPending = 0;
    if (FileLoaded) {
        // The whole view, with the highlight on the first record from the view's place.
        std::string keep;
        if (Next() == Level::Benign) keep = View->position();
        loadWhole(keep);
        return;
    }
    LastItems = std::max(1, ILC->GetItems());
    const int32_t page = LastItems;
    row = RetainRow ? std::clamp(row, 1, page) : 1;
    ListQueue->Free();
    topIsFirst_ = bottomIsLast_ = false;
    ItemsToFill = page - row + 1;
    Fetch(fill::Forward);
    const int32_t below = Records();
    // Rows above: enough to keep the screen row, and to fill the page.
    const int32_t above = AllowUnfilled ? row - 1 : page - Records();
    int32_t added = 0;
    if (above > 0) {
        const int32_t before = Records();
        ItemsToFill = above;
        Fetch(fill::Backward);
        added = Records() - before;
    }
    if (!AllowUnfilled && Records() < page && below > 0 && !bottomIsLast_) {
        ItemsToFill = page - Records();
        Fetch(fill::Forward);
    }
    CurrentChoice = below > 0 ? 1 + added : Records();
    showPage();
}

void BrowseClass::showPage() {
    if (!ILC) return;
    CurrentChoice = Records() == 0 ? 0 : std::clamp(CurrentChoice, 1, Records());
    ILC->SetChoice(CurrentChoice);
    UpdateBuffer();
    UpdateThumb();
}

void BrowseClass::ResetFromView() {
    ViewManager::Reset(0);
    CurrentChoice = 1;
    loadFrom(1);
    if (Records() > 0) topIsFirst_ = true;
    UpdateThumb();
}

void BrowseClass::ResetFromFile() {
    if (!View) return;
    if (!View->setFromBuffer().ok()) (void)View->setStart();
    loadFrom(CurrentChoice);
}

void BrowseClass::ResetFromBuffer() {
    const int parts = GetFreeElementPosition();
    if (parts == 0 || !View) {
        ResetFromFile();
        return;
    }
    if (!View->setKey(leadingValues(parts)).ok()) (void)View->setStart();
    loadFrom(CurrentChoice);
}

void BrowseClass::LocateFreeElement() {
    ResetFromBuffer();
}

// ------------------------------------------------------------------ the record buffer

void BrowseClass::clearRecord() {
    if (const storage::TableDecl* t = Table()) field::clearRecord(*t);
}

bool BrowseClass::UpdateViewRecord() {
    const BrowseQueue::Row* r = ListQueue ? ListQueue->At(CurrentChoice) : nullptr;
    return r && View && View->reget(r->ViewPosition).ok();
}

void BrowseClass::UpdateBuffer() {
    const BrowseQueue::Row* r = ListQueue ? ListQueue->At(CurrentChoice) : nullptr;
    if (!r) {
        clearRecord();
        return;
    }
    const bool whole = UpdateViewRecord();
    for (const BrowseField& f : Fields) {
        if (whole && f.InRecord) continue;
        const std::size_t c = static_cast<std::size_t>(f.Column - 1);
        if (c < r->Values.size()) (void)f.Source.set(r->Values[c]);
    }
}

bool BrowseClass::placeAtRecord(uint32_t target, std::string& position) {
    const storage::TableDecl* t = Table();
    if (!t || !View || !Primary || !Primary->Me || !Primary->Me->File) return false;
    storage::File& file = *Primary->Me->File;
    uint8_t* buf = file.buffer();
    const std::string wanted(reinterpret_cast<const char*>(buf), t->recordSize);
    auto sameOrder = [&] {
        for (const storage::OrderPart& p : View->order()) {
            const storage::FieldDecl& f = t->field(p.field);
            const std::string_view a(wanted.data() + f.offset, f.size);
            const std::string_view b(reinterpret_cast<const char*>(buf) + f.offset, f.size);
            if (p.nocase ? cp::compareNoCase(a, b) != 0 : a != b) return false;
        }
        return true;
    };
    bool found = false;
    if (target != 0 && View->setFromBuffer().ok()) {
        for (int i = 0; i < kMaxTwins; ++i) {
            if (Next() != Level::Benign) break;
            if (file.currentRecord() == target) {
                position = View->position();
                found = true;
                break;
            }
            if (!sameOrder()) break;
        }
    }
    std::memcpy(buf, wanted.data(), wanted.size());
    if (found) return View->reset(position).ok();
    if (!View->setFromBuffer().ok()) (void)View->setStart();
    return false;
}

// ------------------------------------------------------------------ the thumb

bool BrowseClass::freeDescending() {
    const int n = GetFreeElementPosition();
    if (!View || n < 1 || n > static_cast<int>(View->order().size())) return false;
    return View->order()[static_cast<std::size_t>(n - 1)].descending;
}

void BrowseClass::ResetThumbLimits() {
    SortOrder* o = Current();
    if (!o || !o->Thumb || !o->FreeElement.valid() || !View || !Opened || !Primary || !Primary->Me)
        return;
    if (freeDescending())
        o->Thumb->Controls |= step::Descending;
    else
        o->Thumb->Controls &= static_cast<uint8_t>(~step::Descending);
    int16_t saved = Primary->Me->SaveBuffer();
    ui::Value first, last;
    bool any = false;
    if (View->setStart().ok() && Next() == Level::Benign) {
        first = fieldValue(o->FreeElement);
        any = true;
    }
    if (any && View->setEnd().ok() && Previous() == Level::Benign)
        last = fieldValue(o->FreeElement);
    else
        last = first;
    Primary->Me->RestoreBuffer(saved, 1);
    if (expr::compare(first, last) > 0) std::swap(first, last);
    o->Thumb->SetLimit(first, last);
}

void BrowseClass::UpdateThumb() {
    if (!Window || !ILC) return;
    SortOrder* o = Current();
    const bool full = Records() >= LastItems || AllowUnfilled;
    if (o && o->Thumb && o->FreeElement.valid() && Records() > 0 && full && !FileLoaded) {
        Window->Win.setThumb(ILC->GetControl(),
                             o->Thumb->GetPercentile(fieldValue(o->FreeElement)));
    } else {
        UpdateThumbFixed();
    }
}

void BrowseClass::UpdateThumbFixed() {
    if (!Window || !ILC) return;
    int position = 50;
    const int n = Records();
    if (n == 0)
        position = 0;
    else if (CurrentChoice <= 1 && topIsFirst_)
        position = 0;
    else if (CurrentChoice >= n && bottomIsLast_)
        position = 100;
    else if (topIsFirst_ && bottomIsLast_ && n > 1)
        position = (CurrentChoice - 1) * 100 / (n - 1);
    Window->Win.setThumb(ILC->GetControl(), position);
}

}  // namespace kw
