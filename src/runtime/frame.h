// The application frame as the window engine shows it: the program entry runs its frame
// through the installed host and waits until the frame is closed. The program installs
// the Qt host; tests install the scripted one.
#pragma once

#include <atomic>
#include <string>

namespace kw::frame {

class Host {
public:
    virtual ~Host() = default;
    // Shows the frame titled `titleCp1251` and blocks until the user (or the program)
    // closes it. Called from a procedure thread.
    virtual void runFrame(const std::string& titleCp1251) = 0;
};

namespace detail {
inline std::atomic<Host*> g_host{nullptr};
}

// Installs the host (nullptr: none) and returns the previous one. The caller keeps
// ownership and keeps it alive while installed.
inline Host* install(Host* host) { return detail::g_host.exchange(host); }
// The installed host, or nullptr.
inline Host* installed() { return detail::g_host.load(); }

}  // namespace kw::frame
