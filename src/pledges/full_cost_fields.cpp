#include "pledges/full_cost_fields.h"

#include "documents/cost_limits.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"

namespace kw::pledges {

void FullCostShown::show(const documents::FullCost& c) {
    PSK_P = documents::percentText(c);
    PSK_S = documents::moneyText(c);
}

void addFullCostFields(ui::WindowDef& s, FullCostShown& shown) {
    using ui::Control;
    s.add(Control::prompt(W("ПСК, % годовых:")).number(kFullCostControls));
    Control percent = Control::entry(ui::Binding::of(shown.PSK_P).named("PSK_P"), "s8");
    percent.readOnly = true;
    s.add(percent.number(kFullCostControls + 1).beside());
    s.add(Control::prompt(W("ПСК, руб.:")).number(kFullCostControls + 2));
    Control money = Control::entry(ui::Binding::of(shown.PSK_S).named("PSK_S"), "s12");
    money.readOnly = true;
    s.add(money.number(kFullCostControls + 3).beside());
}

bool refusedAboveLimit(const documents::FullCost& cost, int32_t date, const std::string& title) {
    const std::string why = documents::costRefusal(cost, documents::costLimitOn(date));
    if (why.empty()) return false;
    msgbox::show(why, title, msgbox::Icon::Exclamation, msgbox::Ok);
    return true;
}

}  // namespace kw::pledges
