// Views in an order that no key gives: a list of record numbers sorted by the order's
// values.
#include <algorithm>
#include <cstring>

#include "storage/view.h"
#include "storage/view_util.h"

namespace kw::storage {

using namespace viewutil;

Status View::buildSorted() {
    entries_.clear();
    sortedIdx_.clear();
    sortedBuilt_ = false;
    const PassScope scope(file_, pass_);
    Status s = file_.set(0);
    if (!s.ok()) return s;
    std::vector<uint8_t> entry(entryLength_);
    for (;;) {
        s = file_.next();
        if (s.code == kRecordNotAvailable) break;
        if (!s.ok()) return s;
        ++reads_;
        if (!inGivenRange(file_.buffer()) || !accept()) continue;
        encodeRecord(partShapes_, file_.buffer(), orderBytes_);
        for (std::size_t i = 0, from = 0; i < order_.size(); from = partEnds_[i], ++i)
            for (std::size_t j = from; j < partEnds_[i]; ++j)
                entry[j] =
                    order_[i].descending ? static_cast<uint8_t>(~orderBytes_[j]) : orderBytes_[j];
        const uint32_t rec = file_.currentRecord();
        entry[orderLength_] = static_cast<uint8_t>(rec >> 24);
        entry[orderLength_ + 1] = static_cast<uint8_t>(rec >> 16);
        entry[orderLength_ + 2] = static_cast<uint8_t>(rec >> 8);
        entry[orderLength_ + 3] = static_cast<uint8_t>(rec);
        sortedIdx_.push_back(static_cast<uint32_t>(entries_.size() / entryLength_));
        entries_.insert(entries_.end(), entry.begin(), entry.end());
    }
    const uint8_t* base = entries_.data();
    const std::size_t len = entryLength_;
    std::sort(sortedIdx_.begin(), sortedIdx_.end(), [base, len](uint32_t a, uint32_t b) {
        return std::memcmp(base + std::size_t{a} * len, base + std::size_t{b} * len, len) < 0;
    });
    uint32_t count = 0;
    (void)file_.records(count);
    builtCount_ = count;
    sortedBuilt_ = true;
    rebuild_ = false;
    return Status::okay();
}

// After the list was built again: the record last read is found by its entry; when it
// is no longer there, reading goes on from where it would be.
void View::relocate() {
    if (cur_ != Cursor::At) return;
    const auto n = sortedIdx_.size();
    std::size_t lo = 0, hi = n;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (std::memcmp(entries_.data() + std::size_t{sortedIdx_[mid]} * entryLength_,
                        position_.data(), entryLength_) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < n && std::memcmp(entries_.data() + std::size_t{sortedIdx_[lo]} * entryLength_,
                              position_.data(), entryLength_) == 0) {
        at_ = lo;
        return;
    }
    placeLow_ = placeHigh_ = position_;
    cur_ = Cursor::Placed;
}

Status View::stepSorted(bool forward) {
    auto atEdge = [&] {
        cur_ = forward ? Cursor::End : Cursor::Start;
        return Status::error(kRecordNotAvailable);
    };
    if (!file_.isOpen()) return Status::error(kFileNotOpen);
    if (filterBad_ || emptyRange_) return atEdge();
    if ((cur_ == Cursor::Start && !forward) || (cur_ == Cursor::End && forward)) return atEdge();
    if (rebuild_ || !sortedBuilt_) {
        Status s = buildSorted();
        if (!s.ok()) return s;
        if (position_.size() == entryLength_) relocate();
    }
    const auto n = static_cast<int64_t>(sortedIdx_.size());
    auto entryAt = [&](int64_t i) {
        return entries_.data() +
               std::size_t{sortedIdx_[static_cast<std::size_t>(i)]} * entryLength_;
    };
    // First entry above (or, with `orEqual`, not below) p.
    auto bound = [&](const std::string& p, bool orEqual) {
        int64_t lo = 0, hi = n;
        while (lo < hi) {
            const int64_t mid = (lo + hi) / 2;
            const int c = std::memcmp(entryAt(mid), p.data(), entryLength_);
            if (c < 0 || (c == 0 && !orEqual))
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    };
    int64_t i = 0;
    switch (cur_) {
        case Cursor::Start:
            i = 0;
            break;
        case Cursor::End:
            i = n - 1;
            break;
        case Cursor::At:
            i = static_cast<int64_t>(at_) + (forward ? 1 : -1);
            break;
        case Cursor::Placed:
            i = forward ? bound(placeLow_, true) : bound(placeHigh_, false) - 1;
            break;
    }
    for (; i >= 0 && i < n; i += forward ? 1 : -1) {
        const uint8_t* e = entryAt(i);
        Status s = file_.getRecord(bigEndianRecord(e + orderLength_));
        if (s.code == kRecordNotFound) continue;  // deleted since the list was built
        if (!s.ok()) return s;
        ++reads_;
        if (!accept()) continue;
        at_ = static_cast<std::size_t>(i);
        position_.assign(reinterpret_cast<const char*>(e), entryLength_);
        cur_ = Cursor::At;
        return Status::okay();
    }
    return atEdge();
}

}  // namespace kw::storage
