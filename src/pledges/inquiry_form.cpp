#include "pledges/inquiry_form.h"

#include "framework/window/window_manager.h"

namespace kw::pledges {

InquiryForm::InquiryForm(std::string name, std::string title, std::string runText,
                         std::function<void()> list, std::vector<std::string> closers)
    : ProcedureWindow(std::move(name), {}),
      title_(std::move(title)),
      runText_(std::move(runText)),
      list_(std::move(list)),
      closers_(std::move(closers)) {}

Level InquiryForm::Prepare() {
    for (std::size_t i = 0; i < closers_.size(); ++i)
        AddItem(kFirstCloser + static_cast<int32_t>(i), resp::Completed);
    return Level::Benign;
}

ui::WindowDef InquiryForm::Define() {
    ui::WindowDef s;
    s.title = title_;
    s.resizable = false;
    AddEntries(s);
    s.add(ui::Control::button(runText_).number(kRun).asDefault());
    for (std::size_t i = 0; i < closers_.size(); ++i)
        s.add(ui::Control::button(closers_[i]).number(kFirstCloser + static_cast<int32_t>(i)));
    return s;
}

Level InquiryForm::TakeAccepted() {
    const Level l = ProcedureWindow::TakeAccepted();
    if (l != Level::Benign || Win.field() != kRun) return l;
    (void)Win.update();
    Update();
    if (!Ready()) return Level::Benign;
    list_();
    Reset();
    return Level::Benign;
}

}  // namespace kw::pledges
