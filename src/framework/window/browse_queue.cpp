// The browse's page and its list control.
#include "framework/window/browse_queue.h"

#include <algorithm>

namespace kw {

void BrowseQueue::Insert() {
    rows_.push_back(Current);
    fetched_ = 0;
}

void BrowseQueue::Insert(int Position) {
    const int at = std::clamp(Position, 1, Records() + 1);
    rows_.insert(rows_.begin() + (at - 1), Current);
    fetched_ = 0;
}

bool BrowseQueue::Fetch(int Position) {
    if (Position < 1 || Position > Records()) return false;
    Current = rows_[static_cast<std::size_t>(Position - 1)];
    fetched_ = Position;
    return true;
}

bool BrowseQueue::Update() {
    if (fetched_ < 1 || fetched_ > Records()) return false;
    rows_[static_cast<std::size_t>(fetched_ - 1)] = Current;
    return true;
}

bool BrowseQueue::Delete() {
    const bool ok = Delete(fetched_);
    fetched_ = 0;
    return ok;
}

bool BrowseQueue::Delete(int Position) {
    if (Position < 1 || Position > Records()) return false;
    rows_.erase(rows_.begin() + (Position - 1));
    fetched_ = 0;
    return true;
}

void BrowseQueue::Free() {
    rows_.clear();
    fetched_ = 0;
}

std::string BrowseQueue::Who(int Column) const {
    if (Column < 1 || Column > static_cast<int>(names_.size())) return std::string();
    return names_[static_cast<std::size_t>(Column - 1)];
}

void BrowseQueue::SetColumnName(int Column, std::string Name) {
    if (Column < 1) return;
    if (static_cast<int>(names_.size()) < Column) names_.resize(static_cast<std::size_t>(Column));
    names_[static_cast<std::size_t>(Column - 1)] = std::move(Name);
}

const BrowseQueue::Row* BrowseQueue::At(int Position) const {
    if (Position < 1 || Position > Records()) return nullptr;
    return &rows_[static_cast<std::size_t>(Position - 1)];
}

ui::Value BrowseQueue::value(int row, int column) const {
    const Row* r = At(row);
    if (!r || column < 1 || column > static_cast<int>(r->Values.size())) return ui::Value();
    return r->Values[static_cast<std::size_t>(column - 1)];
}

// ------------------------------------------------------------------ list control

void StandardBehavior::Init(ui::Window& Win, int32_t Control, BrowseQueue& Queue) {
    win_ = &Win;
    queue_ = &Queue;
    control_ = Control;
    Win.setQueue(Control, &Queue);
}

int32_t StandardBehavior::Choice() {
    return win_ ? win_->choice(control_) : 0;
}

int32_t StandardBehavior::GetItems() {
    return win_ ? std::max(1, win_->visibleRows(control_)) : 1;
}

uint8_t StandardBehavior::GetVisible() {
    if (!win_ || !win_->isOpen()) return 0;
    const auto m = win_->model();
    std::lock_guard lock(ui::uiMutex());
    return m->visible(control_) ? 1 : 0;
}

void StandardBehavior::SetChoice(int32_t Row) {
    if (!win_) return;
    win_->display(control_);
    win_->setChoice(control_, Row);
}

void StandardBehavior::SetControl(int32_t Control) {
    if (win_ && queue_) {
        win_->setQueue(control_, nullptr);
        win_->setQueue(Control, queue_);
    }
    control_ = Control;
}

}  // namespace kw
