// The window engine as a procedure sees it. A procedure thread opens a Window from a
// WindowDef and runs its accept loop:
//
//     ui::Window w;
//     if (!w.open(def)) return;               // w.error() says why
//     while (int e = w.accept()) {             // 0 once the window is closed
//         if (e == ui::ev::Accepted && w.field() == okButton) { w.selectAll(); w.consume(); }
//         if (e == ui::ev::Completed) w.close();
//     }
//
// accept() first carries out the default handling of the previous event unless the
// procedure called consume(): CloseWindow and CloseDown close the window, Rejected
// refocuses the control, list scroll events move the highlight. Accepted on an entry
// arrives only for text that fits the entry's picture and variable, and the variable
// already holds the new value; text that does not fit arrives as Rejected instead and
// leaves the variable alone.
//
// Each window has its own event queue; the procedure thread blocks on it. Opening a
// window blocks the windows already open on the same thread until it closes (the
// windows of other threads stay usable). Every call must come from the thread that
// opened the window: variables (record buffers are per thread) are read
// and written only there. Messages to the user go through kw::msgbox.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/binding.h"
#include "runtime/page_queue.h"
#include "runtime/window_def.h"
#include "runtime/window_events.h"
#include "runtime/window_model.h"

namespace kw::ui {

class Window {
  public:
    Window() = default;
    ~Window();  // closes the window when still open
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Opens the window on the installed back end; its first events are OpenWindow and
    // Shown. False when no back end is installed, the window definition is unsound, this object
    // already holds an open window, or the back end failed; error() says which.
    bool open(WindowDef def);
    const std::string& error() const { return error_; }
    bool isOpen() const;
    void close();

    // The accept loop.
    int accept();
    int event() const { return current_.code; }
    int field() const { return current_.control; }
    int keyCode() const { return current_.key; }
    int thumbPosition() const { return current_.thumb; }
    // Why the current Rejected event came (Ok for other events).
    picture::ParseResult rejection() const { return rejection_; }
    // What is wrong with the text an entry shows, as a short Russian sentence (CP1251);
    // "" when it fits the entry's picture or the control is no entry.
    std::string rejectionText(int control) const;
    void consume() { consumed_ = true; }
    // Queues an event for this window's loop. Other threads use
    // ui::postEvent(model(), ...) with the model they were given.
    void post(int event, int control = 0);

    // Focus and validation.
    void select(int control);
    // Starts the accept-all pass: the next accept() calls deliver Accepted for every
    // usable entry in order (its variable taken), then Completed; an entry whose text
    // does not fit ends the pass with Rejected for it (and focuses it).
    void selectAll();
    bool acceptAllActive() const { return pass_ >= 0; }
    int focus() const;

    // Variables and screen. update() takes the entries' texts (and check boxes and
    // option groups) into their variables; entries whose text does not fit keep their
    // variable; returns how many did not fit. display() shows the variables (and the
    // lists' page queues); display() of the whole window skips entries the user is
    // typing into, display(control) does not.
    int update(int control = 0);
    void display(int control = 0);
    std::string contents(int control) const;  // the control's text as shown
    void setText(int control, std::string_view text);
    std::string title() const;
    void setTitle(std::string_view title);
    void enable(int control, bool on = true);
    void disable(int control) { enable(control, false); }
    void enableRange(int first, int last, bool on);
    void hide(int control, bool hidden = true);
    void unhide(int control) { hide(control, false); }
    bool enabled(int control) const;  // the control's own state
    bool hidden(int control) const;
    bool checked(int control) const;

    // Lists (rows 1-based).
    void setQueue(int list, PageQueue* queue);
    int choice(int control) const;  // list row, option radio, sheet tab; 0 none
    void setChoice(int control, int choice);
    int visibleRows(int list) const;
    int rows(int list) const;  // rows shown now
    void setThumb(int list, int position);

    // Keys: `key` pressed on `control` (0: any control) arrives as AlertKey.
    void alert(int control, int key);
    void clearAlerts(int control);

    // Popup menu: shows `items` at (x, y) pixels of the window (negative: where the
    // mouse is) and waits for the user; the chosen item's number (from 1), 0 when the
    // menu was dismissed or cannot be shown.
    int popup(const std::vector<PopupItem>& items, int x = -1, int y = -1);

    void setTimer(int hundredths);    // 0 stops it
    void setCursor(uint32_t cursor);  // cursor::Wait while busy, cursor::Normal after
    Geometry geometry() const;
    void setGeometry(const Geometry& g);
    void firstSize(int& width, int& height) const;
    void setMinSize(int width, int height);
    void setMaxSize(int width, int height);
    void beep();

    std::shared_ptr<WindowModel> model() const { return m_; }

  private:
    bool fail(std::string why);
    bool waitNext(Event& e);
    bool prepare(Event& e);
    bool passStep(Event& e);
    void defaultAction(const Event& e);
    void focusTo(int control);
    void scrollList(const Event& e);
    // Takes one control's screen state into its variable; the parse result.
    picture::ParseResult take(int index);
    // The text/choice/checked/rows a control should show from its variable; false when
    // it shows nothing from a variable.
    bool showOf(int index, ControlState& out) const;
    // Puts a control's fresh state from showOf() into the model; whole: a display of the
    // whole window, which leaves entries being typed into alone. True when it changed.
    // Caller holds uiMutex() (or the model is not shared yet).
    bool mergeLocked(std::size_t index, ControlState& fresh, bool whole);
    void refresh(const Refresh& r);
    int radioIndex(int option, const Value& v) const;
    std::string radioValue(int option, int radio) const;

    std::shared_ptr<WindowModel> m_;
    std::vector<picture::Picture> pics_;                  // per control
    std::vector<std::vector<picture::Picture>> colPics_;  // per control (lists)
    std::vector<PageQueue*> queues_;                      // per control (lists)
    Event current_;
    bool consumed_ = false;
    picture::ParseResult rejection_ = picture::ParseResult::Ok;
    int pass_ = -1;  // index of the next control of the accept-all pass; -1 none
    std::chrono::milliseconds timer_{0};
    int64_t nextTimer_ = 0;  // clock::ticks() when the timer comes due
    std::string error_;
};

}  // namespace kw::ui
