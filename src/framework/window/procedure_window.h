// ProcedureWindow: the set-up every interactive procedure repeats around its window.
//
//     Init():  names the procedure for the error manager, takes GlobalRequest into
//              Request and clears it, opens the procedure's tables (counted: a table
//              stays open while any procedure of the thread uses it), then
//              Prepare() (before the window: day checks, priming an update form's
//              record), opens Define()'s window, then Opened() (browses, buttons,
//              resizer), SetAlerts(). A resizable window whose Opened() registered no
//              resizer gets the one every window has: its first size is its least
//              (the application frame excepted: it is sized freely).
//     Kill():  the window manager's Kill, then the tables are closed in reverse order
//              and the procedure name is given back.
//
// A procedure is a subclass local to its own file whose overrides add its own steps;
// its tables are named by their relate references (&Relate::ZAL), which are bound
// at start-up, after the procedure object may have been built.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/window/window_manager.h"
#include "framework/window/window_resize_class.h"

namespace kw {

// A line of a form: a prompt (UTF-8) and the entry of a field of the form's
// table with its picture; without a field, the prompt alone (a hint).
struct FormRow {
    const char* prompt;
    const char* field = nullptr;
    const char* picture = nullptr;
};

// Adds the rows to `s`, each prompt and then its entry numbered in order from `first`.
void AddFormRows(ui::WindowDef& s, const storage::TableDecl& table, int32_t first,
                 const std::vector<FormRow>& rows);
// Adds the window's "OK" (the default button) and its closing button, "Закрыть" unless
// `closeUtf8` says otherwise.
void AddOkClose(ui::WindowDef& s, int32_t okControl, int32_t closeControl,
                const char* closeUtf8 = "Закрыть");

class ProcedureWindow : public WindowManager {
  public:
    ProcedureWindow(std::string procedureName,
                    std::initializer_list<RelationManager* const*> tables);

    Level Init() override;
    Level Kill() override;

  protected:
    // The procedure's window.
    virtual ui::WindowDef Define() = 0;
    // After the tables are open, before the window: anything but Benign ends the
    // procedure (Notify: without a message of its own, as a refused list).
    virtual Level Prepare() { return Level::Benign; }
    // After the window is open, before SetAlerts.
    virtual Level Opened() { return Level::Benign; }
    // After the window has closed, before the tables are closed.
    virtual void Closing() {}

    // Whether the procedure's tables are open (Init got that far).
    bool TablesOpen() const { return FilesOpened != 0; }

  private:
    std::string name_;
    std::vector<RelationManager* const*> tables_;
    bool named_ = false;
    WindowResizeClass firstSize_;
};

}  // namespace kw
