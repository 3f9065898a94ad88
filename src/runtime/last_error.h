// The calling thread's last error: the runtime's error code and text, and for a
// failure inside the data-file driver (runtime code 90) the driver's own code and
// text. The storage driver and the file managers set it when an operation fails; the
// error manager reads it (SetErrors) to fill "%ErrorText" and friends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kw::last_error {

// Runtime codes used by the runtime itself.
inline constexpr int32_t kNoError = 0;
inline constexpr int32_t kFileNotFound = 2;
inline constexpr int32_t kPathNotFound = 3;
inline constexpr int32_t kTooManyOpenFiles = 4;
inline constexpr int32_t kAccessDenied = 5;
inline constexpr int32_t kFileNotOpen = 37;
inline constexpr int32_t kDriverError = 90;  // see driverCode()/driverText()

struct Snapshot {
    int32_t code = 0;
    std::string text;
    std::string driverCode;
    std::string driverText;
};

// Sets the runtime code and text; leaves the driver's part as it is.
void set(int32_t code, std::string_view text);
// Sets the driver's own code and text and the runtime code 90 ("File System Error").
void setDriver(std::string_view driverCode, std::string_view driverText);
// Sets code and text from an operating-system error number (errno).
void setFromErrno(int err);
// No error: code 0, all texts empty.
void clear();

int32_t code();
std::string text();
std::string driverCode();
std::string driverText();
Snapshot get();
// Makes `kept` the last error again (after calls that set their own meanwhile).
void restore(const Snapshot& kept);

}  // namespace kw::last_error
