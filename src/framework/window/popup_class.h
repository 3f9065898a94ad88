// PopupClass: a popup menu built item by item and shown where the user clicked. An
// item may mimic a button of the window (it follows the button's enabled and hidden
// state, and choosing it presses the button), post an event, or do nothing but name
// itself to the caller. One level of submenus: the items of a submenu follow the item
// that opens it with Depth 1. The same items can be shown as a floating window of
// buttons (Toolbox).
//
// Item names are the text without '&' (and without the '~' and '+' marks of a menu
// text), made unique by a number ("Insert", "Insert2"); a separator is the text "-"
// named "Separator", "Separator2", ...
//
// Menu texts (AddMenu, AddSubMenu): items separated by '|'; "-" a separator; a leading
// '~' disables an item and '+' checks it; "{Title|item|item}" a submenu titled Title.
//
// Belongs to one procedure's window; runs on its thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/window_engine.h"

namespace kw {

class INIClass;
class TranslatorClass;

struct PopupEntry {
    std::string Name;
    std::string Text;
    int32_t ControlID = 0;  // the mimicked button, 0 none
    int32_t Event = 0;      // posted for ControlID when chosen, 0 none
    uint8_t MimicMode = 0;  // 1: follows and presses ControlID
    uint8_t Disabled = 0;
    uint8_t Check = 0;
    uint8_t OnToolbox = 1;
    std::string Icon;
    uint8_t Depth = 0;
};

class PopupClass {
  public:
    void Init(ui::Window& Parent);
    // Appends an item (Depth 1: into the submenu of the depth-0 item before it); returns
    // its name (Name when given and free).
    std::string AddItem(std::string_view Text, std::string_view Name = {}, uint8_t Depth = 0);
    // The item named Name mimics Control; a missing item is added with the button's text.
    void AddItemMimic(std::string_view Name, int32_t Control);
    // Choosing the item posts Event for Control.
    void AddItemEvent(std::string_view Name, int32_t Event, int32_t Control = 0);
    // A submenu titled Text with the items of MenuText; returns the title item's name.
    std::string AddSubMenu(std::string_view Text, std::string_view MenuText,
                           std::string_view Name = {});
    // Appends every item of a menu text.
    void AddMenu(std::string_view MenuText);
    void SetItemEnable(std::string_view Name, bool On);
    void SetItemCheck(std::string_view Name, bool On);
    void SetIcon(std::string_view Name, std::string_view Icon);
    // Removes the item (and the items of its submenu).
    void DeleteItem(std::string_view Name);
    void DeleteAll() { Items.clear(); }
    bool GetItemEnabled(std::string_view Name);
    bool GetItemChecked(std::string_view Name);
    // Shows the menu at (X, Y) of the window (negative: at the mouse) and performs the
    // chosen item; returns its name, "" when the menu was dismissed.
    std::string Ask(int X = -1, int Y = -1);
    // Performs an item: presses its button or posts its event.
    void ExecutePopup(std::string_view Name);
    std::string GetLastSelection() const { return LastSelection; }
    // The items as a window of buttons titled Title; pressing one closes it and performs
    // the item. Returns its name, "" when closed without a choice.
    std::string Toolbox(std::string_view Title);
    void Kill();

    // The items as the menu shows them now: mimicked buttons that are hidden or absent
    // left out, disabled ones disabled, separators never doubled; `names` gets the name
    // of each item shown.
    std::vector<ui::PopupItem> Shown(std::vector<std::string>* names = nullptr);

    std::vector<PopupEntry> Items;
    int32_t ClearKeyCode = 0;
    std::string LastSelection;
    TranslatorClass* Translator = nullptr;
    INIClass* INIMgr = nullptr;
    uint8_t InToolbox = 0;
    ui::Window* ParentWindow = nullptr;

  private:
    PopupEntry* find(std::string_view Name);
    std::string uniqueName(std::string_view Text, std::string_view Name) const;
    // Whether the mimicked control can be seen (present and not hidden) and used.
    void controlState(const PopupEntry& e, bool& visible, bool& enabled) const;
};

}  // namespace kw
