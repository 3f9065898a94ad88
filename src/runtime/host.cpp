#include "runtime/host.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kw::host {

std::string name() {
#ifdef _WIN32
    char text[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof text;
    if (!GetComputerNameA(text, &size)) return {};
    return std::string(text, size);
#else
    char text[256] = {};
    // A name longer than the buffer may come back without its terminator.
    if (::gethostname(text, sizeof text - 1) != 0) return {};
    return std::string(text);
#endif
}

}  // namespace kw::host
