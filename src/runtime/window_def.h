// What a window is made of: its title, icon, background picture and timer, and its
// controls in order. The order is the tab order and the order of the layout; a
// control's number (its FEQ) is how procedures, events and tests name it.
//
// Texts are CP1251; an '&' in a label marks its shortcut letter ("&&" is a plain '&').
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/binding.h"
#include "runtime/page_queue.h"

namespace kw::report {
class Document;
}

namespace kw::ui {

enum class ControlKind {
    Prompt,  // a label; may be bound (then it shows its variable)
    Entry,   // text, number or date entry: the picture says which
    Button,
    Check,     // check box: its variable holds onValue or offValue
    Option,    // option group: its variable holds the chosen radio's value
    Radio,     // child of an Option
    Group,     // group box around its children
    Sheet,     // tabbed sheet; its children are Tabs
    Tab,       // one page of a Sheet; its children are the page's controls
    List,      // list box fed from a page queue
    Menu,      // a menu of the menu bar (parent 0) or a submenu (parent a Menu)
    Item,      // menu item, child of a Menu; text "-" is a separator
    Status,    // a field of the status bar; may be bound
    Image,     // a picture file
    Progress,  // a thermometer: its variable (0 to 100) shows as a bar
    Canvas,    // pages of a report (document); its text says which and how large:
               // "page across down zoom" (zoom -2 tile, -1 page width, else percent)
};

const char* kindName(ControlKind k);
bool isContainer(ControlKind k);

struct Column {
    std::string title;
    int width = 10;       // characters
    std::string picture;  // how the column's values show
    int queueColumn = 0;  // page-queue column; 0 = this column's position (1, 2, ...)
    bool right = false;   // right aligned (numbers and dates are right aligned anyway)
    // Text colour as a Windows colour value, 0x00BBGGRR (0x0000FF red, 0xFF0000 blue);
    // kDefaultColor: the list's own.
    uint32_t color = kDefaultColor;

    static constexpr uint32_t kDefaultColor = 0xFFFFFFFFu;
    Column& colored(uint32_t bgr) {
        color = bgr;
        return *this;
    }
};

struct Control {
    ControlKind kind = ControlKind::Prompt;
    int feq = 0;                 // 0: the previous control's number + 1 (the first gets 1)
    int parent = 0;              // containing Group, Option, Sheet, Tab or Menu; 0 = the window
    std::string text;            // label, button or item text, initial entry text
    std::string picture;         // entries, bound prompts and status fields, check and radio values
    Binding use;                 // the use variable
    std::string onValue = "1";   // Check: value when checked; Radio: value given to its Option
    std::string offValue = "0";  // Check: value when not checked
    std::vector<Column> columns;                 // List
    PageQueue* queue = nullptr;                  // List; not owned, must outlive the window
    const report::Document* document = nullptr;  // Canvas; not owned, must outlive the window
    std::string tip;                             // tool tip, or the status-bar hint of a menu item
    std::string file;                            // Image: picture file; Button: icon file
    int width = 0;           // layout hint in characters (0: from the picture or the text)
    int height = 0;          // List: visible rows; Entry: lines; other: unused
    bool sameLine = false;   // layout hint: beside the previous control instead of below it
    bool isDefault = false;  // Button: pressed by Enter
    bool readOnly = false;   // Entry: shows its variable, cannot be typed into
    bool password = false;   // Entry: shows '*' for each character
    bool disabled = false;   // initial state
    bool hidden = false;     // initial state

    static Control prompt(std::string text);
    // A prompt that shows its variable (a window's message line).
    static Control promptOf(Binding use, std::string picture);
    static Control entry(Binding use, std::string picture, int width = 0);
    static Control button(std::string text);
    static Control check(std::string text, Binding use, std::string on = "1",
                         std::string off = "0");
    static Control option(std::string text, Binding use);
    static Control radio(std::string text, std::string value);
    static Control group(std::string text);
    static Control sheet();
    static Control tab(std::string text);
    static Control list(std::vector<Column> columns, PageQueue* queue, int rows);
    static Control menu(std::string text);
    static Control item(std::string text, std::string tip = "");
    static Control separator();
    static Control status(std::string text, int width = 0);
    static Control statusOf(Binding use, std::string picture, int width = 0);
    static Control image(std::string file);
    static Control progress(Binding use);
    static Control canvas(const report::Document* document);

    Control& number(int n) {
        feq = n;
        return *this;
    }
    Control& in(int parentFeq) {
        parent = parentFeq;
        return *this;
    }
    Control& beside() {
        sameLine = true;
        return *this;
    }
    Control& asDefault() {
        isDefault = true;
        return *this;
    }
    Control& off() {
        disabled = true;
        return *this;
    }
    Control& invisible() {
        hidden = true;
        return *this;
    }
    Control& masked() {
        password = true;
        return *this;
    }
};

// The label as shown: '&' markers removed, "&&" kept as '&'.
std::string labelText(std::string_view text);
// The access key a label marks with '&' (its letter in upper case, CP1251); 0 none.
unsigned char accessKey(std::string_view text);

struct WindowDef {
    std::string title;
    std::string icon;     // icon file
    std::string picture;  // background picture file
    int timer = 0;        // hundredths of a second; 0 = none
    int width = 0;        // size hints in characters and lines; 0 = from the layout
    int height = 0;
    bool resizable = true;
    bool frame = false;  // the application frame: a main window with the menu bar
    // An update form: Enter in a field moves on to the next field (as Tab does) and never
    // presses the default button; Ctrl+Enter, the button itself or its access key does.
    bool enterMovesOn = false;
    std::vector<Control> controls;

    // Appends a control and returns its number. Inside begin()/end() a control without
    // a parent gets the innermost open container as parent.
    int add(Control c);
    // Appends a container (group, option, sheet, tab, menu) and opens it.
    int begin(Control c);
    void end();

    // Index of the control numbered feq, -1 when none.
    int indexOf(int feq) const;
    const Control* find(int feq) const;
    // Gives numbers to controls still at 0 and checks the whole: numbers unique and
    // positive, parents existing, earlier and of the right kind. "" when sound,
    // otherwise what is wrong.
    std::string finish();
    // Gives every button, check box, menu and menu item an access key that is unique
    // where Alt reaches it: the window's buttons, check boxes, tabs, labelled fields and
    // menu-bar menus share one set, each menu's items another. A text that has none, or
    // one already taken, gets the first free letter, preferring the first letters of its
    // words. Called by finish().
    void assignAccessKeys();

  private:
    std::vector<int> open_;
};

}  // namespace kw::ui
