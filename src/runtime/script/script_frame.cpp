#include "runtime/script/script_frame.h"

#include <chrono>

namespace kw::script {

void ScriptFrame::runFrame(const std::string& titleCp1251) {
    std::function<void()> whileOpen;
    {
        std::lock_guard lock(mutex_);
        titles_.push_back(titleCp1251);
        open_ = true;
        whileOpen = whileOpen_;
    }
    changed_.notify_all();
    if (whileOpen) whileOpen();
    std::unique_lock lock(mutex_);
    if (keepOpen_) changed_.wait(lock, [&] { return closeRequested_; });
    closeRequested_ = false;
    open_ = false;
    lock.unlock();
    changed_.notify_all();
}

void ScriptFrame::setWhileOpen(std::function<void()> whileOpen) {
    std::lock_guard lock(mutex_);
    whileOpen_ = std::move(whileOpen);
}

void ScriptFrame::setKeepOpen(bool keepOpen) {
    std::lock_guard lock(mutex_);
    keepOpen_ = keepOpen;
}

void ScriptFrame::close() {
    {
        std::lock_guard lock(mutex_);
        closeRequested_ = true;
    }
    changed_.notify_all();
}

bool ScriptFrame::waitUntilOpen(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return open_; });
}

bool ScriptFrame::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

std::vector<std::string> ScriptFrame::titles() const {
    std::lock_guard lock(mutex_);
    return titles_;
}

}  // namespace kw::script
