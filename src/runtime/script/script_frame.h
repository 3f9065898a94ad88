// The scripted frame host: runs no window. By default a frame closes as soon as it is
// run; a test can keep it open, run code while it is open and close it when it wants.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/frame.h"

namespace kw::script {

class ScriptFrame : public frame::Host {
public:
    // Runs `whileOpen` (if any) on the calling procedure thread while the frame is open,
    // then waits, when kept open, until close() is called.
    void runFrame(const std::string& titleCp1251) override;

    // Called on the frame's thread while the frame is open, before it closes.
    void setWhileOpen(std::function<void()> whileOpen);
    // Keep each frame open until close() (instead of closing it at once).
    void setKeepOpen(bool keepOpen);
    // Closes the open frame (or the next one, if none is open yet).
    void close();
    // Blocks until a frame is open; false when none opened within the time.
    bool waitUntilOpen(int timeoutMs = 5000);

    bool isOpen() const;
    // Titles (CP1251) of every frame run so far.
    std::vector<std::string> titles() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> whileOpen_;
    std::vector<std::string> titles_;
    bool keepOpen_ = false;
    bool open_ = false;
    bool closeRequested_ = false;
};

}  // namespace kw::script
