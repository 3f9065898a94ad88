// ParameterWindow: the small window that asks for a report's parameters. Its entries
// are bound to the globals the parameter windows share (D1, D2, D_PRR, D_T); its print
// button stores them, runs the report and refreshes the window, which stays open for
// another run; "OK" and "Закрыть окно" close it without printing.
//
// A window is a subclass local to its own file: the constructor names the procedure,
// the title, the print button and the report; AddEntries() adds the texts and entries
// between the title and the buttons (numbers below kParameterButtons).
#pragma once

#include <functional>
#include <string>

#include "framework/window/procedure_window.h"

namespace kw::documents {

enum : int32_t {
    kParameterButtons = 100,
    kParameterPrint = kParameterButtons,
    kParameterOk,
    kParameterClose
};

class ParameterWindow : public ProcedureWindow {
  public:
    // Titles and button texts in UTF-8.
    ParameterWindow(std::string procedureName, std::string titleUtf8, std::string printButtonUtf8,
                    void (*report)());

  protected:
    virtual void AddEntries(ui::WindowDef& s) = 0;
    // Around the report's run (after the entries are stored; after the report ended).
    virtual void BeforeReport() {}
    virtual void AfterReport() {}

    ui::WindowDef Define() final;
    Level Opened() override;
    Level TakeAccepted() override;

  private:
    std::string title_, button_;
    void (*report_)();
};

// "Введите интервал дат", "от:" D1, "до:" D2: the period most windows ask for.
void addPeriodEntries(ui::WindowDef& s, int32_t firstNumber);
// "Введите интервал дат от:" D1 "до:" D2 on one line (the lists of sales).
void addOneLinePeriodEntries(ui::WindowDef& s, int32_t firstNumber);

// Runs a window whose entries `addEntries` adds (numbers below kParameterButtons) and
// prints `report`; its response in GlobalResponse.
void runParameterWindow(std::string procedureName, std::string titleUtf8,
                        std::string printButtonUtf8, void (*report)(),
                        std::function<void(ui::WindowDef&)> addEntries);
// Runs the window that asks for the period alone (addPeriodEntries) and prints
// `report`; its response in GlobalResponse.
void runPeriodWindow(std::string procedureName, std::string titleUtf8, std::string printButtonUtf8,
                     void (*report)());

}  // namespace kw::documents
