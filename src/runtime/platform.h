// The platform layer for system-wide user-interface settings. It is the only place
// where a Windows build calls the system (SystemParametersInfoA); elsewhere the
// settings it serves do not exist, so the layer keeps the value in memory.
//
// The program uses it for the full-window-drag setting (whether a window is shown whole
// while it is dragged). Tests install a fake to see and steer the calls.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace kw::platform {

// System parameter actions and update flags, as the system numbers them.
inline constexpr uint32_t kSetDragFullWindows = 37;  // param: 1 on, 0 off
inline constexpr uint32_t kGetDragFullWindows = 38;  // value: receives 1 or 0
inline constexpr uint32_t kUpdateIniFile = 1;        // write the user profile
inline constexpr uint32_t kSendChange = 2;           // broadcast the change

// The system's parameter service. `value` is the LONG the action reads or writes.
// Returns false when the call failed.
class SystemParameters {
  public:
    virtual ~SystemParameters() = default;
    virtual bool parametersInfo(uint32_t action, uint32_t param, int32_t* value,
                                uint32_t updateFlags) = 0;
};

// Installs the service (nullptr: the built-in one) and returns the previous one. The
// caller keeps ownership and keeps it alive while installed.
SystemParameters* install(SystemParameters* service);
SystemParameters& service();

// Reads the full-window-drag setting into `value` (action 38, no update flags).
bool getFullWindowDrag(int32_t& value);
// Switches the setting on or off (action 37 with update flags 3); `scratch` is the value
// handed to the system with the call.
bool setFullWindowDrag(bool on, int32_t& scratch);

// The service without a system behind it: keeps the drag setting in memory (0 at
// start); other actions fail. It is the built-in service where the system has no
// such setting.
class MemoryParameters : public SystemParameters {
  public:
    explicit MemoryParameters(int32_t dragFullWindows = 0) : drag_(dragFullWindows) {}
    bool parametersInfo(uint32_t action, uint32_t param, int32_t* value,
                        uint32_t updateFlags) override;
    int32_t dragFullWindows() const;

  private:
    mutable std::mutex mutex_;
    int32_t drag_;
};

// A fake for tests: a MemoryParameters that records every call and can be told to fail.
class RecordingParameters : public MemoryParameters {
  public:
    struct Call {
        uint32_t action;
        uint32_t param;
        uint32_t updateFlags;
        bool operator==(const Call&) const = default;
    };
    using MemoryParameters::MemoryParameters;
    bool parametersInfo(uint32_t action, uint32_t param, int32_t* value,
                        uint32_t updateFlags) override;

    std::vector<Call> calls() const;
    // While set, every call is recorded and fails without changing anything.
    void setFailing(bool failing);

  private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    bool failing_ = false;
};

// Installs a service for the lifetime of the object and puts the previous one back.
class ScopedParameters {
  public:
    explicit ScopedParameters(SystemParameters& s) : previous_(install(&s)) {}
    ~ScopedParameters() { install(previous_); }
    ScopedParameters(const ScopedParameters&) = delete;
    ScopedParameters& operator=(const ScopedParameters&) = delete;

  private:
    SystemParameters* previous_;
};

}  // namespace kw::platform
