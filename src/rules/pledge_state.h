// The life cycle of a pledge: the value of ZAL:SOST. A pledge is issued in state 0, is
// prolonged at most three times (1 to 3), and ends redeemed (4) or handed over for
// sale (5); 6 marks a cancelled record, kept in the file but left out of the
// operation lists (except the day's list), the inquiries and the reports.
#pragma once

#include <cstdint>
#include <string>

namespace kw::pledges {

inline constexpr uint8_t kIssued = 0;
inline constexpr uint8_t kProlonged1 = 1;
inline constexpr uint8_t kProlonged2 = 2;
inline constexpr uint8_t kProlonged3 = 3;
inline constexpr uint8_t kRedeemed = 4;
inline constexpr uint8_t kForSale = 5;
inline constexpr uint8_t kDeleted = 6;

// The text of a state as the user sees it ("0 -статус:ссуда выдана" ...), CP1251; ""
// for a value outside 0 to 6.
std::string stateText(int state);

}  // namespace kw::pledges
