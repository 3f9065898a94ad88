// WindowComponent: what a part of a procedure's window (a browse list, the resizer,
// the history window's list) offers its WindowManager once registered with AddItem.
// The manager calls these from the procedure's thread, inside its accept loop; a
// component reads the event it is offered from the manager's window (Win.event(),
// Win.field(), ...). Components are not owned by the manager; they must outlive its
// Kill, which calls their Kill and forgets them.
#pragma once

#include <cstdint>

#include "runtime/level.h"

namespace kw {

class WindowComponent {
  public:
    virtual ~WindowComponent() = default;

    // The window is ending: release what the component holds. Called once by the
    // manager's Kill.
    virtual void Kill() = 0;
    // Brings the component's data up to date (Force 1: even when it thinks it is).
    virtual void Reset(uint8_t Force) = 0;
    // 1 when the component needs the window reset after the event just handled.
    virtual uint8_t ResetRequired() = 0;
    // Registers the component's alert keys with the window.
    virtual void SetAlerts() = 0;
    // Offered every event the manager did not settle itself: Benign to let the others
    // (and the window engine) go on, Notify when the component consumed it, Fatal to
    // leave the accept loop.
    virtual Level TakeEvent() = 0;
    // Takes what the screen shows into the component's variables.
    virtual void Update() = 0;
    // Shows the component's state on the screen.
    virtual void UpdateWindow() = 0;
};

}  // namespace kw
