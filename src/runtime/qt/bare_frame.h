// The Qt frame host: shows the application frame as a main window on the GUI thread and
// blocks the calling procedure thread until the window is closed.
#pragma once

#include <string>

#include "runtime/frame.h"

namespace kw::qt {

class BareFrameHost : public frame::Host {
public:
    // Returns at once when no QApplication exists or when called on the GUI thread.
    void runFrame(const std::string& titleCp1251) override;
};

}  // namespace kw::qt
