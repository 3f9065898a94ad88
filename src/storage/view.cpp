// The view: set-up, the choice of the access path, positioning, reading in key or
// record-number order, and the record count.
#include "storage/view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/last_error.h"
#include "storage/table_fields.h"
#include "storage/view_util.h"

namespace kw::storage {

using namespace viewutil;

// ---------------------------------------------------------------- set-up

View::View(File& file) : file_(file), decl_(file.decl()) {
    choosePath();
}
View::~View() = default;

void View::changed() {
    cur_ = Cursor::Start;
    position_.clear();
    aligned_ = false;
    rebuild_ = true;
    sortedBuilt_ = false;
    pass_ = File::Filter{};
}

Status View::fail(int code, const std::string& text) {
    last_error::set(code, text);
    return Status::error(code);
}

Status View::setOrder(std::vector<OrderPart> order) {
    for (OrderPart& p : order) {
        if (p.field < 1 || p.field > static_cast<int>(decl_.fields.size()) ||
            decl_.field(p.field).type == FieldType::Group)
            return fail(kInvalidOrder,
                        "no field number " + std::to_string(p.field) + " in " + decl_.label);
        if (!isString(decl_.field(p.field).type)) p.nocase = false;
    }
    order_ = std::move(order);
    lowValues_.clear();
    highValues_.clear();
    choosePath();
    changed();
    return Status::okay();
}

Status View::setOrder(std::string_view text) {
    std::vector<OrderPart> parts;
    std::string error;
    if (!parseOrder(text, decl_, parts, error)) return fail(kInvalidOrder, error);
    return setOrder(std::move(parts));
}

Status View::setFilter(std::string_view text, const expr::Resolver* names) {
    filterText_.assign(text);
    filterError_.clear();
    filterBad_ = false;
    filter_.reset();
    conditions_.clear();
    changed();
    if (trim(text).empty()) return Status::okay();
    TableFields own;
    File& f = file_;
    own.add(
        decl_, [&f]() -> const void* { return f.buffer(); }, true);
    expr::Resolvers chain{&own, names ? names : &expr::globals()};
    auto e = std::make_unique<expr::Expression>(expr::Expression::parse(text, chain));
    if (!e->ok()) {
        filterBad_ = true;
        filterError_ = e->error();
        return fail(kInvalidFilter, "Invalid filter: " + filterError_);
    }
    conditions_ = e->conditions();
    filter_ = std::move(e);
    return Status::okay();
}

Status View::setRange(std::vector<expr::Value> low, std::vector<expr::Value> high) {
    if (low.size() > order_.size() || high.size() > order_.size())
        return fail(kInvalidRange, "more range values than order fields");
    std::vector<uint8_t> bytes;
    if (!encode(partShapes_, partEnds_, low, 0x00, bytes) ||
        !encode(partShapes_, partEnds_, high, 0xFF, bytes))
        return fail(kInvalidRange, "a range value does not fit its field in " + decl_.label);
    lowValues_ = std::move(low);
    highValues_ = std::move(high);
    changed();
    return Status::okay();
}

void View::clearRange() {
    lowValues_.clear();
    highValues_.clear();
    changed();
}

// ---------------------------------------------------------------- access path

void View::choosePath() {
    mode_ = order_.empty() ? Mode::Physical : Mode::Sorted;
    key_ = 0;
    readKey_ = 0;
    back_ = false;
    keyShape_.clear();
    keyEnds_.clear();
    keyLength_ = 0;
    partShapes_.clear();
    partEnds_.clear();
    orderLength_ = 0;
    if (order_.empty()) return;
    const bool desc = order_.front().descending;
    for (std::size_t k = 0; k < decl_.keys.size(); ++k) {
        const KeyDecl& key = decl_.keys[k];
        std::size_t m = 0;
        while (m < order_.size() && m < key.components.size()) {
            const OrderPart& p = order_[m];
            const int f = key.components[m];
            if (p.field != f || p.descending != desc) break;
            if (isString(decl_.field(f).type) && p.nocase != key.nocase) break;
            ++m;
        }
        // The order is the key or a prefix of it, or a whole unique key (whose values
        // never tie) followed by further fields.
        if (m == order_.size() || (m == key.components.size() && !key.dup && m > 0)) {
            mode_ = Mode::Key;
            key_ = static_cast<int>(k + 1);
            readKey_ = key_;
            back_ = desc;
            keyShape_.emplace_back(decl_, key);
            for (const KeyShape::Comp& c : keyShape_.front().comps) {
                keyLength_ += c.length;
                keyEnds_.push_back(keyLength_);
            }
            break;
        }
    }
    for (const OrderPart& p : order_) {
        KeyDecl kd;
        kd.components = {p.field};
        kd.nocase = p.nocase;
        kd.opt = false;
        partShapes_.emplace_back(decl_, kd);
        orderLength_ += partShapes_.back().length;
        partEnds_.push_back(orderLength_);
    }
    entryLength_ = orderLength_ + 4;
}

int View::key() const {
    return mode_ == Mode::Key ? key_ : 0;
}
int View::fileKey() const {
    return mode_ == Mode::Key ? readKey_ : 0;
}
bool View::backward() const {
    return mode_ == Mode::Key && back_;
}
bool View::sorted() const {
    return mode_ == Mode::Sorted;
}

// ---------------------------------------------------------------- positioning

Status View::setStart() {
    if (!file_.isOpen()) return Status::error(kFileNotOpen);
    computeRange();
    cur_ = Cursor::Start;
    aligned_ = false;
    rebuild_ = true;
    return Status::okay();
}

Status View::setEnd() {
    Status s = setStart();
    if (s.ok()) cur_ = Cursor::End;
    return s;
}

void View::refresh() {
    rebuild_ = true;
}

Status View::reset(const std::string& position) {
    if (!file_.isOpen()) return Status::error(kFileNotOpen);
    const std::size_t want = mode_ == Mode::Sorted ? entryLength_
                             : mode_ == Mode::Key  ? keyLength_ + 4
                                                   : 4;
    if (position.size() != want) return Status::error(kRecordNotFound);
    computeRange();
    if (mode_ == Mode::Sorted) {
        uint32_t count = 0;
        if (!sortedBuilt_ || (file_.records(count).ok() && count != builtCount_)) rebuild_ = true;
    }
    placeLow_ = placeHigh_ = position;
    cur_ = Cursor::Placed;
    aligned_ = false;
    return Status::okay();
}

Status View::setKey(const std::vector<expr::Value>& leading) {
    if (!file_.isOpen()) return Status::error(kFileNotOpen);
    if (leading.size() > order_.size())
        return fail(kInvalidRange, "more key values than order fields");
    if (mode_ == Mode::Physical) return setStart();
    computeRange();
    std::vector<uint8_t> low, high;
    if (mode_ == Mode::Key) {
        if (!encode(keyShape_, keyEnds_, leading, 0x00, low) ||
            !encode(keyShape_, keyEnds_, leading, 0xFF, high))
            return fail(kInvalidRange, "a key value does not fit its field in " + decl_.label);
        placeLow_ = keyPosition(low.data(), low.size(), 0);
        placeHigh_ = keyPosition(high.data(), high.size(), UINT32_MAX);
    } else {
        if (!encode(partShapes_, partEnds_, leading, 0x00, low))
            return fail(kInvalidRange, "a key value does not fit its field in " + decl_.label);
        // In the list's own order: the given parts (descending ones inverted), then the
        // lowest or the highest of everything else.
        placeLow_.assign(entryLength_, '\0');
        placeHigh_.assign(entryLength_, '\xFF');
        for (std::size_t i = 0, from = 0; i < leading.size(); from = partEnds_[i], ++i)
            for (std::size_t j = from; j < partEnds_[i]; ++j)
                placeLow_[j] = placeHigh_[j] = static_cast<char>(
                    order_[i].descending ? static_cast<uint8_t>(~low[j]) : low[j]);
        rebuild_ = true;
    }
    cur_ = Cursor::Placed;
    aligned_ = false;
    return Status::okay();
}

Status View::setFromBuffer() {
    if (mode_ == Mode::Physical) return setStart();
    uint8_t* rec = file_.buffer();
    std::vector<expr::Value> values;
    for (const OrderPart& p : order_) {
        const FieldDecl& f = decl_.field(p.field);
        values.push_back(
            ui::Binding::at(rec + f.offset, static_cast<ui::ValueType>(f.type), f.size, f.places)
                .get());
    }
    return setKey(values);
}

// ---------------------------------------------------------------- reading

bool View::accept() {
    return !filter_ || filter_->test();
}

Status View::next() {
    return mode_ == Mode::Sorted ? stepSorted(true) : stepKeyed(true);
}
Status View::previous() {
    return mode_ == Mode::Sorted ? stepSorted(false) : stepKeyed(false);
}

Status View::placeFile(bool fileForward) {
    if (!ranged_) return file_.set(readKey_);
    return fileForward ? file_.reset(readKey_, keyPosition(lo_.data(), lo_.size(), 0))
                       : file_.reset(readKey_, keyPosition(hi_.data(), hi_.size(), UINT32_MAX));
}

// Physical and key order: the file reads, the view checks the range and the filter.
Status View::stepKeyed(bool forward) {
    auto atEdge = [&] {
        cur_ = forward ? Cursor::End : Cursor::Start;
        aligned_ = false;
        return Status::error(kRecordNotAvailable);
    };
    if (!file_.isOpen()) return Status::error(kFileNotOpen);
    if (filterBad_ || emptyRange_) return atEdge();
    const bool fileForward = forward != back_;
    const PassScope scope(file_, pass_);
    uint32_t skip = 0;
    Status s;
    switch (cur_) {
        case Cursor::Start:
            if (!forward) return atEdge();
            s = placeFile(fileForward);
            break;
        case Cursor::End:
            if (forward) return atEdge();
            s = placeFile(fileForward);
            break;
        case Cursor::Placed:
            s = file_.reset(readKey_, fileForward ? placeLow_ : placeHigh_);
            break;
        case Cursor::At:
            // Unless the file still stands on the record last read, start again from its
            // position and pass over that record.
            if (aligned_ && file_.currentRecord() == littleEndianRecord(position_)) break;
            s = file_.reset(readKey_, position_);
            skip = littleEndianRecord(position_);
            break;
    }
    if (!s.ok()) return s;
    aligned_ = false;
    int reseeks = 0;
    for (;;) {
        s = fileForward ? file_.next() : file_.previous();
        if (s.code == kRecordNotAvailable) return atEdge();
        if (!s.ok()) return s;
        ++reads_;
        const uint32_t rec = file_.currentRecord();
        if (skip != 0) {
            const bool same = rec == skip;
            skip = 0;
            if (same) continue;
        }
        if (mode_ == Mode::Key) encodeRecord(keyShape_, file_.buffer(), keyBytes_);
        if (ranged_) {
            if (std::memcmp(keyBytes_.data(), lo_.data(), keyLength_) < 0) {
                if (!fileForward || ++reseeks > 2) return atEdge();
                s = placeFile(true);  // came from below the range: go to its low end
                if (!s.ok()) return s;
                continue;
            }
            if (std::memcmp(keyBytes_.data(), hi_.data(), keyLength_) > 0) {
                if (fileForward || ++reseeks > 2) return atEdge();
                s = placeFile(false);
                if (!s.ok()) return s;
                continue;
            }
        }
        if (!inGivenRange(file_.buffer()) || !accept()) continue;
        position_ = mode_ == Mode::Key ? keyPosition(keyBytes_.data(), keyLength_, rec)
                                       : keyPosition(nullptr, 0, rec);
        cur_ = Cursor::At;
        aligned_ = true;
        return Status::okay();
    }
}

Status View::reget(const std::string& position) {
    if (!file_.isOpen()) return Status::error(kFileNotOpen);
    if (position.size() < 4) return Status::error(kRecordNotFound);
    const uint32_t rec =
        mode_ == Mode::Sorted && position.size() == entryLength_
            ? bigEndianRecord(reinterpret_cast<const uint8_t*>(position.data()) + orderLength_)
            : littleEndianRecord(position);
    aligned_ = false;
    return file_.getRecord(rec);
}

Status View::records(uint32_t& count) {
    count = 0;
    if (!file_.isOpen()) return Status::error(kFileNotOpen);
    if (filterBad_) return Status::okay();
    const bool optKey = mode_ == Mode::Key && decl_.keys[static_cast<std::size_t>(key_ - 1)].opt;
    if (!filter_ && lowValues_.empty() && highValues_.empty() && !optKey)
        return file_.records(count);

    // Count by reading, then put the view's place and the buffer back.
    const Cursor cur = cur_;
    const std::string low = placeLow_, high = placeHigh_, pos = position_;
    const std::size_t at = at_;
    std::vector<uint8_t> buffer(file_.buffer(), file_.buffer() + decl_.recordSize);
    Status s = setStart();
    uint32_t n = 0;
    while (s.ok()) {
        s = next();
        if (s.ok()) ++n;
    }
    std::memcpy(file_.buffer(), buffer.data(), decl_.recordSize);
    cur_ = cur;
    placeLow_ = low;
    placeHigh_ = high;
    position_ = pos;
    at_ = at;
    aligned_ = false;
    if (mode_ == Mode::Sorted) relocate();  // the list was built again
    if (s.code != kRecordNotAvailable) return s;
    count = n;
    return Status::okay();
}

}  // namespace kw::storage
