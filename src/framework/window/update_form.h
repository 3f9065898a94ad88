// UpdateForm: an insert, change, delete or view form on one table, set up as every
// update form of the program is: the close button answers "cancelled"; the primary
// table is the form's; a form opened to view (request 6) writes nothing and its OK
// closes it; otherwise OK completes the request and a delete is carried out through
// the form; the record is primed (PrimeUpdate) before the window opens; the resizer
// spreads the controls and keeps the first size as the least; the caption tells the
// request ("Добавить ???", "Изменить ???", "Удалить ???", "View Record").
//
// The procedure's Define() gives the window with its OK and close buttons numbered
// OkControl and CloseControl (the constructor's).
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/window/procedure_window.h"
#include "framework/window/window_resize_class.h"

namespace kw {

// The actions of an update form: opened to view (request 6) it writes nothing and has
// no OK; otherwise `okControl` completes the request and a delete is carried out
// through the form. Closing never saves; once the operator has typed or pressed
// anything it asks first whether to close without saving (default: stay).
void SetUpdateActions(WindowManager& form, int32_t okControl);

class UpdateForm : public ProcedureWindow {
  public:
    UpdateForm(std::string procedureName, std::initializer_list<RelationManager* const*> tables,
               RelationManager* const* primary, int32_t okControl, int32_t closeControl);

    void Ask() override;
    Level TakeAccepted() override;

  protected:
    Level Prepare() override;
    Level Opened() override;
    // The captions by request; the standard ones unless the form has its own.
    virtual RequestCaptions Captions() const { return RequestCaptions::Standard(); }

    const int32_t OkButton;
    const int32_t CloseButton;

  private:
    RelationManager* const* primary_;
    WindowResizeClass resizer_;
};

// An update form that is only its rows: the title (CP1251), the rows numbered from 1,
// and "OK" and "Закрыть" after them.
class RowsForm : public UpdateForm {
  public:
    RowsForm(std::string procedureName, RelationManager* const* table,
             const storage::TableDecl& (*decl)(), std::string title, std::vector<FormRow> rows);

  protected:
    ui::WindowDef Define() override;

  private:
    const storage::TableDecl& (*decl_)();
    std::string title_;
    std::vector<FormRow> rows_;
};

}  // namespace kw
