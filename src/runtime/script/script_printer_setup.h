// The scripted printer set-up: no dialog. It counts the times the dialog was asked for
// and answers as the test told it (confirmed by default).
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "runtime/printer_setup.h"

namespace kw::script {

class ScriptPrinterSetup : public printer::SetupService {
  public:
    bool setup(std::string_view titleCp1251) override;

    // The answer of the next dialogs: true confirmed, false cancelled.
    void setAnswer(bool confirm) { confirm_ = confirm; }
    int calls() const { return calls_.load(); }
    std::string lastTitle() const;  // CP1251

  private:
    std::atomic<int> calls_{0};
    std::atomic<bool> confirm_{true};
    mutable std::mutex mu_;
    std::string lastTitle_;
};

}  // namespace kw::script
