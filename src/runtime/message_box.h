// The message-box service: every modal message of the program (the error manager's,
// the assertion service's and the application's own) goes through here to whichever
// back end is installed: the Qt one in the program, the scripted one in tests.
//
// Texts and captions are CP1251; a '|' in a text starts a new line. Buttons are the
// bit mask below; a box returns the bit of the button that was pressed.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kw::msgbox {

// Button bits, in the order the error manager numbers them.
enum Button : unsigned {
    Ok = 1,
    Yes = 2,
    No = 4,
    Abort = 8,
    Retry = 16,
    Ignore = 32,
    Cancel = 64,
    Help = 128,
};
constexpr unsigned kAllButtons = 0xFF;

enum class Icon { None, Information, Exclamation, Question, Stop };

// Style bits (0: modal to the application).
enum Style : int {
    SystemModal = 1,  // stays above every window of the program
};

// The button's own text with its '&' mnemonic: "O&k", "&Yes", ... ("" for a bit that
// is not exactly one button).
std::string_view buttonText(unsigned bit);
// The same without the '&': "Ok", "Yes", ...
std::string buttonLabel(unsigned bit);
// The text with every '|' turned into '\n'.
std::string lines(std::string_view text);

// A box as a back end receives it. `buttons` is never 0 and `defaultButton` is always
// one of `buttons` (see normalize()).
struct Box {
    std::string text;
    std::string caption;
    Icon icon = Icon::None;
    unsigned buttons = Ok;
    unsigned defaultButton = Ok;
    int style = 0;
};

// One row of the history window.
struct HistoryRow {
    std::string message;
    std::string category;
};

// The history window: the window titled "Error" with the list of (message, category)
// rows and the buttons. `caption` is shown inside the window, beside the icon.
struct HistoryBox {
    std::string caption;
    Icon icon = Icon::None;
    unsigned buttons = Ok;
    unsigned defaultButton = Ok;
    std::vector<HistoryRow> rows;
};

inline constexpr std::string_view kHistoryTitle = "Error";
inline constexpr std::string_view kHistoryMessageColumn = "Message";
inline constexpr std::string_view kHistoryCategoryColumn = "Category";

// Makes a button mask and default sound: bits above 128 are dropped, an empty mask
// becomes Ok, and a default that is not one of the buttons becomes the lowest button.
void normalize(unsigned& buttons, unsigned& defaultButton);

// The bits of a mask from the lowest up (the order the buttons stand left to right).
std::vector<unsigned> buttonsOf(unsigned mask);

// What shows boxes. show() and showHistory() block until a button is pressed and
// return its bit (one of box.buttons). They may be called from any thread at once.
class Backend {
  public:
    virtual ~Backend() = default;
    virtual unsigned show(const Box& box) = 0;
    virtual unsigned showHistory(const HistoryBox& box) = 0;
};

// Installs the back end (nullptr: none) and returns the previous one. The caller keeps
// ownership and must keep it alive while installed. With no back end a box is written
// to standard error and answered with its default button.
Backend* install(Backend* backend);
Backend* installed();

// Shows a box through the installed back end; returns the pressed button's bit.
unsigned show(std::string_view text, std::string_view caption, Icon icon = Icon::None,
              unsigned buttons = Ok, unsigned defaultButton = 0, int style = 0);
// Shows the history window; returns the pressed button's bit.
unsigned showHistory(std::string_view caption, Icon icon, unsigned buttons, unsigned defaultButton,
                     std::vector<HistoryRow> rows);

// A step run on the calling thread right before each box (or history window) that
// thread shows, while the object is alive (and not removed): a holder of a lock that
// other stations wait on gives it up first, so that no station waits on an operator
// reading a box. Several may be alive at once; a step may remove itself or others.
class BeforeBox {
  public:
    BeforeBox() = default;
    explicit BeforeBox(std::function<void()> step);
    ~BeforeBox() { remove(); }
    BeforeBox(const BeforeBox&) = delete;
    BeforeBox& operator=(const BeforeBox&) = delete;
    void remove();

  private:
    unsigned id_ = 0;
};

// Installs a back end for the lifetime of the object and puts the previous one back.
class ScopedBackend {
  public:
    explicit ScopedBackend(Backend& backend) : previous_(install(&backend)) {}
    ~ScopedBackend() { install(previous_); }
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;

  private:
    Backend* previous_;
};

}  // namespace kw::msgbox
