#include "framework/data/buffered_pairs.h"

#include <cstring>

#include "runtime/proc_thread.h"

namespace kw {

namespace {

// Stores saved bytes of field `from` (its declaration) into field `to`.
void assignSaved(const FieldRef& to, const storage::FieldDecl& from, const std::string& saved) {
    uint8_t* dst = to.address();
    if (!dst || saved.size() != from.size) return;
    const bool textTo = field::isText(to.decl().type), textFrom = field::isText(from.type);
    if (textTo && textFrom) {
        const std::size_t n = std::min<std::size_t>(to.decl().size, saved.size());
        std::memcpy(dst, saved.data(), n);
        std::memset(dst + n, ' ', to.decl().size - n);
    } else if (!textTo && !textFrom) {
        field::setNumber(to, field::numberOf(from, reinterpret_cast<const uint8_t*>(saved.data())));
    } else {
        field::clear(to);
    }
}

bool equalSaved(const FieldRef& f, const storage::FieldDecl& from, const std::string& saved) {
    if (!f.valid() || saved.size() != from.size) return false;
    const bool text = field::isText(f.decl().type);
    if (text != field::isText(from.type)) return false;
    if (!text)
        return field::number(f) ==
               field::numberOf(from, reinterpret_cast<const uint8_t*>(saved.data()));
    auto clip = [](std::string s) {
        while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
        return s;
    };
    return clip(field::bytes(f)) == clip(saved);
}

}  // namespace

void BufferedPairsClass::AddPair(const FieldRef& Left, const FieldRef& Right) {
    std::lock_guard lock(mu_);
    pairs_.push_back(Pair{Left, Right});
    buffers_.clear();
}

const std::vector<std::string>* BufferedPairsClass::saved() const {
    auto it = buffers_.find(proc::currentThread());
    return it == buffers_.end() || it->second.size() != pairs_.size() ? nullptr : &it->second;
}

void BufferedPairsClass::AssignLeftToRight() {
    for (const Pair& p : pairs_) field::assign(p.Right, p.Left);
}

void BufferedPairsClass::AssignRightToLeft() {
    for (const Pair& p : pairs_) field::assign(p.Left, p.Right);
}

void BufferedPairsClass::AssignLeftToBuffer() {
    std::vector<std::string> values;
    for (const Pair& p : pairs_) values.push_back(field::bytes(p.Left));
    std::lock_guard lock(mu_);
    buffers_[proc::currentThread()] = std::move(values);
}

void BufferedPairsClass::AssignBufferToLeft() {
    std::lock_guard lock(mu_);
    const auto* s = saved();
    if (!s) return;
    for (std::size_t i = 0; i < pairs_.size(); ++i) field::setBytes(pairs_[i].Left, (*s)[i]);
}

void BufferedPairsClass::AssignBufferToRight() {
    std::lock_guard lock(mu_);
    const auto* s = saved();
    if (!s) return;
    for (std::size_t i = 0; i < pairs_.size(); ++i)
        if (pairs_[i].Left.valid()) assignSaved(pairs_[i].Right, pairs_[i].Left.decl(), (*s)[i]);
}

void BufferedPairsClass::ClearLeft() {
    for (const Pair& p : pairs_) field::clear(p.Left);
}

void BufferedPairsClass::ClearRight() {
    for (const Pair& p : pairs_) field::clear(p.Right);
}

bool BufferedPairsClass::EqualLeftRight() const {
    for (const Pair& p : pairs_)
        if (!field::equal(p.Left, p.Right)) return false;
    return true;
}

bool BufferedPairsClass::EqualLeftBuffer() const {
    std::lock_guard lock(mu_);
    const auto* s = saved();
    if (!s) return true;
    for (std::size_t i = 0; i < pairs_.size(); ++i)
        if (!field::equalBytes(pairs_[i].Left, (*s)[i])) return false;
    return true;
}

bool BufferedPairsClass::EqualRightBuffer() const {
    std::lock_guard lock(mu_);
    const auto* s = saved();
    if (!s) return false;
    for (std::size_t i = 0; i < pairs_.size(); ++i)
        if (!pairs_[i].Left.valid() || !equalSaved(pairs_[i].Right, pairs_[i].Left.decl(), (*s)[i]))
            return false;
    return true;
}

bool BufferedPairsClass::HasBuffer() const {
    std::lock_guard lock(mu_);
    return saved() != nullptr;
}

}  // namespace kw
