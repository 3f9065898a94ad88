#include "framework/window/update_form.h"

namespace kw {

void SetUpdateActions(WindowManager& form, int32_t okControl) {
    form.CancelAction = kCancelWarn;
    if (form.Request == req::View) {
        form.InsertAction = 1;
        form.DeleteAction = 1;
        form.ChangeAction = 0;
        form.OKControl = 0;
    } else {
        form.DeleteAction = kDeleteForm;
        form.OKControl = okControl;
    }
}

namespace {

// The number after the rows numbered from `first`: a row with a field takes two.
int32_t afterRows(int32_t first, const std::vector<FormRow>& rows) {
    for (const FormRow& r : rows) first += r.field ? 2 : 1;
    return first;
}

}  // namespace

UpdateForm::UpdateForm(std::string procedureName,
                       std::initializer_list<RelationManager* const*> tables,
                       RelationManager* const* primary, int32_t okControl, int32_t closeControl)
    : ProcedureWindow(std::move(procedureName), tables),
      OkButton(okControl),
      CloseButton(closeControl),
      primary_(primary) {}

Level UpdateForm::Prepare() {
    AddItem(CloseButton, resp::Cancelled);
    Primary = *primary_;
    SetUpdateActions(*this, OkButton);
    // Fatal: the request was carried out, or refused, without the window.
    return PrimeUpdate() == Level::Benign ? Level::Benign : Level::Fatal;
}

Level UpdateForm::Opened() {
    resizer_.Init(Win, resize::Spread, 1, 0);
    AddItem(resizer_);
    return Level::Benign;
}

void UpdateForm::Ask() {
    SetCaptionByRequest(Captions());
    WindowManager::Ask();
}

Level UpdateForm::TakeAccepted() {
    if (Request == req::View && Win.field() == OkButton) {
        Win.post(ui::ev::CloseWindow);
        return Level::Notify;
    }
    return WindowManager::TakeAccepted();
}

RowsForm::RowsForm(std::string procedureName, RelationManager* const* table,
                   const storage::TableDecl& (*decl)(), std::string title,
                   std::vector<FormRow> rows)
    : UpdateForm(std::move(procedureName), {table}, table, afterRows(1, rows),
                 afterRows(1, rows) + 1),
      decl_(decl),
      title_(std::move(title)),
      rows_(std::move(rows)) {}

ui::WindowDef RowsForm::Define() {
    ui::WindowDef s;
    s.title = title_;
    AddFormRows(s, decl_(), 1, rows_);
    AddOkClose(s, OkButton, CloseButton);
    return s;
}

}  // namespace kw
