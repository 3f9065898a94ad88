#include "cashdesk/confirm_box.h"

#include "framework/data/dct_init.h"
#include "framework/window/procedure_window.h"
#include "runtime/codepage.h"

namespace kw::cashdesk {

namespace {

class ConfirmBox : public ProcedureWindow {
  public:
    ConfirmBox(const char* name, std::string title)
        : ProcedureWindow(name, {&Relate::KBP}), title_(std::move(title)) {}

    ui::WindowDef Define() override {
        using ui::Control;
        ui::WindowDef s;
        s.title = title_;
        s.resizable = false;
        s.add(Control::prompt(W("Для выполнения задания нажмите ОК")).number(kConfirmText));
        s.add(Control::button("OK").number(kConfirmLatinOk).asDefault());
        s.add(Control::button(W("ОК")).number(kConfirmCyrillicOk));
        return s;
    }

    Level Opened() override {
        AddItem(kConfirmLatinOk, resp::Completed);
        AddItem(kConfirmCyrillicOk, resp::Completed);
        return Level::Benign;
    }

  private:
    std::string title_;
};

}  // namespace

uint8_t runConfirmBox(const char* name, std::string title) {
    ConfirmBox ThisWindow(name, std::move(title));
    GlobalResponse = ThisWindow.Run();
    return GlobalResponse;
}

}  // namespace kw::cashdesk
