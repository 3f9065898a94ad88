// Locators: keys typed into a browse move its highlight to the first record whose
// free element (the sort order's first component not fixed by a range) is not less
// than what was typed.
//
//  - StepLocatorClass: a printable key moves the highlight one row down; when that
//    record's free element begins with the character it stays there (so repeated
//    presses step through the records with that initial), otherwise the browse
//    relocates to the character.
//  - IncrementalLocatorClass: printable keys are added to Shadow (at most 40
//    characters), Backspace takes the last one off; after each change the browse
//    relocates to Shadow and the locator's control shows it. Backspace on an empty
//    Shadow does nothing. Text typed into the locator's entry relocates when accepted.
//  - EntryLocatorClass: the user types into the locator's entry control; accepting
//    it relocates the browse to what it holds.
//
// Keys arrive as the window engine's key codes: Latin and Cyrillic letters (lower case,
// upper case with Shift), digits and the space bar are printable (ui::key::charOf).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/data/field_value.h"
#include "runtime/binding.h"

namespace kw {

class BrowseClass;

// The character a key code types; 0 for keys that type none.
char keyChar(int keyCode);

class LocatorClass {
  public:
    static constexpr std::size_t kShadowSize = 40;

    virtual ~LocatorClass() = default;

    // Control: the entry or string that shows the typed text (0 none). FreeElement: the
    // field searched. NoCase: compare without regard to letter case.
    void Init(int32_t Control, const FieldRef& FreeElement, uint8_t NoCase, BrowseClass& Browse);

    // --- virtual operations, in slot order -------------------------------------------
    virtual void Destruct();
    virtual std::string GetShadow();
    // Forgets what was typed.
    virtual void Reset();
    // Puts the locator's value into the free element of the record buffer.
    virtual void Set();
    // Makes the keys the locator takes alert keys of the list.
    virtual void SetAlerts(int32_t ListControl);
    virtual void SetShadow(std::string_view Text);
    // The locator's control was accepted: 1 when the browse should relocate.
    virtual uint8_t TakeAccepted();
    // A key on the list: 1 when the browse should relocate; 0 otherwise (a key the
    // locator does not take comes back as 0 with nothing changed).
    virtual uint8_t TakeKey();
    // Shows Shadow in the control.
    virtual void UpdateWindow();
    // Takes the control's text into Shadow.
    virtual void Update();

    // Whether the locator took the last key offered to TakeKey (even when it did not
    // ask to relocate).
    bool TookKey() const { return tookKey_; }

    // --- fields ------------------------------------------------------------------------
    BrowseClass* ViewManager = nullptr;
    int32_t Control = 0;
    FieldRef FreeElement;
    uint8_t NoCase = 0;
    std::string Shadow;

  protected:
    bool tookKey_ = false;
};

class StepLocatorClass : public LocatorClass {
  public:
    void SetAlerts(int32_t ListControl) override;
    uint8_t TakeKey() override;
};

class IncrementalLocatorClass : public LocatorClass {
  public:
    void SetAlerts(int32_t ListControl) override;
    uint8_t TakeKey() override;
    // Text typed into the locator's own entry, once accepted, moves the list too.
    uint8_t TakeAccepted() override;
};

class EntryLocatorClass : public LocatorClass {
  public:
    uint8_t TakeAccepted() override;
};

}  // namespace kw
