// The Qt printer set-up: the system's print dialog, shown on the GUI thread, choosing
// the printer (or a PDF file) and its settings. The choice is kept in printer() for the
// documents printed afterwards.
#pragma once

#include <memory>
#include <mutex>

#include "runtime/printer_setup.h"

class QPrinter;

namespace kw::qt {

class QtPrinterSetup : public printer::SetupService {
  public:
    QtPrinterSetup();
    ~QtPrinterSetup() override;

    // Without a QApplication nothing is shown and the answer is false. A call from a
    // procedure thread waits for the GUI thread, whose event loop must be running.
    bool setup(std::string_view titleCp1251) override;

    // The printer as last set up. GUI thread only.
    QPrinter& printer();

  private:
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace kw::qt
