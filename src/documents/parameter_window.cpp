#include "documents/parameter_window.h"

#include "runtime/codepage.h"
#include "shell/globals.h"

namespace kw::documents {

ParameterWindow::ParameterWindow(std::string procedureName, std::string titleUtf8,
                                 std::string printButtonUtf8, void (*report)())
    : ProcedureWindow(std::move(procedureName), {}),
      title_(std::move(titleUtf8)),
      button_(std::move(printButtonUtf8)),
      report_(report) {}

ui::WindowDef ParameterWindow::Define() {
    using ui::Control;
    ui::WindowDef s;
    s.title = W(title_);
    s.resizable = false;
    AddEntries(s);
    s.add(Control::button(W(button_)).number(kParameterPrint).asDefault());
    s.add(Control::button("OK").number(kParameterOk));
    s.add(Control::button(W("Закрыть окно")).number(kParameterClose));
    return s;
}

Level ParameterWindow::Opened() {
    AddItem(kParameterOk, resp::Completed);
    AddItem(kParameterClose, resp::Cancelled);
    return Level::Benign;
}

Level ParameterWindow::TakeAccepted() {
    // A date the window refused is said and kept: no report for a period nobody asked for.
    if ((Win.field() == kParameterPrint || Win.field() == kParameterOk) && !TakeEntries())
        return Level::Notify;
    const Level l = WindowManager::TakeAccepted();
    if (l != Level::Benign || Win.field() != kParameterPrint) return l;
    Update();
    BeforeReport();
    if (report_) report_();
    AfterReport();
    Reset();
    return Level::Benign;
}

void addPeriodEntries(ui::WindowDef& s, int32_t n) {
    using ui::Binding;
    using ui::Control;
    s.add(Control::prompt(W("Введите интервал дат")).number(n));
    s.add(Control::prompt(W("от:")).number(n + 1));
    s.add(Control::entry(Binding::of(D1).named("D1"), "D6").number(n + 2));
    s.add(Control::prompt(W("до:")).number(n + 3));
    s.add(Control::entry(Binding::of(D2).named("D2"), "D6").number(n + 4));
}

void addOneLinePeriodEntries(ui::WindowDef& s, int32_t n) {
    using ui::Binding;
    using ui::Control;
    s.add(Control::prompt(W("Введите интервал дат от:")).number(n));
    s.add(Control::entry(Binding::of(D1).named("D1"), "D6").number(n + 1).beside());
    s.add(Control::prompt(W("до:")).number(n + 2).beside());
    s.add(Control::entry(Binding::of(D2).named("D2"), "D6").number(n + 3).beside());
}

namespace {

// A window whose entries come from a function.
class EntriesWindow : public ParameterWindow {
  public:
    EntriesWindow(std::string procedureName, std::string titleUtf8, std::string printButtonUtf8,
                  void (*report)(), std::function<void(ui::WindowDef&)> addEntries)
        : ParameterWindow(std::move(procedureName), std::move(titleUtf8),
                          std::move(printButtonUtf8), report),
          addEntries_(std::move(addEntries)) {}

  protected:
    void AddEntries(ui::WindowDef& s) override { addEntries_(s); }

  private:
    std::function<void(ui::WindowDef&)> addEntries_;
};

}  // namespace

void runParameterWindow(std::string procedureName, std::string titleUtf8,
                        std::string printButtonUtf8, void (*report)(),
                        std::function<void(ui::WindowDef&)> addEntries) {
    EntriesWindow ThisWindow(std::move(procedureName), std::move(titleUtf8),
                             std::move(printButtonUtf8), report, std::move(addEntries));
    GlobalResponse = ThisWindow.Run();
}

void runPeriodWindow(std::string procedureName, std::string titleUtf8, std::string printButtonUtf8,
                     void (*report)()) {
    runParameterWindow(std::move(procedureName), std::move(titleUtf8), std::move(printButtonUtf8),
                       report, [](ui::WindowDef& s) { addPeriodEntries(s, 1); });
}

}  // namespace kw::documents
