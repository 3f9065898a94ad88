#include "runtime/message_box.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <utility>

#include "runtime/codepage.h"

namespace kw::msgbox {

namespace {

std::atomic<Backend*> g_backend{nullptr};

// Boxes shown with no back end go to standard error, one at a time.
unsigned showOnConsole(const Box& box) {
    static std::mutex m;
    std::lock_guard lock(m);
    std::fprintf(stderr, "[%s] %s\n", cp::toUtf8(box.caption).c_str(),
                 cp::toUtf8(lines(box.text)).c_str());
    return box.defaultButton;
}

unsigned lowestBit(unsigned mask) {
    return mask & (~mask + 1);
}

}  // namespace

std::string_view buttonText(unsigned bit) {
    switch (bit) {
        case Ok:
            return "O&k";
        case Yes:
            return "&Yes";
        case No:
            return "&No";
        case Abort:
            return "&Abort";
        case Retry:
            return "&Retry";
        case Ignore:
            return "&Ignore";
        case Cancel:
            return "&Cancel";
        case Help:
            return "&Help";
        default:
            return "";
    }
}

std::string buttonLabel(unsigned bit) {
    std::string s;
    for (char c : buttonText(bit))
        if (c != '&') s += c;
    return s;
}

std::string lines(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c == '|') c = '\n';
    return s;
}

void normalize(unsigned& buttons, unsigned& defaultButton) {
    buttons &= kAllButtons;
    if (buttons == 0) buttons = Ok;
    if (defaultButton == 0 || (defaultButton & (defaultButton - 1)) != 0 ||
        (defaultButton & buttons) == 0)
        defaultButton = lowestBit(buttons);
}

std::vector<unsigned> buttonsOf(unsigned mask) {
    std::vector<unsigned> out;
    for (unsigned bit = 1; bit <= Help; bit <<= 1)
        if (mask & bit) out.push_back(bit);
    return out;
}

namespace {
struct BeforeBoxStep {
    unsigned id;
    std::function<void()> step;
};
thread_local std::vector<BeforeBoxStep> t_beforeBox;
thread_local unsigned t_lastBeforeBoxId = 0;

void beforeBox() {
    // Steps remove themselves: run copies.
    const std::vector<BeforeBoxStep> steps = t_beforeBox;
    for (const BeforeBoxStep& s : steps) s.step();
}
}  // namespace

BeforeBox::BeforeBox(std::function<void()> step) : id_(++t_lastBeforeBoxId) {
    t_beforeBox.push_back(BeforeBoxStep{id_, std::move(step)});
}

void BeforeBox::remove() {
    if (id_ == 0) return;
    std::erase_if(t_beforeBox, [this](const BeforeBoxStep& s) { return s.id == id_; });
    id_ = 0;
}

Backend* install(Backend* backend) {
    return g_backend.exchange(backend);
}

Backend* installed() {
    return g_backend.load();
}

unsigned show(std::string_view text, std::string_view caption, Icon icon, unsigned buttons,
              unsigned defaultButton, int style) {
    Box box{std::string(text), std::string(caption), icon, buttons, defaultButton, style};
    normalize(box.buttons, box.defaultButton);
    beforeBox();
    Backend* b = installed();
    unsigned r = b ? b->show(box) : showOnConsole(box);
    // A back end must answer with one of the box's buttons; anything else counts as the
    // default so callers never see a button they did not offer.
    if (r == 0 || (r & (r - 1)) != 0 || (r & box.buttons) == 0) r = box.defaultButton;
    return r;
}

unsigned showHistory(std::string_view caption, Icon icon, unsigned buttons, unsigned defaultButton,
                     std::vector<HistoryRow> rows) {
    HistoryBox box{std::string(caption), icon, buttons, defaultButton, std::move(rows)};
    normalize(box.buttons, box.defaultButton);
    beforeBox();
    Backend* b = installed();
    unsigned r;
    if (b) {
        r = b->showHistory(box);
    } else {
        std::string text;
        for (const HistoryRow& row : box.rows) text += row.message + "  [" + row.category + "]|";
        r = showOnConsole(Box{text, std::string(kHistoryTitle) + ": " + box.caption, icon,
                              box.buttons, box.defaultButton, 0});
    }
    if (r == 0 || (r & (r - 1)) != 0 || (r & box.buttons) == 0) r = box.defaultButton;
    return r;
}

}  // namespace kw::msgbox
