// Ending the program from anywhere (a fatal error, the end of the frame).
//
// halt(code) calls the installed halt handler. The default handler runs the shut-down
// hook (once; a halt from inside the hook skips it), flushes standard I/O and ends the
// process with `code` at once, without running static destructors: other procedure
// threads may still be inside them. Tests install a handler that only records the
// call; halt() then returns and the caller goes on.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

namespace kw {

using HaltHandler = std::function<void(int code)>;

void halt(int code);

// The default handler; does not return.
[[noreturn]] void defaultHalt(int code);

// Installs a handler (empty: the default one) and returns the previous one.
HaltHandler setHaltHandler(HaltHandler handler);
// Installs the hook the default handler runs before it ends the process (empty: none)
// and returns the previous one.
std::function<void()> setShutdownHook(std::function<void()> hook);

// Records halts instead of ending the program, for its lifetime.
class HaltRecorder {
  public:
    HaltRecorder();
    ~HaltRecorder();
    HaltRecorder(const HaltRecorder&) = delete;
    HaltRecorder& operator=(const HaltRecorder&) = delete;

    std::vector<int> codes() const;  // the codes halt() was called with, in order
    std::size_t count() const;

  private:
    mutable std::mutex mu_;
    std::vector<int> codes_;
    HaltHandler previous_;
};

}  // namespace kw
