// The shared state of open windows. A window's procedure thread changes it through
// Window; a back end shows it and writes back what the user does; the test driver of
// the scripted back end reads and writes it like a user. Everything but the definition is
// guarded by the one UI mutex (uiMutex()); the back end is never called with it held.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "runtime/window_def.h"

namespace kw::ui {

struct Event {
    int code = 0;
    int control = 0;  // 0 for a window event
    int key = 0;      // AlertKey: the key code
    int thumb = 0;    // ScrollDrag: the thumb position 0..100
};

// One item of a popup menu (Window::popup).
struct PopupItem {
    std::string text;  // CP1251, '&' marks the shortcut; "-" is a separator
    int depth = 0;  // 0 top level; 1 an item of the submenu that the depth-0 item before it opens
    bool enabled = true;
    bool checked = false;
};

// A popup menu up over a window and waiting for the user (scripted back end).
struct PopupState {
    bool up = false;
    std::vector<PopupItem> items;
    int answer = 0;  // set by the user: the item's number from 1, -1 dismissed; 0 none yet
};

struct ControlState {
    std::string text;     // what the control shows (CP1251); entries: the text typed
    bool enabled = true;  // own state; see WindowModel::usable()
    bool hidden = false;
    bool edited = false;   // typed into since last shown or taken
    bool checked = false;  // Check
    int choice = 0;        // List: row; Option: radio (1-based index); Sheet: tab
    std::vector<std::vector<std::string>> rows;  // List: the cells as shown
    unsigned rowsVersion = 0;                    // changes whenever rows change
    int visibleRows = 0;                         // List: rows that fit (the back end may change it)
    int thumb = 0;                               // List: thumb position 0..100
    std::vector<int> alerts;                     // key codes that raise AlertKey on this control
};

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;  // pixels
    bool maximized = false;
    bool iconised = false;
};

// Window-level parts a refresh concerns.
namespace change {
constexpr unsigned Title = 1;
constexpr unsigned Blocked = 2;
constexpr unsigned Focus = 4;
constexpr unsigned Geometry = 8;
constexpr unsigned Cursor = 16;
constexpr unsigned Limits = 32;  // minimum and maximum size
}  // namespace change

class WindowModel {
  public:
    explicit WindowModel(WindowDef s);

    const WindowDef def;  // fixed once open; safe to read without the lock

    // Guarded by uiMutex().
    std::string title;
    std::vector<ControlState> controls;  // parallel to def.controls
    std::deque<Event> queue;
    int focus = 0;
    bool open = false;
    bool blocked = false;  // a later window of the same thread is open
    uint32_t cursor = 0;
    std::vector<int> alerts;  // key codes that raise AlertKey on every control
    Geometry geometry;
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
    int firstWidth = 0, firstHeight = 0;  // size when first shown
    PopupState popup;                     // the popup menu up now, if any (scripted back end)
    std::thread::id owner;                // the procedure thread that opened it
    int ownerNumber = 0;                  // its procedure-thread number
    uint64_t serial = 0;                  // opening order
    uint64_t posted = 0;                  // events pushed so far
    uint64_t taken = 0;                   // events taken by the accept loop so far

    // The back end's own object for this window; used on the back end's side only.
    void* peer = nullptr;

    int indexOf(int feq) const;
    const Control* control(int feq) const;
    ControlState* state(int feq);
    const ControlState* state(int feq) const;
    // Not hidden, itself and every container around it (a Tab's page counts as
    // visible only while its tab is the sheet's chosen one).
    bool visible(int feq) const;
    // Visible and enabled, itself and every container around it.
    bool usable(int feq) const;

    // Appends an event and wakes the waiters; ignored once the window is closed.
    // Caller holds uiMutex().
    void push(const Event& e);

  private:
    std::unordered_map<int, int> index_;
};

std::mutex& uiMutex();
// Notified on every change of any window's state or queue.
std::condition_variable& uiChanged();

// The refresh a back end is asked for: the controls whose state changed (by number)
// and the window-level parts (change::...).
struct Refresh {
    std::vector<int> controls;
    unsigned window = 0;
    bool empty() const { return controls.empty() && window == 0; }
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Creates and shows the window's peer; false when it cannot. Blocks until shown.
    virtual bool open(const std::shared_ptr<WindowModel>& w) = 0;
    // Removes the peer. Blocks until gone.
    virtual void close(const std::shared_ptr<WindowModel>& w) = 0;
    // Brings the screen up to date with the model for what `r` names.
    virtual void refresh(const std::shared_ptr<WindowModel>& w, const Refresh& r) = 0;
    virtual void beep() {}
    // Shows a popup menu over the window, at (x, y) pixels of the window (the mouse's
    // place when x or y is negative), and blocks until the user chooses or dismisses
    // it. Returns the chosen item's number in `items` (from 1; never a separator, a
    // disabled item or one that opens a submenu), 0 when dismissed or when the back
    // end shows no popup menus.
    virtual int popup(const std::shared_ptr<WindowModel>& w, const std::vector<PopupItem>& items,
                      int x, int y) {
        (void)w, (void)items, (void)x, (void)y;
        return 0;
    }
    // True when the calling thread is the back end's own (GUI) thread: a window opened
    // there must keep the back end running while it waits for events.
    virtual bool isOwnThread() const { return false; }
    // Runs the back end's own work for up to `ms` milliseconds (on its own thread).
    virtual void pump(int ms) { (void)ms; }
};

// Installs the back end (nullptr: none) and returns the previous one; the caller keeps
// ownership. Windows opened with no back end fail to open.
Backend* installBackend(Backend* b);
Backend* backend();

// Open windows, oldest first.
std::vector<std::shared_ptr<WindowModel>> openWindows();

// Queues an event for a window from any thread (ignored once it is closed).
void postEvent(const std::shared_ptr<WindowModel>& w, const Event& e);

// Marks the calling thread as waiting for the user (in an accept loop, a message box)
// for its lifetime; drivers use this to know that a procedure has finished reacting.
class WaitingScope {
  public:
    WaitingScope();
    ~WaitingScope();
    WaitingScope(const WaitingScope&) = delete;
    WaitingScope& operator=(const WaitingScope&) = delete;
};
// Whether thread `id` is waiting for the user now. Caller holds uiMutex().
bool isWaitingLocked(std::thread::id id);
// How many times thread `id` has begun to wait for the user. Caller holds uiMutex().
uint64_t waitCountLocked(std::thread::id id);

namespace detail {
// Open windows, oldest first. Caller holds uiMutex().
const std::vector<std::shared_ptr<WindowModel>>& openLocked();
// Caller holds uiMutex().
void addWaitingLocked(std::thread::id id, int delta);
// Registers an opened window; returns the window of the same thread that it blocks
// (null when none). Caller holds uiMutex().
std::shared_ptr<WindowModel> registerLocked(const std::shared_ptr<WindowModel>& w);
// Unregisters a window; returns the window of its thread that becomes usable again
// (null when none). Caller holds uiMutex().
std::shared_ptr<WindowModel> unregisterLocked(const std::shared_ptr<WindowModel>& w);
}  // namespace detail

}  // namespace kw::ui
