// The scripted message-box back end: no GUI. A test queues the answers (a button bit,
// or a button's text such as "Yes", "OK", "Cancel" or the box's own "&Yes"), and reads
// back every box that was shown with the answer it got. A box with no queued answer
// is answered with its default button, and the record says so.
//
// Boxes may be shown from several procedure threads at once; answers are taken in the
// order the boxes arrive. With setAnswerTimeout() a box waits that long for a test
// (on another thread) to queue its answer before it falls back to the default.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/message_box.h"

namespace kw::script {

struct ShownBox {
    enum class Kind { Box, History };
    Kind kind = Kind::Box;
    std::string caption;  // CP1251
    std::string text;     // CP1251, '|' kept as given ("" for the history)
    msgbox::Icon icon = msgbox::Icon::None;
    unsigned buttons = 0;
    unsigned defaultButton = 0;
    int style = 0;
    std::vector<msgbox::HistoryRow> rows;  // the history window's list
    int thread = 0;                        // procedure thread that showed it
    bool answered = false;                 // false while the box is still up
    unsigned answer = 0;                   // the bit returned
    bool answeredByDefault = false;        // no usable answer was queued
    std::string note;                      // why a queued answer was refused, "" if none
    uint64_t seq = 0;                      // 1, 2, ... in the order shown
};

class ScriptMessageBox : public msgbox::Backend {
  public:
    // Queue an answer for the next box. A text is matched against the box's button
    // labels ignoring '&' and letter case; an answer that names no button of the box is
    // used up, the default is taken instead and `note` says why.
    void answer(unsigned bit);
    void answer(std::string_view buttonText);
    std::size_t pendingAnswers() const;

    // How long a box waits for an answer when none is queued (0: it does not wait).
    void setAnswerTimeout(std::chrono::milliseconds timeout);

    // Every box shown since the last clear(), oldest first (copies).
    std::vector<ShownBox> shown() const;
    std::size_t count() const;
    // The most recent box; an empty record when none was shown.
    ShownBox last() const;
    // Waits until at least n boxes have been shown (answered or not); false on timeout.
    bool waitForCount(std::size_t n, std::chrono::milliseconds timeout) const;
    // Forgets the boxes answered so far and the answers still queued (boxes still up
    // stay until they are answered).
    void clear();

    unsigned show(const msgbox::Box& box) override;
    unsigned showHistory(const msgbox::HistoryBox& box) override;

  protected:
    struct QueuedAnswer {
        unsigned bit = 0;  // when text is empty
        std::string text;
    };
    // Takes the answer for the box numbered `seq` (called with mu_ held):
    // the next queued one, waiting up to the answer timeout. A driver that answers
    // boxes interactively overrides this.
    virtual std::optional<QueuedAnswer> nextAnswer(std::unique_lock<std::mutex>& lock,
                                                   uint64_t seq);

    mutable std::mutex mu_;
    mutable std::condition_variable changed_;  // a box was shown or an answer queued
    std::deque<QueuedAnswer> answers_;
    std::vector<ShownBox> shown_;

  private:
    unsigned present(ShownBox record);
    static unsigned resolve(const QueuedAnswer& a, unsigned buttons);

    std::chrono::milliseconds timeout_{0};
    uint64_t lastSeq_ = 0;
};

}  // namespace kw::script
