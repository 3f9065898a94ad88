// The framework's variables shared by every procedure thread (not locked): the request
// a caller hands to the procedure it runs, the answer that procedure leaves, and the
// record-navigation request of browses and forms. Request and response codes below.
#pragma once

#include <cstdint>

extern uint8_t GlobalRequest;   // request to the window a procedure opens
extern uint8_t GlobalResponse;  // result of the last window
extern int32_t VCRRequest;      // scrolling request of browses and forms (0 none)

namespace kw {

// Requests (GlobalRequest, WindowManager::Request).
namespace req {
inline constexpr uint8_t Insert = 1;
inline constexpr uint8_t Change = 2;
inline constexpr uint8_t Delete = 3;
inline constexpr uint8_t Select = 4;
inline constexpr uint8_t View = 6;
}  // namespace req

// Responses (GlobalResponse, WindowManager::Response).
namespace resp {
inline constexpr uint8_t Completed = 1;
inline constexpr uint8_t Cancelled = 2;
}  // namespace resp

}  // namespace kw
