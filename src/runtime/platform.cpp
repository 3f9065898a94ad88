#include "runtime/platform.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kw::platform {

namespace {

#ifdef _WIN32
class WindowsParameters : public SystemParameters {
  public:
    bool parametersInfo(uint32_t action, uint32_t param, int32_t* value,
                        uint32_t updateFlags) override {
        return SystemParametersInfoA(action, param, value, updateFlags) != FALSE;
    }
};
SystemParameters& builtIn() {
    static WindowsParameters s;
    return s;
}
#else
SystemParameters& builtIn() {
    static MemoryParameters s;
    return s;
}
#endif

std::atomic<SystemParameters*> g_installed{nullptr};

}  // namespace

SystemParameters* install(SystemParameters* s) {
    return g_installed.exchange(s);
}

SystemParameters& service() {
    SystemParameters* s = g_installed.load();
    return s ? *s : builtIn();
}

bool getFullWindowDrag(int32_t& value) {
    return service().parametersInfo(kGetDragFullWindows, 0, &value, 0);
}

bool setFullWindowDrag(bool on, int32_t& scratch) {
    return service().parametersInfo(kSetDragFullWindows, on ? 1 : 0, &scratch,
                                    kUpdateIniFile | kSendChange);
}

bool MemoryParameters::parametersInfo(uint32_t action, uint32_t param, int32_t* value, uint32_t) {
    std::lock_guard lock(mutex_);
    switch (action) {
        case kGetDragFullWindows:
            if (!value) return false;
            *value = drag_;
            return true;
        case kSetDragFullWindows:
            drag_ = param ? 1 : 0;
            return true;
        default:
            return false;
    }
}

int32_t MemoryParameters::dragFullWindows() const {
    std::lock_guard lock(mutex_);
    return drag_;
}

bool RecordingParameters::parametersInfo(uint32_t action, uint32_t param, int32_t* value,
                                         uint32_t updateFlags) {
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(Call{action, param, updateFlags});
        if (failing_) return false;
    }
    return MemoryParameters::parametersInfo(action, param, value, updateFlags);
}

std::vector<RecordingParameters::Call> RecordingParameters::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void RecordingParameters::setFailing(bool failing) {
    std::lock_guard lock(mutex_);
    failing_ = failing;
}

}  // namespace kw::platform
