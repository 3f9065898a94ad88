#include "runtime/script/script_message_box.h"

#include <algorithm>
#include <cctype>

#include "runtime/proc_thread.h"

namespace kw::script {

namespace {

std::string normalizedLabel(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != '&' && c != ' ')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// What a box and the history window show alike.
template <class B>
ShownBox shownOf(ShownBox::Kind kind, const B& box) {
    ShownBox r;
    r.kind = kind;
    r.caption = box.caption;
    r.icon = box.icon;
    r.buttons = box.buttons;
    r.defaultButton = box.defaultButton;
    return r;
}

}  // namespace

void ScriptMessageBox::answer(unsigned bit) {
    {
        std::lock_guard lock(mu_);
        answers_.push_back(QueuedAnswer{bit, {}});
    }
    changed_.notify_all();
}

void ScriptMessageBox::answer(std::string_view buttonText) {
    {
        std::lock_guard lock(mu_);
        answers_.push_back(QueuedAnswer{0, std::string(buttonText)});
    }
    changed_.notify_all();
}

std::size_t ScriptMessageBox::pendingAnswers() const {
    std::lock_guard lock(mu_);
    return answers_.size();
}

void ScriptMessageBox::setAnswerTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard lock(mu_);
    timeout_ = timeout;
}

std::vector<ShownBox> ScriptMessageBox::shown() const {
    std::lock_guard lock(mu_);
    return shown_;
}

std::size_t ScriptMessageBox::count() const {
    std::lock_guard lock(mu_);
    return shown_.size();
}

ShownBox ScriptMessageBox::last() const {
    std::lock_guard lock(mu_);
    return shown_.empty() ? ShownBox{} : shown_.back();
}

bool ScriptMessageBox::waitForCount(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mu_);
    return changed_.wait_for(lock, timeout, [&] { return shown_.size() >= n; });
}

void ScriptMessageBox::clear() {
    std::lock_guard lock(mu_);
    std::erase_if(shown_, [](const ShownBox& b) { return b.answered; });
    answers_.clear();
}

unsigned ScriptMessageBox::show(const msgbox::Box& box) {
    ShownBox r = shownOf(ShownBox::Kind::Box, box);
    r.text = box.text;
    r.style = box.style;
    return present(std::move(r));
}

unsigned ScriptMessageBox::showHistory(const msgbox::HistoryBox& box) {
    ShownBox r = shownOf(ShownBox::Kind::History, box);
    r.rows = box.rows;
    return present(std::move(r));
}

std::optional<ScriptMessageBox::QueuedAnswer> ScriptMessageBox::nextAnswer(
    std::unique_lock<std::mutex>& lock, uint64_t seq) {
    // Boxes take answers in the order they were shown: a box waits while an older one
    // is still waiting for its answer.
    auto myTurn = [&] {
        for (const ShownBox& b : shown_) {
            if (b.seq == seq) break;
            if (!b.answered) return false;
        }
        return !answers_.empty();
    };
    if (!myTurn() && timeout_.count() > 0) changed_.wait_for(lock, timeout_, myTurn);
    if (answers_.empty()) return std::nullopt;
    QueuedAnswer a = std::move(answers_.front());
    answers_.pop_front();
    return a;
}

unsigned ScriptMessageBox::resolve(const QueuedAnswer& a, unsigned buttons) {
    if (a.text.empty())
        return (a.bit != 0 && (a.bit & (a.bit - 1)) == 0 && (a.bit & buttons)) ? a.bit : 0;
    std::string want = normalizedLabel(a.text);
    for (unsigned bit : msgbox::buttonsOf(buttons))
        if (normalizedLabel(msgbox::buttonText(bit)) == want) return bit;
    return 0;
}

unsigned ScriptMessageBox::present(ShownBox record) {
    record.thread = proc::currentThread();
    std::unique_lock lock(mu_);
    const uint64_t seq = ++lastSeq_;
    record.seq = seq;
    shown_.push_back(std::move(record));
    changed_.notify_all();

    std::optional<QueuedAnswer> a = nextAnswer(lock, seq);
    // clear() keeps boxes that are still up, so the record is there.
    auto it =
        std::find_if(shown_.begin(), shown_.end(), [&](const ShownBox& b) { return b.seq == seq; });
    ShownBox& r = *it;
    unsigned bit = a ? resolve(*a, r.buttons) : 0;
    if (bit == 0) {
        bit = r.defaultButton;
        r.answeredByDefault = true;
        if (a) {
            std::string given = a->text.empty() ? std::to_string(a->bit) : a->text;
            r.note = "answer \"" + given + "\" names no button of this box";
        }
    }
    r.answer = bit;
    r.answered = true;
    changed_.notify_all();
    return bit;
}

}  // namespace kw::script
