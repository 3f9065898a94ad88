// The Qt message-box back end: a real modal QMessageBox, and the history window
// titled "Error", always shown on the GUI thread. A call from another thread waits
// there (blocking queued call) until the box is closed, so the GUI thread must not be
// waiting for that thread meanwhile.
//
// Every push button carries its button bit in the property kButtonProperty, so tests
// and automation can find and press them.
#pragma once

#include "runtime/message_box.h"

class QWidget;

namespace kw::qt {

inline constexpr const char* kButtonProperty = "kwButton";
inline constexpr const char* kHistoryWindowName = "kwHistoryWindow";
inline constexpr const char* kHistoryListName = "kwHistoryList";
inline constexpr const char* kHistoryCaptionName = "kwHistoryCaption";

class QtMessageBox : public msgbox::Backend {
  public:
    // Without a QApplication a box is not shown and answers its default button.
    unsigned show(const msgbox::Box& box) override;
    unsigned showHistory(const msgbox::HistoryBox& box) override;
};

}  // namespace kw::qt
