// InquiryForm: the small request windows of the inquiries (SPR, SPR1, P_FORM): a few
// entries for the globals the inquiry's list filters by, a button that takes them and
// opens the list, and buttons that close.
#pragma once

#include <functional>
#include <string>

#include "framework/window/procedure_window.h"

namespace kw::pledges {

class InquiryForm : public ProcedureWindow {
  public:
    // `run`: the button's text (CP1251) and what it opens; `closers`: the texts of the
    // buttons that close the window.
    InquiryForm(std::string name, std::string title, std::string runText,
                std::function<void()> list, std::vector<std::string> closers);

    ui::WindowDef Define() override;
    Level Prepare() override;
    Level TakeAccepted() override;

  protected:
    // The entries and texts above the buttons.
    virtual void AddEntries(ui::WindowDef& s) = 0;
    // Whether the entries allow the inquiry; false keeps the window as it is.
    virtual bool Ready() { return true; }

    enum : int32_t { kRun = 90, kFirstCloser = 91 };

  private:
    std::string title_, runText_;
    std::function<void()> list_;
    std::vector<std::string> closers_;
};

}  // namespace kw::pledges
