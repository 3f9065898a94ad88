#include "pledges/prolongation_form.h"

#include "rules/pledge_events.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"

namespace kw::pledges {

namespace {

std::string titleOf(int stage) {
    return W("Оформление  ") + std::to_string(stage) + W("-го перезалога");
}

}  // namespace

ProlongationForm::ProlongationForm(int stage)
    : EventForm("UPDATEZAL" + std::to_string(stage), titleOf(stage),
                {static_cast<uint8_t>(stage - 1)}, static_cast<uint8_t>(stage)),
      stage_(stage) {}

void ProlongationForm::Event() {
    const EventDays d = prolong(stage_, ZAL, KBP, clock::today(), Penalty);
    D_PRO1 = static_cast<int16_t>(d.overdue);
    D_PROW = static_cast<int16_t>(d.charged);
    cost_.show(documents::prolongationFullCost(ZAL, stage_));
}

int32_t ProlongationForm::PeriodStart() const {
    return stage_ == 1 ? ZAL.DATA_P11 : stage_ == 2 ? ZAL.DATA_P21 : ZAL.DATA_P31;
}

Level ProlongationForm::TakeCompleted() {
    if (refusedAboveLimit(documents::prolongationFullCost(ZAL, stage_), PeriodStart(), Win.title()))
        return Level::Notify;
    return EventForm::TakeCompleted();
}

void ProlongationForm::AddEventFields(ui::WindowDef& s) {
    const std::string n = std::to_string(stage_);
    s.begin(ui::Control::group(W(n + " перезалог")).number(kFirstPrompt - 1));
    AddField(s, "Дата прихода клиента:", ("DATA_PR" + n).c_str());
    // On a line of its own: the event's column stays narrow enough for the pledge beside it.
    s.add(ui::Control::prompt(W("Дата начала " + n + "-го перезалога:")).number(kFirstPrompt - 2));
    s.add(Field(("DATA_P" + n + "1").c_str()).number(kFirstField - 1));
    FirstField =
        AddField(s, "Кол-во дней:", ("KOL_D" + n).c_str());  // what the operator types first
    AddField(s, "Дата окончания :", ("DATA_P" + n + "2").c_str(), true);
    AddField(s, "Штраф за просрочку выкупа:", ("S_ST" + n).c_str());
    AddField(s, "Сумма %% по ссуде:", ("S_P_C" + n).c_str());
    AddField(s, "Сумма %% по хранению:", ("S_P_X" + n).c_str(), true);
    AddField(s, "Получить с клиента:", ("S_POL" + n).c_str());
    addFullCostFields(s, cost_);  // in the event's own column: the form keeps to the screen's width
    s.end();
}

std::vector<std::string> ProlongationForm::HintLines() const {
    if (stage_ == 1)
        return {
            W("Если согласны с расчетом,распечатайте квитанцию и нажмите ОК для записи в базу")};
    return {W("Если согласны с расчетом,распечатайте квитанцию"),
            W("и нажмите ОК для записи в базу")};
}

void ProlongationForm::ClearEvent() {
    switch (stage_) {
        case 1:
            ZAL.S_ST1 = 0, ZAL.DATA_P12 = 0, ZAL.S_P_C1 = 0, ZAL.S_P_X1 = 0, ZAL.S_POL1 = 0;
            break;
        case 2:
            ZAL.S_ST2 = 0, ZAL.DATA_P22 = 0, ZAL.S_P_C2 = 0, ZAL.S_P_X2 = 0, ZAL.S_POL2 = 0;
            break;
        default:
            ZAL.S_ST3 = 0, ZAL.DATA_P32 = 0, ZAL.S_P_C3 = 0, ZAL.S_P_X3 = 0, ZAL.S_POL3 = 0;
            break;
    }
}

void runProlongation(int stage) {
    ProlongationForm ThisWindow(stage);
    GlobalResponse = ThisWindow.Run();
}

}  // namespace kw::pledges
