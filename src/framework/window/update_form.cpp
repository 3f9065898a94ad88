#include "framework/window/update_form.h"

namespace kw {

UpdateForm::UpdateForm(std::string procedureName, std::initializer_list<RelationManager* const*> tables,
                       RelationManager* const* primary, int32_t okControl, int32_t closeControl)
    : ProcedureWindow(std::move(procedureName), tables),
      OkButton(okControl),
      CloseButton(closeControl),
      primary_(primary) {}

Level UpdateForm::Prepare() {
    AddItem(CloseButton, resp::Cancelled);
    Primary = *primary_;
    if (Request == req::View) {
        InsertAction = 1;
        DeleteAction = 1;
        ChangeAction = 0;
        CancelAction = 0;
        OKControl = 0;
    } else {
        DeleteAction = kDeleteForm;
        CancelAction = 0;
        OKControl = OkButton;
    }
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

}  // namespace kw
