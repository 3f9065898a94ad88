#include "rules/pledge_state.h"

#include "runtime/codepage.h"

namespace kw::pledges {

std::string stateText(int state) {
    switch (state) {
        case kIssued:
            return W("0 -статус:ссуда выдана");
        case kProlonged1:
            return W("1-статус:1-ый перезалог");
        case kProlonged2:
            return W("2-статус:2-ой перезалог");
        case kProlonged3:
            return W("3-статус:3-й перезалог");
        case kRedeemed:
            return W("4-статус:ссуда погашена");
        case kForSale:
            return W("5-статус:передано на реализацию");
        case kDeleted:
            return W("6-запись удалена");
        default:
            return std::string();
    }
}

}  // namespace kw::pledges
