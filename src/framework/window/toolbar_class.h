// The toolbar dispatcher: routes the shared toolbar buttons (3001..3013) that a window
// receives as accepted controls to the window's current target, a browse or an update
// form.
//
//   number  browse            update form
//   3001    insert            save, then insert a new record
//   3002    change
//   3003    delete
//   3005    last record       save, then the last record of the calling browse
//   3006    first record      save, then the first record
//   3007    page down         save, then a page down
//   3008    page up           save, then a page up
//   3009    next record       save, then the next record (insert form: add another)
//   3010    previous record   save, then the previous record
//   3012                      restore the focused field from the history (ditto)
//   3013    help              help
//
// An update form's navigation stores the button's number in the form's navigation
// request (WindowManager::VCRRequest) and completes the form; the calling browse's Ask
// then moves in that direction and opens the form again on the new record.
//
// The targets and the toolbar belong to one procedure's window and run on its thread.
// Buttons of these numbers that the window itself has are enabled, disabled and
// hidden to match the target (DisplayButtons); the tips the target gives are kept in
// Tip() for whatever shows the toolbar.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/level.h"

namespace kw {

class BrowseClass;
class WindowManager;

namespace vcr {
inline constexpr int32_t Insert = 3001;
inline constexpr int32_t Change = 3002;
inline constexpr int32_t Delete = 3003;
inline constexpr int32_t Select = 3004;
inline constexpr int32_t Bottom = 3005;  // last record
inline constexpr int32_t Top = 3006;     // first record
inline constexpr int32_t PageDown = 3007;
inline constexpr int32_t PageUp = 3008;
inline constexpr int32_t Down = 3009;  // next record
inline constexpr int32_t Up = 3010;    // previous record
inline constexpr int32_t Locate = 3011;
inline constexpr int32_t History = 3012;
inline constexpr int32_t Help = 3013;
inline constexpr int32_t First = Insert;
inline constexpr int32_t Last = Help;
}  // namespace vcr

class ToolbarClass;

// A target of the toolbar. The base presses the target's insert, change and delete
// buttons for 3001..3003 and answers help (3013).
class ToolbarTarget {
  public:
    virtual ~ToolbarTarget() = default;

    // The button's event on the target: Notify when the target took it.
    virtual Level TakeEvent(int32_t* VCRRequest, WindowManager& Window);
    // The target becomes current: its buttons and tips.
    virtual void TakeToolbar(ToolbarClass& Toolbar);
    // Help for the target; there is no help file, so it does nothing by default.
    virtual void TakeHelp() {}
    // Whether the target claims the focused control (0: every control).
    virtual bool Claims(int32_t Focus) const { return Control == 0 || Control == Focus; }

    int32_t Control = 0;  // the control the target belongs to, 0 any
    int32_t InsertButton = 0;
    int32_t ChangeButton = 0;
    int32_t DeleteButton = 0;
    int32_t SelectButton = 0;
    int32_t HelpButton = 0;
};

// The target of an update form.
class ToolbarUpdateClass : public ToolbarTarget {
  public:
    Level TakeEvent(int32_t* VCRRequest, WindowManager& Window) override;
    void TakeToolbar(ToolbarClass& Toolbar) override;

    uint8_t Request = 0;  // the form's request
    uint8_t History = 0;  // the form has ditto fields
};

// The target of a browse: its buttons, and the navigation buttons scroll it.
class BrowseToolbarClass : public ToolbarTarget {
  public:
    explicit BrowseToolbarClass(BrowseClass& Browse) : Browse(&Browse) {}
    Level TakeEvent(int32_t* VCRRequest, WindowManager& Window) override;
    void TakeToolbar(ToolbarClass& Toolbar) override;

    BrowseClass* Browse;
};

class ToolbarClass {
  public:
    struct Button {
        bool Enabled = false;
        bool Hidden = false;
        std::string Tip;
    };

    void Init();
    void Kill();
    // Registers a target for a control (0: it claims every control).
    void AddTarget(ToolbarTarget& Target, int32_t Control);
    void RemoveTarget(ToolbarTarget& Target);
    // With a control: the target registered for it becomes current. With 0: the last
    // target that claims the focused control of `Window` (when given).
    void SetTarget(int32_t Control, WindowManager* Window = nullptr);
    // An accepted toolbar button (3001..3013): 3012 restores the focused control from
    // the history; the others go to the current target. Benign for other events.
    Level TakeEvent(int32_t* VCRRequest, WindowManager& Window);
    // Shows the buttons' state on the window's own toolbar buttons, if it has any.
    void DisplayButtons(WindowManager& Window);

    // Button state as the current target set it.
    void SetButton(int32_t Number, bool Enabled, std::string Tip = std::string());
    void ResetButtons();
    const Button* ButtonOf(int32_t Number) const;
    std::string Tip(int32_t Number) const;

    ToolbarTarget* Current() const { return current_; }

  private:
    struct Entry {
        ToolbarTarget* Target;
        int32_t Control;
    };
    std::vector<Entry> targets_;
    ToolbarTarget* current_ = nullptr;
    std::map<int32_t, Button> buttons_;
};

}  // namespace kw
