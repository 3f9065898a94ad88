// The test driver of the scripted window back end: it finds open windows and acts on
// them as a user would, from the test's own thread, while each window's procedure runs
// on its procedure thread.
//
// Every action queues what a user's action would queue and then waits until the
// window's procedure has taken it and is waiting for the user again (in any accept
// loop or message box), or the window has closed; it answers Timeout when that takes
// longer than the driver's timeout (the action stays queued). Actions on a window that
// is blocked by a later window of its thread, or on a control that is disabled or
// hidden (itself or through a container), are refused and change nothing.
//
// Texts are CP1251, as in memory; kw::W("...") makes them from UTF-8 literals.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/script/script_message_box.h"
#include "runtime/window_events.h"
#include "runtime/window_model.h"

namespace kw::script {

enum class Drive {
    Ok,
    Closed,     // the window is not open (any more)
    Blocked,    // a later window of the same thread is open
    NoControl,  // no such control (number, label or use variable)
    Disabled,
    Hidden,
    WrongKind,  // e.g. typing into a button
    Ignored,    // a key that nothing reacts to
    Timeout,    // the procedure did not come back to wait for the user in time
};
const char* describe(Drive d);

// How long actions and waits wait by default (5 s).
void setTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds timeout();

class WindowDriver {
  public:
    WindowDriver() = default;
    explicit WindowDriver(std::shared_ptr<ui::WindowModel> w) : w_(std::move(w)) {}
    explicit operator bool() const { return w_ != nullptr; }

    bool isOpen() const;
    bool isBlocked() const;
    std::string title() const;
    int thread() const;  // procedure-thread number of its procedure

    // Actions.
    // Types `text` over the entry's contents (focusing it first). With `complete` the
    // entry is then left (Accepted); without, the text stays pending like text typed
    // but not yet confirmed. By use variable: the entry of that variable, even when
    // another control before it shows the same variable.
    Drive type(int control, std::string_view text, bool complete = true);
    Drive type(std::string_view useName, std::string_view text, bool complete = true);
    // Presses a button or menu item, by number or by its label without '&'.
    Drive press(int control);
    Drive press(std::string_view label);
    Drive check(int control, bool on);
    Drive choose(int option, int radio);  // radio: 1-based among the option's radios
    Drive chooseTab(int sheet, int tab);  // tab: 1-based among the sheet's tabs
    Drive selectRow(int list, int row);
    Drive scroll(int list, int event);   // ui::ev::ScrollUp .. ScrollBottom
    Drive drag(int list, int position);  // the thumb, 0..100
    Drive focus(int control);
    // A key on a control (0: the focused one): an alert key raises AlertKey; otherwise
    // Enter presses the default button (in an update form: moves on as Tab does, and on
    // a button presses it), Ctrl+Enter presses the default button, Esc closes, Tab moves
    // on past read-only entries, list keys move the
    // highlight or scroll (Home and End: the page's first and last row, as a list
    // widget does); anything else is Ignored.
    Drive key(int control, int keyCode);
    Drive closeBox();  // as the window's close box does
    // The popup menu up over the window (empty when none): its items in order.
    std::vector<ui::PopupItem> popupMenu() const;
    // Chooses an item of the popup menu that is up, by its number (from 1) or by its
    // label without '&' (a submenu's item as "Submenu/Item"), and waits until the
    // procedure has reacted. NoControl when no menu is up or no such item, Disabled
    // for a disabled item, WrongKind for a separator or an item that opens a submenu.
    Drive choosePopup(int item);
    Drive choosePopup(std::string_view label);
    // Closes the popup menu without a choice.
    Drive dismissPopup();
    Drive resize(int width, int height);
    // Waits until the procedure waits for the user (or the window closed).
    Drive settle() const;
    // Waits until the window has closed.
    bool waitClosed(std::chrono::milliseconds timeout) const;

    // Reading, as the user sees it: texts clipped of trailing blanks, labels without
    // their '&', password entries as '*'.
    std::string shown(int control) const;
    std::string shown(std::string_view useName) const;
    bool enabled(int control) const;  // usable: it and its containers enabled and visible
    bool hidden(int control) const;   // hidden, itself or through a container
    bool checked(int control) const;
    int choice(int control) const;
    int rows(int list) const;
    std::string cell(int list, int row, int column) const;
    // The text colour of a list's column (1-based) as the window defines it, a Windows
    // colour value 0x00BBGGRR; ui::Column::kDefaultColor for the list's own colour or
    // when there is no such column.
    uint32_t columnColor(int list, int column) const;
    int focused() const;
    int find(std::string_view label) const;       // control number of a label; 0 none
    int findUse(std::string_view useName) const;  // control number of a use variable; 0 none
    std::vector<int> controls() const;
    uint32_t cursor() const;
    ui::Geometry geometry() const;
    // Every control on one line: "number kind [flags] shown-text".
    std::string dump() const;

    const std::shared_ptr<ui::WindowModel>& model() const { return w_; }

  private:
    // Whether the control can be acted on; caller holds ui::uiMutex().
    Drive usableAs(int control, std::initializer_list<ui::ControlKind> kinds) const;
    Drive afterPosting(uint64_t target) const;
    // Caller holds ui::uiMutex().
    int nextInTabOrder(int control) const;
    // Gives the popup menu's answer and waits until its procedure waits again.
    Drive answerPopup(int answer);

    std::shared_ptr<ui::WindowModel> w_;
};

// The newest open window titled `title` (trailing blanks ignored); empty when none
// opened within the timeout.
WindowDriver waitWindow(std::string_view title);
WindowDriver waitWindow(std::string_view title, std::chrono::milliseconds timeout);
// Open windows, oldest first.
std::vector<WindowDriver> windows();

// The scripted message boxes, aware of the window driver: a procedure waiting in a box
// for an answer counts as waiting for the user, so actions that raise a box come back.
class DriverMessageBox : public ScriptMessageBox {
  public:
    // Answers the box that is up (a button bit or text, as answer() takes them) and
    // waits until its procedure has gone on and waits for the user again. With no box
    // up the answer is queued for the next one and Ok comes back at once.
    Drive reply(std::string_view button);
    Drive reply(unsigned bit);

  protected:
    std::optional<QueuedAnswer> nextAnswer(std::unique_lock<std::mutex>& lock,
                                           uint64_t seq) override;

  private:
    Drive replyWith(const std::function<void()>& give);

    std::thread::id boxThread_;  // guarded by mu_: the thread of the box now waiting
    bool boxUp_ = false;
};

}  // namespace kw::script
